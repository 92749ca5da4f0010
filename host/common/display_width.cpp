#include "common/display_width.h"

#include "common/printable.h"

namespace kest_host {

namespace {

struct range {
    char32_t first;
    char32_t last;
};

// Combining marks and format characters that take no column of their own.
constexpr range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
    {0x064B, 0x065F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
};

// East Asian wide and fullwidth characters, and the emoji blocks.
constexpr range kWide[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
    {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

template <std::size_t N>
bool within(const range (&table)[N], char32_t code) {
    for (const auto& r : table) {
        if (code >= r.first && code <= r.last) {
            return true;
        }
    }
    return false;
}

}  // namespace

int char_width(char32_t code) {
    if (within(kZeroWidth, code)) {
        return 0;
    }
    return within(kWide, code) ? 2 : 1;
}

std::size_t display_width(const std::string& text) {
    std::size_t width = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t code = 0;
        if (!next_utf8(text, i, code)) {
            ++i;
            code = '?';
        }
        width += static_cast<std::size_t>(char_width(code));
    }
    return width;
}

std::string fit_width(const std::string& text, std::size_t width, const std::string& marker) {
    if (display_width(text) <= width) {
        return text;
    }
    if (width == 0) {
        return "";
    }
    std::string out;
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        char32_t code = 0;
        if (!next_utf8(text, i, code)) {
            i = start + 1;
            code = '?';
        }
        const auto w = static_cast<std::size_t>(char_width(code));
        if (used + w > width - 1) {
            break;
        }
        out.append(text, start, i - start);
        used += w;
    }
    return out + marker;
}

}  // namespace kest_host
