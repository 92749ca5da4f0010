// Texts made safe for a trace line or a message.
#pragma once

#include <string>

namespace kest_host {

// Bytes outside ASCII 32..126 become \xHH.
std::string printable(const std::string& text);

// printable() in double quotes.
std::string quoted(const std::string& text);

}  // namespace kest_host
