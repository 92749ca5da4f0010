#include "common/printable.h"

namespace kest_host {

std::string printable(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const unsigned char c : text) {
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string quoted(const std::string& text) {
    return "\"" + printable(text) + "\"";
}

}  // namespace kest_host
