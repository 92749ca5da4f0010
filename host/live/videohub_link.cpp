#include "live/videohub_link.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <ctime>

#include "common/numbers.h"
#include "common/printable.h"

namespace kest_host::live {

namespace asio = boost::asio;
using boost::system::error_code;

namespace {

std::string wall_clock() {
    const std::time_t t = std::time(nullptr);
    std::tm parts{};
    localtime_r(&t, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &parts);
    return text;
}

std::string seconds(int64_t ms) {
    if (ms % 1000 == 0) {
        return std::to_string(ms / 1000) + " s";
    }
    return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
}

}  // namespace

videohub_link::videohub_link(live_loop& loop, router& mirror, std::string host, uint16_t port,
                             destination_guard& guard, note_fn note, link_timing timing)
    : loop_(loop),
      mirror_(mirror),
      host_(std::move(host)),
      port_(port),
      guard_(guard),
      note_(std::move(note)),
      timing_(timing),
      resolver_(loop.context()),
      socket_(loop.context()),
      retry_timer_(loop.context()),
      tick_timer_(loop.context()),
      reader_([this](videohub_message&& m) { take(std::move(m)); },
              [this](const std::string& text) { problem(text); }),
      backoff_ms_(timing.backoff_first_ms) {
    mirror_.set_remote(this);
}

videohub_link::~videohub_link() {
    close();
    mirror_.set_remote(nullptr);
}

bool videohub_link::split_address(const std::string& address, std::string& host, uint16_t& port,
                                  std::string& error) {
    port = kDefaultPort;
    host = address;
    const auto colon = address.rfind(':');
    const bool bracketed = !address.empty() && address.front() == '[';
    if (colon != std::string::npos && (bracketed || address.find(':') == colon)) {
        const auto number = decimal<uint16_t>(address.substr(colon + 1));
        if (!number || *number == 0) {
            error = "router address " + quoted(address) + ": the port must be 1 to 65535";
            return false;
        }
        port = *number;
        host = address.substr(0, colon);
    }
    if (bracketed && host.size() > 2 && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (host.empty()) {
        error = "router address " + quoted(address) + " names no host";
        return false;
    }
    return true;
}

std::string videohub_link::name() const {
    return "router " + std::to_string(mirror_.number()) + " (videohub " + host_ + ":" +
           std::to_string(port_) + ")";
}

void videohub_link::start() {
    tick();
    connect();
}

void videohub_link::close() {
    if (state_ == state::closed) {
        return;
    }
    state_ = state::closed;
    ++generation_;
    error_code ignored;
    resolver_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    retry_timer_.cancel();
    tick_timer_.cancel();
}

std::string videohub_link::status() const {
    switch (state_) {
        case state::up:
        case state::closed:
            return "";
        case state::idle:
        case state::connecting:
        case state::dumping:
            return down_since_.empty() ? "CONNECTING"
                                       : "LINK DOWN since " + down_since_ + ", connecting";
        case state::down: {
            const int64_t left = std::max<int64_t>(retry_at_ms_ - loop_.now_ms(), 0);
            return "LINK DOWN since " + down_since_ + ", retry in " +
                   std::to_string((left + 999) / 1000) + " s";
        }
    }
    return "";
}

// --- Connecting and failing ----------------------------------------------------------

void videohub_link::connect() {
    state_ = state::connecting;
    state_since_ms_ = loop_.now_ms();
    problems_ = 0;
    reader_.reset();
    const uint64_t generation = ++generation_;
    resolver_.async_resolve(
        host_, std::to_string(port_),
        [this, generation](const error_code& error,
                           const asio::ip::tcp::resolver::results_type& endpoints) {
            if (generation != generation_) {
                return;
            }
            if (error) {
                fail("cannot resolve " + host_ + ": " + error.message());
                return;
            }
            asio::async_connect(socket_, endpoints,
                                [this, generation](const error_code& e, const auto&) {
                                    if (generation != generation_) {
                                        return;
                                    }
                                    if (e) {
                                        fail("cannot connect: " + e.message());
                                        return;
                                    }
                                    connected();
                                });
        });
}

void videohub_link::connected() {
    error_code ignored;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    ++connections_;
    state_ = state::dumping;
    state_since_ms_ = loop_.now_ms();
    last_sent_ms_ = state_since_ms_;
    device_known_ = false;
    locks_.clear();
    awaiting_.clear();
    note_(name() + " connected, waiting for its state");
    read();
}

void videohub_link::fail(const std::string& why) {
    if (state_ == state::closed) {
        return;
    }
    const bool was_up = state_ == state::up;
    ++generation_;
    error_code ignored;
    socket_.close(ignored);
    // A crosspoint sent and not acknowledged may never have been made: it counts as
    // lost, unless a newer one for its destination was lost already.
    for (const auto& o : awaiting_) {
        if (o.destination > 0 && lost_.count(o.destination) == 0) {
            lost_[o.destination] = o.source;
        }
    }
    awaiting_.clear();
    out_.clear();
    write_busy_ = false;
    if (was_up || down_since_.empty()) {
        down_since_ = wall_clock();
    }
    state_ = state::down;
    retry_at_ms_ = loop_.now_ms() + backoff_ms_;
    note_("router " + std::to_string(mirror_.number()) + " LINK DOWN since " + down_since_ + ": " +
          why + "; retry in " + seconds(backoff_ms_));
    const uint64_t generation = generation_;
    retry_timer_.expires_after(std::chrono::milliseconds(backoff_ms_));
    retry_timer_.async_wait([this, generation](const error_code& e) {
        if (!e && generation == generation_) {
            connect();
        }
    });
    backoff_ms_ = std::min(backoff_ms_ * 2, timing_.backoff_last_ms);
}

// The keepalive and the deadlines, once a tenth of a second.
void videohub_link::tick() {
    tick_timer_.expires_after(std::chrono::milliseconds(100));
    tick_timer_.async_wait([this](const error_code& e) {
        if (e || state_ == state::closed) {
            return;
        }
        const int64_t now = loop_.now_ms();
        if (state_ == state::connecting && now - state_since_ms_ > timing_.connect_timeout_ms) {
            fail("no connection within " + seconds(timing_.connect_timeout_ms));
        } else if (state_ == state::dumping && now - state_since_ms_ > timing_.dump_timeout_ms) {
            fail("no state dump within " + seconds(timing_.dump_timeout_ms));
        } else if (state_ == state::up && !awaiting_.empty() &&
                   now - awaiting_.front().sent_ms > timing_.answer_timeout_ms) {
            fail("no answer within " + seconds(timing_.answer_timeout_ms));
        } else if (state_ == state::up && awaiting_.empty() &&
                   now - last_sent_ms_ >= timing_.ping_every_ms) {
            awaiting_.push_back({0, 0, now});
            write("PING:\n\n");
        }
        tick();
    });
}

// --- Reading and writing -------------------------------------------------------------

void videohub_link::read() {
    const uint64_t generation = generation_;
    socket_.async_read_some(
        asio::buffer(in_), [this, generation](const error_code& e, std::size_t n) {
            if (generation != generation_) {
                return;
            }
            if (e) {
                fail(e == asio::error::eof ? std::string("the router closed the connection")
                                           : "read failed: " + e.message());
                return;
            }
            reader_.feed(std::string_view(in_.data(), n));
            if (generation == generation_) {
                read();
            }
        });
}

void videohub_link::write(const std::string& bytes) {
    if (out_.size() + bytes.size() > kMaxPendingWrite) {
        fail("the router takes nothing from us (" + std::to_string(out_.size()) +
             " bytes waiting)");
        return;
    }
    out_ += bytes;
    last_sent_ms_ = loop_.now_ms();
    flush();
}

void videohub_link::flush() {
    if (write_busy_ || out_.empty()) {
        return;
    }
    write_busy_ = true;
    writing_.swap(out_);
    out_.clear();
    const uint64_t generation = generation_;
    asio::async_write(socket_, asio::buffer(writing_),
                      [this, generation](const error_code& e, std::size_t) {
                          if (generation != generation_) {
                              return;
                          }
                          write_busy_ = false;
                          if (e) {
                              fail("write failed: " + e.message());
                              return;
                          }
                          flush();
                      });
}

void videohub_link::problem(const std::string& text) {
    ++problems_;
    if (problems_ <= kProblemsShown) {
        note_("router " + std::to_string(mirror_.number()) + " sent something wrong: " + text);
    } else if (problems_ == kProblemsShown + 1) {
        note_("router " + std::to_string(mirror_.number()) +
              ": further problems on this connection are not shown");
    }
}

// --- Crosspoints ---------------------------------------------------------------------

videohub_link::verdict videohub_link::judge(int32_t destination, int32_t source) const {
    if (guard_.read_only) {
        return verdict::read_only;
    }
    if (!guard_.allows(destination)) {
        return verdict::not_allowed;
    }
    if (state_ != state::up) {
        return verdict::link_down;
    }
    if (source < 1 || static_cast<uint32_t>(source) > inputs_ ||
        static_cast<uint32_t>(destination) > outputs_) {
        return verdict::out_of_range;
    }
    const auto lock = locks_.find(destination - 1);
    if (lock != locks_.end() && lock->second == 'L') {
        return verdict::locked;
    }
    return verdict::send;
}

std::string videohub_link::mark(bool crosspoint, int32_t destination, int32_t source) const {
    if (!crosspoint) {
        return state_ == state::up ? "" : "  (lost: router link down)";
    }
    const std::string d = std::to_string(destination);
    switch (judge(destination, source)) {
        case verdict::send:
            return "";
        case verdict::read_only:
            return "  (not sent: read-only)";
        case verdict::not_allowed:
            return "  (refused: destination " + d + " not allowed)";
        case verdict::link_down:
            return "  (lost: router link down)";
        case verdict::out_of_range:
            return "  (refused: source " + std::to_string(source) + " or destination " + d +
                   " not on the router)";
        case verdict::locked:
            return "  (refused: destination " + d + " locked by another client)";
    }
    return "";
}

void videohub_link::take_crosspoint(int32_t destination, int32_t source) {
    switch (judge(destination, source)) {
        case verdict::send:
            send_route(destination, source);
            return;
        case verdict::read_only:
            return;
        case verdict::link_down:
            lost_[destination] = source;
            return;
        case verdict::not_allowed:
            ++guard_.refused;
            return;
        case verdict::out_of_range:
        case verdict::locked:
            ++guard_.refused;
            mirror_.report_held(destination);  // as a router that refuses
            return;
    }
}

void videohub_link::send_route(int32_t destination, int32_t source) {
    awaiting_.push_back({destination, source, loop_.now_ms()});
    ++routes_sent_;
    write("VIDEO OUTPUT ROUTING:\n" + std::to_string(destination - 1) + " " +
          std::to_string(source - 1) + "\n\n");
    if (written_) {
        written_();
    }
}

// After the reconnect dump: each destination's newest lost crosspoint, once, unless
// the router shows that source already or the guard or a lock stops it now.
void videohub_link::send_lost() {
    std::map<int32_t, int32_t> lost;
    lost.swap(lost_);
    for (const auto& [destination, source] : lost) {
        if (mirror_.source_at(destination) == source) {
            note_("router " + std::to_string(mirror_.number()) + " destination " +
                  std::to_string(destination) + " already on source " + std::to_string(source) +
                  ": lost crosspoint not sent again");
            continue;
        }
        if (judge(destination, source) != verdict::send) {
            note_("router " + std::to_string(mirror_.number()) + " lost crosspoint " +
                  std::to_string(source) + " to " + std::to_string(destination) +
                  " dropped:" + mark(true, destination, source));
            continue;
        }
        note_("router " + std::to_string(mirror_.number()) + " sends the crosspoint lost while " +
              "the link was down: source " + std::to_string(source) + " to destination " +
              std::to_string(destination));
        send_route(destination, source);
    }
}

// --- What the router says ------------------------------------------------------------

void videohub_link::take(videohub_message&& message) {
    switch (message.what) {
        case videohub_message::kind::ack:
            take_reply(true);
            return;
        case videohub_message::kind::nak:
            take_reply(false);
            return;
        case videohub_message::kind::block:
            break;
    }
    if (message.header == "VIDEOHUB DEVICE") {
        take_device(message);
    } else if (message.header == "INPUT LABELS") {
        take_labels(message, router::kSources);
    } else if (message.header == "OUTPUT LABELS") {
        take_labels(message, router::kDestinations);
    } else if (message.header == "VIDEO OUTPUT LOCKS") {
        take_locks(message);
    } else if (message.header == "VIDEO OUTPUT ROUTING") {
        take_routing(message);
    }
    // Every other block is someone else's business.
}

void videohub_link::take_reply(bool ack) {
    if (awaiting_.empty()) {
        problem(std::string(ack ? "ACK" : "NAK") + " without a request");
        return;
    }
    const outstanding o = awaiting_.front();
    awaiting_.pop_front();
    if (ack || o.destination == 0) {
        return;
    }
    ++guard_.refused;
    note_("router " + std::to_string(mirror_.number()) + " NAK: source " +
          std::to_string(o.source) + " to destination " + std::to_string(o.destination) +
          " (refused: router said NAK)");
    mirror_.report_held(o.destination);
}

void videohub_link::take_device(const videohub_message& block) {
    for (const auto& line : block.lines) {
        const auto field = videohub_field(line);
        if (!field) {
            continue;
        }
        const bool in = field->first == "Video inputs";
        if (!in && field->first != "Video outputs") {
            if (field->first == "Device present" && field->second != "true") {
                problem("device present: " + excerpt(field->second));
            }
            continue;
        }
        auto count = decimal<uint32_t>(field->second);
        if (!count) {
            problem(field->first + " is not a number: " + excerpt(field->second));
            continue;
        }
        if (*count > kMaxPorts) {
            problem(field->first + " " + std::to_string(*count) + ": kest-host takes at most " +
                    std::to_string(kMaxPorts));
            count = kMaxPorts;
        }
        (in ? inputs_ : outputs_) = *count;
    }
    device_known_ = true;
}

void videohub_link::take_labels(const videohub_message& block, int database) {
    const uint32_t count = database == router::kSources ? inputs_ : outputs_;
    for (const auto& line : block.lines) {
        const auto port = videohub_port_line(line);
        if (!port || port->first >= count) {
            problem("label line " + quoted(excerpt(line)) +
                    (port ? " names a port the router does not have" : " is malformed"));
            continue;
        }
        const int32_t index = static_cast<int32_t>(port->first) + 1;
        const std::string label =
            clean_videohub_label(port->second, KEST_REVERTIVE_TEXT_CAPACITY - 1);
        if (mirror_.name_of(database, index) != label ||
            mirror_.names[database].count(index) == 0) {
            mirror_.rename(database, index, label);
        }
    }
}

void videohub_link::take_locks(const videohub_message& block) {
    for (const auto& line : block.lines) {
        const auto port = videohub_port_line(line);
        const bool known =
            port && (port->second == "O" || port->second == "L" || port->second == "U");
        if (!known || port->first >= outputs_) {
            problem("lock line " + quoted(excerpt(line)) + " is malformed or out of range");
            continue;
        }
        locks_[static_cast<int32_t>(port->first)] = port->second[0];
    }
}

void videohub_link::take_routing(const videohub_message& block) {
    for (const auto& line : block.lines) {
        const auto route = videohub_route_line(line);
        if (!route || route->first >= outputs_ || route->second >= inputs_) {
            problem("routing line " + quoted(excerpt(line)) +
                    (route ? " names a port the router does not have" : " is malformed"));
            continue;
        }
        mirror_.route(static_cast<int32_t>(route->first) + 1,
                      static_cast<int32_t>(route->second) + 1);
    }
    if (state_ == state::dumping) {
        if (!device_known_) {
            problem("routing before the device block: no port counts known");
        }
        state_ = state::up;
        state_since_ms_ = loop_.now_ms();
        backoff_ms_ = timing_.backoff_first_ms;
        note_("router " + std::to_string(mirror_.number()) + " LINK UP: " +
              std::to_string(inputs_) + " inputs, " + std::to_string(outputs_) + " outputs");
        down_since_.clear();
        send_lost();
    }
}

}  // namespace kest_host::live
