// Fuzzes the layout file parser on any file content.
//
// Besides memory errors it checks what the panel model and the renderer rely on, for
// every layout it accepts:
//   - at least one control; ids unique, non-empty and without blanks or line ends;
//   - the kind one of the four; column and row 0 to 9999, width 1 to 9999;
//   - the text on one line, without blanks at either end.
// A content it refuses gives "<file>:" at the start of its message.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "panel/layout.h"

namespace {

const char kFile[] = "fuzz.kest_ui";

[[noreturn]] void fail(const char* what, const std::string& content) {
    std::fprintf(stderr, "layout_parser: %s (content of %zu bytes)\n", what, content.size());
    std::abort();
}

bool in_grid(int value, int low) {
    return value >= low && value <= 9999;
}

bool has_blank_end(const std::string& text) {
    return !text.empty() && (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' ||
                             text.back() == '\t');
}

void check(const kest_host::layout& parsed, const std::string& content) {
    if (parsed.controls.empty() || parsed.file != kFile) {
        fail("an accepted layout without controls or its file name", content);
    }
    std::set<std::string> ids;
    for (const kest_host::layout_control& control : parsed.controls) {
        if (control.id.empty() || control.id.find_first_of(" \t\r\n") != std::string::npos ||
            !ids.insert(control.id).second) {
            fail("an id that is empty, holds a blank or is used twice", content);
        }
        if (control.kind != "caption" && control.kind != "label" && control.kind != "button" &&
            control.kind != "indicator") {
            fail("an unknown kind", content);
        }
        if (!in_grid(control.column, 0) || !in_grid(control.row, 0) || !in_grid(control.width, 1)) {
            fail("a column, row or width outside the grid", content);
        }
        if (control.text.find('\n') != std::string::npos || has_blank_end(control.text)) {
            fail("a text over two lines or with blanks at an end", content);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    kest_host::layout parsed;
    std::string error;
    if (kest_host::parse_layout(content, kFile, parsed, error)) {
        check(parsed, content);
    } else if (error.compare(0, sizeof kFile - 1, kFile) != 0) {
        fail("a refusal that does not name the file", content);
    }
    return 0;
}
