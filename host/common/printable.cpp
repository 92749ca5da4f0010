#include "common/printable.h"

namespace kest_host {

namespace {

// The length of the sequence a lead byte starts, and the bits it carries.
int sequence_length(unsigned char lead, char32_t& bits) {
    if (lead < 0x80) {
        bits = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        bits = lead & 0x1FU;
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        bits = lead & 0x0FU;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        bits = lead & 0x07U;
        return 4;
    }
    return 0;
}

// The smallest value each length may carry (shorter forms are overlong).
constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};

bool is_control(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

}  // namespace

bool next_utf8(const std::string& text, std::size_t& i, char32_t& code) {
    char32_t value = 0;
    const int length = sequence_length(static_cast<unsigned char>(text[i]), value);
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
        return false;
    }
    for (int k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((c & 0xC0U) != 0x80U) {
            return false;
        }
        value = (value << 6U) | (c & 0x3FU);
    }
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    code = value;
    i += static_cast<std::size_t>(length);
    return true;
}

std::string printable(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        char32_t code = 0;
        if (next_utf8(text, i, code) && !is_control(code)) {
            out.append(text, start, i - start);
            continue;
        }
        for (std::size_t k = start; k < (i == start ? start + 1 : i); ++k) {
            const auto c = static_cast<unsigned char>(text[k]);
            out += "\\x";
            out += kHex[c >> 4U];
            out += kHex[c & 15U];
        }
        i = i == start ? start + 1 : i;
    }
    return out;
}

std::string quoted(const std::string& text) {
    return "\"" + printable(text) + "\"";
}

std::string excerpt(const std::string& text) {
    if (text.size() <= kExcerpt) {
        return printable(text);
    }
    std::size_t cut = 0;
    std::size_t i = 0;
    char32_t code = 0;
    while (i < kExcerpt) {
        if (!next_utf8(text, i, code)) {
            ++i;  // a stray byte is escaped on its own
        }
        if (i <= kExcerpt) {
            cut = i;
        }
    }
    return printable(text.substr(0, cut)) + "...";
}

}  // namespace kest_host
