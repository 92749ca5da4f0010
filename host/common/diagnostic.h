// How kest-host words an error, the way compilers do, so that an editor can jump to
// it: "FILE:LINE: error: WHAT; SUGGESTION" when it has a place in a file, and
// "kest-host: error: WHAT" when it has none.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace kest_host {

// "FILE:LINE: error: " for an error found at `line` of `file` (printable).
std::string error_at(const std::string& file, int line);

// Prints an error of one or more lines (one a malformed line of a file): each line
// that names its place as it is, any other after "kest-host: error: ". Control bytes
// are escaped.
void print_error(std::ostream& out, const std::string& error);

// "1 expectation", "2 expectations": `word` in the plural, made with an "s", unless
// `count` is 1.
std::string counted(uint64_t count, const std::string& word);

}  // namespace kest_host
