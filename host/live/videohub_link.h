// The link to a real router that speaks the Videohub text protocol over TCP. It
// makes a simulated `router` of the device world the mirror of the real one: the
// panel's crosspoints become routing blocks, and the router's dump and status
// updates change the mirror, which reports them to the panel as revertives and
// database changes.
//
// The link's rules (docs/live.md says them for the engineer):
// - Safety: a crosspoint goes out only to an allowed destination (the guard), never
//   in read-only mode, never to a destination another client has locked, never to
//   a port the router does not have. What is refused is counted and marked.
// - ACK means accepted, not made: only the status updates change the mirror. A NAK
//   is a refusal: the panel is told the destination's source as it stands.
// - Link down (connect failed, connection closed, no dump, no answer in time):
//   crosspoints and polls are lost and marked as under a router outage; the link
//   reconnects with backoff (kBackoffFirst doubling to kBackoffLast).
// - Lost crosspoints: for each destination the newest crosspoint lost while the
//   link was down (or sent and never acknowledged before it went down) is kept.
//   After the reconnect dump it is sent once, unless the router already shows that
//   source. So a route made by hand during the outage is overwritten only when the
//   panel asked for another one meanwhile.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "live/live_loop.h"
#include "live/videohub_reader.h"
#include "world/router.h"

namespace kest_host::live {

// Which destinations a real router may be given; shared by every link.
struct destination_guard {
    bool read_only = false;
    int32_t monitor = 0;  // the monitor's destination when the panel started (0: none)
    std::set<int32_t> allowed;
    uint64_t refused = 0;  // crosspoints refused by the host or rejected by a router

    bool allows(int32_t destination) const {
        return (monitor > 0 && destination == monitor) || allowed.count(destination) != 0;
    }
};

struct link_timing {
    int64_t ping_every_ms = 3000;      // a PING: after this much quiet on our side
    int64_t answer_timeout_ms = 2000;  // an ACK or NAK must come within this
    int64_t dump_timeout_ms = 3000;    // the state dump must be complete within this
    int64_t connect_timeout_ms = 2000;
    int64_t backoff_first_ms = 500;
    int64_t backoff_last_ms = 8000;
};

class videohub_link final : public device_link, public router_remote {
  public:
    static constexpr uint16_t kDefaultPort = 9990;
    // Ports kest-host takes from a router's counts; a router reporting more is cut to
    // this many, with a message.
    static constexpr uint32_t kMaxPorts = 4096;
    // Bytes waiting to be written before the connection is judged stuck.
    static constexpr std::size_t kMaxPendingWrite = std::size_t{1024} * 1024;
    // Messages about a router's malformed output per connection; then one line saying
    // that further ones are not shown.
    static constexpr int kProblemsShown = 20;

    using note_fn = std::function<void(const std::string&)>;

    videohub_link(live_loop& loop, router& mirror, std::string host, uint16_t port,
                  destination_guard& guard, note_fn note, link_timing timing = {});
    ~videohub_link() override;

    // "HOST[:PORT]" -> host and port; false with `error`.
    static bool split_address(const std::string& address, std::string& host, uint16_t& port,
                              std::string& error);

    // --- device_link ---------------------------------------------------------------
    std::string name() const override;
    void start() override;
    void close() override;
    bool ready() const override { return state_ == state::up; }
    std::string status() const override;

    // --- router_remote -------------------------------------------------------------
    void take_crosspoint(int32_t destination, int32_t source) override;
    bool reachable() const override { return state_ == state::up; }
    std::string mark(bool crosspoint, int32_t destination, int32_t source) const override;

    // What the link has seen, for tests and the summary.
    uint32_t inputs() const { return inputs_; }
    uint32_t outputs() const { return outputs_; }
    uint64_t routes_sent() const { return routes_sent_; }
    uint64_t connections() const { return connections_; }
    const std::map<int32_t, int32_t>& lost() const { return lost_; }

    // Called with each routing block written (for the latency benchmark).
    void on_written(std::function<void()> hook) { written_ = std::move(hook); }

  private:
    enum class state { idle, connecting, dumping, up, down, closed };
    enum class verdict { send, read_only, not_allowed, out_of_range, link_down, locked };
    struct outstanding {
        int32_t destination = 0;  // 0: a PING or a request, not a crosspoint
        int32_t source = 0;
        int64_t sent_ms = 0;
    };

    verdict judge(int32_t destination, int32_t source) const;
    void connect();
    void connected();
    void fail(const std::string& why);
    void read();
    void write(const std::string& bytes);
    void flush();
    void tick();
    void send_route(int32_t destination, int32_t source);
    void send_lost();
    void problem(const std::string& text);
    // "LINK DOWN since 14:02:11", as the link states name it.
    std::string down() const;

    void take(videohub_message&& message);
    void take_reply(bool ack);
    void take_device(const videohub_message& block);
    void take_labels(const videohub_message& block, int database);
    void take_locks(const videohub_message& block);
    void take_routing(const videohub_message& block);

    live_loop& loop_;
    router& mirror_;
    std::string host_;
    uint16_t port_;
    destination_guard& guard_;
    note_fn note_;
    link_timing timing_;
    boost::asio::ip::tcp::resolver resolver_;
    boost::asio::ip::tcp::socket socket_;
    boost::asio::steady_timer retry_timer_;
    boost::asio::steady_timer tick_timer_;
    videohub_reader reader_;
    std::array<char, 4096> in_{};
    std::string out_;      // waiting to be written
    std::string writing_;  // being written
    bool write_busy_ = false;

    state state_ = state::idle;
    uint64_t generation_ = 0;  // bumped per connection: stale handlers do nothing
    int64_t state_since_ms_ = 0;
    int64_t last_sent_ms_ = 0;
    int64_t last_received_ms_ = 0;
    int64_t retry_at_ms_ = 0;
    int64_t backoff_ms_ = 0;
    std::string down_since_;  // wall-clock time the link went down, "HH:MM:SS"
    bool device_known_ = false;
    uint32_t inputs_ = 0;
    uint32_t outputs_ = 0;
    std::map<int32_t, char> locks_;  // output -> O, L, U
    std::deque<outstanding> awaiting_;
    std::map<int32_t, int32_t> lost_;  // destination -> newest lost source
    int problems_ = 0;
    uint64_t routes_sent_ = 0;
    uint64_t connections_ = 0;
    std::function<void()> written_;
};

}  // namespace kest_host::live
