// Reading a panel layout file (.kest_ui).
//
//   file    = *( line LF )
//   line    = blank / comment / control
//   comment = *WSP "#" *any
//   control = id 1*WSP kind 1*WSP column 1*WSP row 1*WSP width [ 1*WSP text ]
//   kind    = "caption" / "label" / "button" / "indicator"
//   column, row, width = 1*DIGIT (0 to 9999; width at least 1)
//
// Ids are unique within a file; the text is the rest of the line, trailing blanks
// removed.
#pragma once

#include <string>
#include <vector>

namespace kest_host {

struct layout_control {
    std::string id;
    std::string kind;
    int column = 0;
    int row = 0;
    int width = 0;
    std::string text;
};

struct layout {
    std::string file;
    std::vector<layout_control> controls;
};

// Parses the content of a layout file. On failure returns false and sets `error` to
// "<file>:<line>: <what was expected>".
bool parse_layout(const std::string& content, const std::string& file_name, layout& out,
                  std::string& error);

// Reads and parses the file. A file that cannot be opened gives "cannot read <file>".
bool read_layout(const std::string& file_name, layout& out, std::string& error);

}  // namespace kest_host
