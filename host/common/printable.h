// Texts made safe for the terminal: everything kest-host prints that came from a
// file, the plug-in or the devices goes through printable().
#pragma once

#include <cstddef>
#include <string>

namespace kest_host {

// Decodes the UTF-8 character at `i` into `code` and moves `i` past it. False (and
// `i` unchanged) for a byte that does not start a well-formed character: a stray
// continuation byte, an overlong form, a surrogate, a value past U+10FFFF, 0xFE, 0xFF
// or a sequence cut short.
bool next_utf8(const std::string& text, std::size_t& i, char32_t& code);

// Control characters (C0, DEL, C1) and bytes that are not well-formed UTF-8 become
// \xHH, one per byte; every other character is kept as it is, so UTF-8 text stays
// readable while nothing can move the cursor or change the terminal.
std::string printable(const std::string& text);

// printable() in double quotes.
std::string quoted(const std::string& text);

// At most kExcerpt bytes of a text, cut at a character boundary and marked "..."
// when cut, made printable: how messages echo what they reject.
constexpr std::size_t kExcerpt = 200;
std::string excerpt(const std::string& text);

}  // namespace kest_host
