// Text from the plug-in, the scenario or the layout made fit for a report file.
//
// Both report formats carry any Unicode text, but neither can carry every byte: XML 1.0
// has no way at all to write most control characters, and invalid UTF-8 makes a file
// that a strict reader refuses. Every text a report writes passes through here first.
#pragma once

#include <string>
#include <string_view>

namespace kest_host::report {

// Returns `text` as valid UTF-8 that XML 1.0 and HTML can carry, keeping everything
// that is already fine and marking what is not, visibly:
//   - C0 control bytes other than tab, LF and CR, and DEL, become "\xHH" (e.g. \x1B);
//   - C1 control characters (U+0080 to U+009F) become "\uHHHH";
//   - invalid UTF-8 (stray continuation bytes, overlong forms, encoded surrogates,
//     code points past U+10FFFF, cut sequences) becomes U+FFFD, one for each longest
//     valid beginning of a sequence (the usual practice), and so do the
//     non-characters U+FFFE and U+FFFF.
std::string readable_text(std::string_view text);

}  // namespace kest_host::report
