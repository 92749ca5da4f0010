#include "tally/tsl_feed.h"

namespace kest_host {

namespace {

// One wrapped packet that fills the whole datagram, unwrapped.
struct one_packet : tsl_stream::sink {
    std::vector<uint8_t> data;
    int packets = 0;
    void packet(const uint8_t* p, std::size_t size) override {
        ++packets;
        data.assign(p, p + size);
    }
    void fault(const std::string&) override { packets = 2; }
};

bool unwrap_datagram(const uint8_t* data, std::size_t size, std::vector<uint8_t>& out) {
    if (size < 2 || data[0] != 0xFE || data[1] != 0x02 || size > 2 * kTslMaxPacket + 2) {
        return false;
    }
    tsl_stream stream;
    one_packet got;
    stream.feed(data, size, got);
    if (got.packets != 1 || stream.inside_packet() || stream.skipped() != 0) {
        return false;
    }
    out = std::move(got.data);
    return true;
}

}  // namespace

void tsl_feed::datagram(const uint8_t* data, std::size_t size, const std::string& source,
                        tsl_clock::time_point now) {
    std::string why;
    if (parse_tsl_datagram(data, size, packet_, why)) {
        apply(packet_, source, now);
        return;
    }
    std::vector<uint8_t> unwrapped;
    std::string unused;
    if (unwrap_datagram(data, size, unwrapped) &&
        parse_tsl_v5(unwrapped.data(), unwrapped.size(), packet_, unused)) {
        apply(packet_, source, now);
        return;
    }
    reject(why, source, now);
}

void tsl_feed::stream_packet(const uint8_t* data, std::size_t size, const std::string& source,
                             tsl_clock::time_point now) {
    std::string why;
    if (parse_tsl_v5(data, size, packet_, why)) {
        apply(packet_, source, now);
    } else {
        reject(why, source, now);
    }
}

void tsl_feed::stream_fault(const std::string& why, const std::string& source,
                            tsl_clock::time_point now) {
    reject(why, source, now);
}

void tsl_feed::apply(const tsl_packet& packet, const std::string& source,
                     tsl_clock::time_point now) {
    heard_ = true;
    last_ = now;
    ++counters_.packets;
    counters_.displays += packet.displays.size();
    counters_.control += packet.control_messages + (packet.screen_control ? 1 : 0);
    changes_.clear();
    inputs_.apply(packet, changes_);
    for (const tsl_change& change : changes_) {
        ++counters_.changes;
        sink_.input_changed(change.input, change.high, source);
    }
}

void tsl_feed::reject(const std::string& why, const std::string& source,
                      tsl_clock::time_point now) {
    ++counters_.rejected;
    if (now - window_ >= std::chrono::seconds(1)) {
        if (unremarked_ != 0) {
            sink_.remark("TSL: " + std::to_string(unremarked_) +
                         " more packets rejected without a remark");
        }
        window_ = now;
        remarks_in_window_ = 0;
        unremarked_ = 0;
    }
    if (remarks_in_window_ < kRemarksPerSecond) {
        ++remarks_in_window_;
        sink_.remark("TSL packet from " + source + " rejected: " + why);
    } else {
        ++unremarked_;
    }
}

std::string tsl_feed::last_packet(tsl_clock::time_point now) const {
    if (!heard_) {
        return "no packet yet";
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - last_).count();
    return "last packet " + std::to_string(seconds) + " s ago";
}

std::string tsl_feed::summary() const {
    std::string out = std::to_string(counters_.packets) + " packets, " +
                      std::to_string(counters_.rejected) + " rejected, " +
                      std::to_string(counters_.changes) + " input changes";
    if (counters_.skipped_bytes != 0) {
        out += ", " + std::to_string(counters_.skipped_bytes) + " bytes outside any wrapper";
    }
    return out;
}

}  // namespace kest_host
