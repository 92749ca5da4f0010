// One TSL GPI device's feed: the packets that reach it, from whichever socket, read,
// counted and applied to its inputs. It knows nothing of sockets or the event loop;
// the listeners (tsl_listener.h) hand it bytes with their source and arrival time.
//
// A packet that cannot be read changes nothing and is counted; the first few in
// each second are also remarked on, with the reason and the source, so that a
// flood of garbage cannot flood the trace.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "tally/tsl_inputs.h"
#include "tally/tsl_packet.h"

namespace kest_host {

using tsl_clock = std::chrono::steady_clock;

// Where a feed's results go.
class tsl_feed_sink {
  public:
    virtual ~tsl_feed_sink() = default;
    // Input 1 to 8 changed; `source` is the sender ("127.0.0.1:50312").
    virtual void input_changed(int input, bool high, const std::string& source) = 0;
    // A remark for the trace.
    virtual void remark(const std::string& text) = 0;
};

struct tsl_counters {
    uint64_t packets = 0;        // read and applied
    uint64_t rejected = 0;       // could not be read (datagrams and stream packets)
    uint64_t displays = 0;       // display messages applied
    uint64_t control = 0;        // control data messages and screen control packets
    uint64_t changes = 0;        // input changes reported
    uint64_t skipped_bytes = 0;  // stream bytes outside any wrapper
};

class tsl_feed {
  public:
    // Remarks about rejected packets in one second, at most.
    static constexpr int kRemarksPerSecond = 5;

    explicit tsl_feed(tsl_feed_sink& sink) : sink_(sink) {}

    tsl_inputs& inputs() { return inputs_; }
    const tsl_inputs& inputs() const { return inputs_; }
    const tsl_counters& counters() const { return counters_; }

    // A UDP datagram, either version; a version 5.0 packet in its stream wrapper is
    // taken too, as some senders wrap on UDP as well.
    void datagram(const uint8_t* data, std::size_t size, const std::string& source,
                  tsl_clock::time_point now);
    // A version 5.0 packet unwrapped from a stream.
    void stream_packet(const uint8_t* data, std::size_t size, const std::string& source,
                       tsl_clock::time_point now);
    // A stream packet given up by the unwrapper.
    void stream_fault(const std::string& why, const std::string& source, tsl_clock::time_point now);
    void count_skipped(uint64_t bytes) { counters_.skipped_bytes += bytes; }
    // A remark of the device's sockets (senders coming and going) for the trace.
    void remark(const std::string& text) { sink_.remark(text); }

    // "last packet 42 s ago" (or "no packet yet"), for the devices line.
    std::string last_packet(tsl_clock::time_point now) const;
    // "1200 packets, 3 rejected, 14 input changes"
    std::string summary() const;

  private:
    void apply(const tsl_packet& packet, const std::string& source, tsl_clock::time_point now);
    void reject(const std::string& why, const std::string& source, tsl_clock::time_point now);

    tsl_feed_sink& sink_;
    tsl_inputs inputs_;
    tsl_counters counters_;
    tsl_packet packet_;
    std::vector<tsl_change> changes_;
    bool heard_ = false;
    tsl_clock::time_point last_{};
    tsl_clock::time_point window_{};
    int remarks_in_window_ = 0;
    uint64_t unremarked_ = 0;
};

}  // namespace kest_host
