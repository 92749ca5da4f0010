// Builds TSL packets from their published layout, independently of the parser.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tsl_test {

using bytes = std::vector<uint8_t>;

inline void put16(bytes& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

struct message {
    unsigned index = 0;
    unsigned control = 0;
    bytes data;
};

inline bytes text_bytes(const std::string& text) {
    return bytes(text.begin(), text.end());
}

// Control word from lamps: right, text, left (each 0 off, 1 red, 2 green, 3 amber).
inline unsigned lamps(unsigned right, unsigned text, unsigned left, unsigned brightness = 3) {
    return right | (text << 2) | (left << 4) | (brightness << 6);
}

inline message display(unsigned index, unsigned control, const std::string& text = "CAM") {
    return {index, control, text_bytes(text)};
}

// A version 5.0 packet with a correct byte count.
inline bytes v5(const std::vector<message>& messages, unsigned screen = 0, unsigned flags = 0) {
    bytes body;
    body.push_back(0);  // version
    body.push_back(static_cast<uint8_t>(flags));
    put16(body, screen);
    for (const message& m : messages) {
        put16(body, m.index);
        put16(body, m.control);
        put16(body, static_cast<unsigned>(m.data.size()));
        body.insert(body.end(), m.data.begin(), m.data.end());
    }
    bytes out;
    put16(out, static_cast<unsigned>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A version 3.1 packet: address 0..126, tallies in bits 0-3, brightness 0..3.
inline bytes v31(unsigned address, unsigned tallies, unsigned brightness = 3,
                 std::string text = "CAM") {
    text.resize(16, ' ');
    // Sized once and filled by index: GCC 12 at -O3 takes an insert into the two-byte
    // vector for a write out of bounds (-Warray-bounds), which is not so.
    bytes out(2 + text.size());
    out[0] = static_cast<uint8_t>(0x80 + address);
    out[1] = static_cast<uint8_t>(tallies | (brightness << 4));
    for (std::size_t i = 0; i < text.size(); ++i) {
        out[2 + i] = static_cast<uint8_t>(text[i]);
    }
    return out;
}

}  // namespace tsl_test
