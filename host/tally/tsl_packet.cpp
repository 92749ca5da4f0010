#include "tally/tsl_packet.h"

namespace kest_host {

namespace {

constexpr uint8_t kDle = 0xFE;
constexpr uint8_t kStx = 0x02;
constexpr std::size_t kV31Size = 18;
constexpr std::size_t kV5Header = 6;    // pbc ver flags screen
constexpr std::size_t kDmsgHeader = 6;  // index control length
constexpr uint16_t kControlData = 0x8000;

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void put_utf8(uint32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

constexpr uint32_t kReplacement = 0xFFFD;

bool is_control(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

// ASCII text: bytes above 0x7E and control bytes become U+FFFD.
std::string ascii_text(const uint8_t* p, std::size_t n) {
    std::string out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const uint32_t c = p[i];
        put_utf8(c >= 0x80 || is_control(c) ? kReplacement : c, out);
    }
    return out;
}

// UTF-16LE text (n even): unpaired surrogates and control characters become U+FFFD.
std::string utf16_text(const uint8_t* p, std::size_t n) {
    std::string out;
    out.reserve(n);
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        uint32_t c = le16(p + i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < n) {
            const uint32_t low = le16(p + i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if ((c >= 0xD800 && c < 0xE000) || is_control(c)) {
            c = kReplacement;
        }
        put_utf8(c, out);
    }
    return out;
}

std::string hex(unsigned value) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "0x";
    out += digits[(value >> 4) & 0xF];
    out += digits[value & 0xF];
    return out;
}

bool parse_v31(const uint8_t* data, tsl_packet& out, std::string& why) {
    if (data[0] == 0xFF) {
        why = "version 3.1 address 127 is out of range (0 to 126)";
        return false;
    }
    if ((data[1] & 0x80) != 0) {
        why = "version 3.1 control byte " + hex(data[1]) + " has bit 7 set";
        return false;
    }
    tsl_packet packet;
    packet.version = 3;
    tsl_display d;
    d.index = static_cast<uint16_t>(data[0] - 0x80);
    d.tallies = data[1] & 0x0F;
    d.brightness = (data[1] >> 4) & 0x03;
    d.text = ascii_text(data + 2, kV31Size - 2);
    packet.displays.push_back(std::move(d));
    out = std::move(packet);
    return true;
}

bool all_zero(const uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
}

// Reads the display message at `pos` (moved past it), or takes zero bytes too short
// for a message as padding.
bool read_message(const uint8_t* data, std::size_t end, bool utf16, std::size_t& pos,
                  tsl_packet& packet, std::string& why) {
    if (end - pos < kDmsgHeader) {
        if (!all_zero(data + pos, end - pos)) {
            why = "message cut short: " + std::to_string(end - pos) + " bytes left at offset " +
                  std::to_string(pos);
            return false;
        }
        packet.padding += end - pos;
        pos = end;
        return true;
    }
    const uint16_t index = le16(data + pos);
    const uint16_t control = le16(data + pos + 2);
    const std::size_t length = le16(data + pos + 4);
    pos += kDmsgHeader;
    if (length > end - pos) {
        why = "message for display " + std::to_string(index) + " cut short: length " +
              std::to_string(length) + ", " + std::to_string(end - pos) + " bytes left";
        return false;
    }
    if ((control & kControlData) != 0) {
        ++packet.control_messages;
        pos += length;
        return true;
    }
    if (utf16 && length % 2 != 0) {
        why = "UTF-16LE text of display " + std::to_string(index) + " has an odd length " +
              std::to_string(length);
        return false;
    }
    tsl_display d;
    d.screen = packet.screen;
    d.index = index;
    d.right = control & 0x03;
    d.text_lamp = (control >> 2) & 0x03;
    d.left = (control >> 4) & 0x03;
    d.brightness = (control >> 6) & 0x03;
    d.text = utf16 ? utf16_text(data + pos, length) : ascii_text(data + pos, length);
    packet.displays.push_back(std::move(d));
    pos += length;
    return true;
}

}  // namespace

bool parse_tsl_v5(const uint8_t* data, std::size_t size, tsl_packet& out, std::string& why) {
    if (size < kV5Header) {
        why = "packet of " + std::to_string(size) + " bytes is shorter than a header (6)";
        return false;
    }
    if (size > kTslMaxPacket) {
        why = "packet of " + std::to_string(size) + " bytes is over 2048";
        return false;
    }
    const std::size_t count = le16(data);
    if (count + 2 > size) {
        why = "packet cut short: byte count " + std::to_string(count) + ", " +
              std::to_string(size - 2) + " bytes follow";
        return false;
    }
    if (count < kV5Header - 2) {
        why = "byte count " + std::to_string(count) + " is shorter than a header (4)";
        return false;
    }
    tsl_packet packet;
    packet.version = 5;
    const uint8_t flags = data[3];
    const bool utf16 = (flags & 0x01) != 0;
    packet.screen = le16(data + 4);
    packet.padding = size - (count + 2);
    const std::size_t end = count + 2;
    if ((flags & 0x02) != 0) {
        packet.screen_control = true;
        out = std::move(packet);
        return true;
    }
    for (std::size_t pos = kV5Header; pos < end;) {
        if (!read_message(data, end, utf16, pos, packet, why)) {
            return false;
        }
    }
    out = std::move(packet);
    return true;
}

bool parse_tsl_datagram(const uint8_t* data, std::size_t size, tsl_packet& out, std::string& why) {
    if (size == kV31Size && (data[0] & 0x80) != 0) {
        return parse_v31(data, out, why);
    }
    return parse_tsl_v5(data, size, out, why);
}

void tsl_stream::feed(const uint8_t* data, std::size_t size, sink& out) {
    for (std::size_t i = 0; i < size; ++i) {
        take(data[i], out);
    }
}

void tsl_stream::take(uint8_t byte, sink& out) {
    switch (state_) {
        case state::hunt:
        case state::hunt_dle:
            hunt(byte);
            return;
        case state::packet:
            if (byte == kDle) {
                state_ = state::packet_dle;
                return;
            }
            break;
        case state::packet_dle:
            if (byte == kStx) {
                out.fault("packet cut short by the next DLE STX after " +
                          std::to_string(buffer_.size()) + " bytes");
                buffer_.clear();
                state_ = state::packet;
                return;
            }
            if (byte != kDle) {
                out.fault("DLE followed by " + hex(byte) + " inside a packet");
                buffer_.clear();
                state_ = state::hunt;
                ++skipped_;
                return;
            }
            state_ = state::packet;
            break;
    }
    append(byte, out);
}

void tsl_stream::hunt(uint8_t byte) {
    if (state_ == state::hunt) {
        if (byte == kDle) {
            state_ = state::hunt_dle;
        } else {
            ++skipped_;
        }
        return;
    }
    if (byte == kStx) {
        buffer_.clear();
        state_ = state::packet;
        return;
    }
    // The DLE was not a start (skipped); a DLE now may be one.
    ++skipped_;
    if (byte != kDle) {
        ++skipped_;
        state_ = state::hunt;
    }
}

void tsl_stream::append(uint8_t byte, sink& out) {
    buffer_.push_back(byte);
    if (buffer_.size() < 2) {
        return;
    }
    const std::size_t whole = le16(buffer_.data()) + std::size_t{2};
    if (whole > kTslMaxPacket) {
        out.fault("byte count " + std::to_string(whole - 2) + " is over 2046");
        buffer_.clear();
        state_ = state::hunt;
        return;
    }
    if (buffer_.size() == whole) {
        out.packet(buffer_.data(), buffer_.size());
        buffer_.clear();
        state_ = state::hunt;
    }
}

std::vector<uint8_t> wrap_tsl_packet(const std::vector<uint8_t>& packet) {
    std::vector<uint8_t> out{kDle, kStx};
    for (uint8_t byte : packet) {
        out.push_back(byte);
        if (byte == kDle) {
            out.push_back(kDle);
        }
    }
    return out;
}

}  // namespace kest_host
