// An independent check that a written report holds only what XML 1.0 allows: valid
// UTF-8, and only the characters of its Char production (no C0 control but tab, LF
// and CR; no surrogates; no U+FFFE or U+FFFF). pugixml does not check this when it
// parses, so the tests do.
#pragma once

#include <cstdint>
#include <string>

namespace kest_host::report::test {

// Empty when `text` is clean, else what is wrong and at which byte.
inline std::string xml_char_fault(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned char lead = b(i);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || i + length > text.size()) {
            return "invalid UTF-8 at byte " + std::to_string(i);
        }
        uint32_t code = length == 1 ? lead : lead & (0xFFu >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) {
            if ((b(i + k) & 0xC0) != 0x80) {
                return "invalid UTF-8 at byte " + std::to_string(i);
            }
            code = (code << 6) | (b(i + k) & 0x3Fu);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return "invalid UTF-8 at byte " + std::to_string(i);
        }
        if ((code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0xFFFE ||
            code == 0xFFFF) {
            return "character U+" + std::to_string(code) + " at byte " + std::to_string(i);
        }
        i += length;
    }
    return "";
}

}  // namespace kest_host::report::test
