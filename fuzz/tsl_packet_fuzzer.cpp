// Fuzzes the TSL UMD tally reader on any bytes: as one datagram, and as a TCP stream
// cut into pieces the input itself chooses.
//
// Besides memory errors it checks what the GPI device relies on:
//   - a rejected datagram says why and leaves the packet it was given untouched;
//   - an accepted one has no more display messages than its bytes can hold, and its
//     texts are valid UTF-8 without control characters;
//   - the unwrapper never hands on a packet over 2048 bytes, and a packet it hands
//     on, wrapped again, unwraps to itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tally/tsl_inputs.h"
#include "tally/tsl_packet.h"

namespace {

[[noreturn]] void fail(const char* what, std::size_t size) {
    std::fprintf(stderr, "tsl_packet: %s (input of %zu bytes)\n", what, size);
    std::abort();
}

bool valid_text(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t n = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 0;
        if (n == 0 || i + n > text.size() || (n == 1 && (c < 0x20 || c == 0x7F))) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

struct collector : kest_host::tsl_stream::sink {
    std::vector<std::vector<uint8_t>> packets;
    std::size_t faults = 0;
    void packet(const uint8_t* data, std::size_t size) override {
        packets.emplace_back(data, data + size);
    }
    void fault(const std::string& why) override {
        faults += why.empty() ? 0 : 1;
        if (why.empty()) {
            std::fprintf(stderr, "tsl_packet: a stream fault without a reason\n");
            std::abort();
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kest_host::tsl_packet packet;
    packet.screen = 4321;
    std::string why;
    if (!kest_host::parse_tsl_datagram(data, size, packet, why)) {
        if (why.empty() || packet.screen != 4321 || !packet.displays.empty()) {
            fail("a rejected datagram gave no reason or changed the packet", size);
        }
    } else {
        if (packet.displays.size() > size / 6 + 1) {
            fail("more display messages than the bytes can hold", size);
        }
        for (const kest_host::tsl_display& d : packet.displays) {
            if (!valid_text(d.text) || d.right > 3 || d.left > 3 || d.text_lamp > 3) {
                fail("a display with a broken text or lamp", size);
            }
        }
        kest_host::tsl_inputs inputs;
        std::vector<kest_host::tsl_change> changes;
        inputs.apply(packet, changes);
        if (changes.size() > kest_host::tsl_inputs::kInputs) {
            fail("more changes than inputs", size);
        }
    }

    // The stream, in pieces whose sizes the first byte chooses.
    const std::size_t piece = size == 0 ? 1 : (data[0] % 31) + 1;
    kest_host::tsl_stream stream;
    collector got;
    for (std::size_t at = 0; at < size; at += piece) {
        stream.feed(data + at, piece < size - at ? piece : size - at, got);
    }
    for (const std::vector<uint8_t>& p : got.packets) {
        if (p.size() > kest_host::kTslMaxPacket || p.size() < 2) {
            fail("the unwrapper handed on a packet of an impossible size", size);
        }
        kest_host::tsl_stream again;
        collector back;
        const std::vector<uint8_t> wrapped = kest_host::wrap_tsl_packet(p);
        again.feed(wrapped.data(), wrapped.size(), back);
        if (back.packets.size() != 1 || back.packets[0] != p || back.faults != 0) {
            fail("a packet wrapped again does not unwrap to itself", size);
        }
        kest_host::tsl_packet parsed;
        kest_host::parse_tsl_v5(p.data(), p.size(), parsed, why);
    }
    return 0;
}
