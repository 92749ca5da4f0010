// How wide a text is on a terminal, and how to cut it to a width: UTF-8 characters
// are kept whole, East Asian wide characters take two columns, combining marks none.
#pragma once

#include <cstddef>
#include <string>

namespace kest_host {

// Columns one character takes: 0, 1 or 2.
int char_width(char32_t code);

// Columns a printable() text takes.
std::size_t display_width(const std::string& text);

// The text cut to at most `width` columns at a character boundary; a cut text ends
// with `marker` (one column wide) in its last column.
std::string fit_width(const std::string& text, std::size_t width, const std::string& marker);

}  // namespace kest_host
