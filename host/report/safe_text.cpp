#include "report/safe_text.h"

#include <cstdint>

namespace kest_host::report {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
constexpr char kHex[] = "0123456789ABCDEF";

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of `text` and its code point.
// When it is not valid, returns 0 and sets `bad` to the length of its longest valid
// beginning (at least 1): the bytes one replacement character stands for. The ranges
// of the second byte rule out overlong forms, surrogates and code points past
// U+10FFFF.
std::size_t decode(std::string_view text, uint32_t& code, std::size_t& bad) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = b(0);
    bad = 1;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const bool ok =
            i < text.size() && (i == 1 ? b(i) >= low && b(i) <= high : continuation(b(i)));
        if (!ok) {
            bad = i;
            return 0;
        }
        code = (code << 6) | (b(i) & 0x3Fu);
    }
    return length;
}

void append_escape(std::string& out, const char* prefix, uint32_t code, int digits) {
    out += prefix;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out += kHex[(code >> shift) & 15u];
    }
}

}  // namespace

std::string readable_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        uint32_t code = 0;
        std::size_t bad = 1;
        std::size_t length = decode(text, code, bad);
        if (length == 0) {
            length = bad;
            out += kReplacement;
        } else if ((code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0x7F) {
            append_escape(out, "\\x", code, 2);
        } else if (code >= 0x80 && code <= 0x9F) {
            append_escape(out, "\\u", code, 4);
        } else if (code == 0xFFFE || code == 0xFFFF) {
            out += kReplacement;
        } else {
            out.append(text.data(), length);
        }
        text.remove_prefix(length);
    }
    return out;
}

}  // namespace kest_host::report
