#include "panel/layout.h"

#include <set>
#include <sstream>

#include "common/input_file.h"
#include "common/numbers.h"
#include "common/printable.h"

namespace kest_host {

namespace {

// A grid number: digits only, 0 to 9999.
bool small_number(const std::string& word, int& value) {
    constexpr int kLargest = 9999;
    if (word.empty() || word.size() > 4 || word[0] == '-') {
        return false;
    }
    int parsed = 0;
    if (parse_decimal(word, parsed) != number_status::ok || parsed > kLargest) {
        return false;
    }
    value = parsed;
    return true;
}

// Reads one control line; false with `error` (after `where`) when it is malformed.
bool parse_control(const std::string& line, const std::string& where, layout_control& control,
                   std::string& error) {
    std::istringstream fields(line);
    std::string column, row, width;
    if (!(fields >> control.id >> control.kind)) {
        error = where + "expected an id and a kind";
        return false;
    }
    if (control.kind != "caption" && control.kind != "label" && control.kind != "button" &&
        control.kind != "indicator") {
        error = where + "expected a kind (caption, label, button or indicator), not \"" +
                control.kind + "\"";
        return false;
    }
    if (!(fields >> column >> row >> width) || !small_number(column, control.column) ||
        !small_number(row, control.row) || !small_number(width, control.width) ||
        control.width == 0) {
        error =
            where + "expected column, row and width as numbers from 0 to 9999 (width 1 or more)";
        return false;
    }
    std::getline(fields, control.text);
    const auto start = control.text.find_first_not_of(" \t");
    control.text = start == std::string::npos ? "" : control.text.substr(start);
    const auto end = control.text.find_last_not_of(" \t");
    control.text = control.text.substr(0, end == std::string::npos ? 0 : end + 1);
    return true;
}

}  // namespace

bool parse_layout(const std::string& content, const std::string& file_name, layout& out,
                  std::string& error) {
    out = layout{};
    out.file = file_name;
    std::set<std::string> ids;
    std::string text = content;
    drop_byte_order_mark(text);
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        const std::string where = file_name + ":" + std::to_string(number) + ": ";
        layout_control control;
        if (!parse_control(line, where, control, error)) {
            return false;
        }
        if (!ids.insert(control.id).second) {
            error = where + "control id \"" + control.id + "\" is already used";
            return false;
        }
        out.controls.push_back(control);
    }
    if (out.controls.empty()) {
        error = file_name + ": holds no controls";
        return false;
    }
    return true;
}

bool read_layout(const std::string& file_name, layout& out, std::string& error) {
    std::string content;
    if (!read_input_file(file_name, "layout", content, error)) {
        return false;
    }
    if (const std::size_t line = first_long_line(content, input_limits::kLine)) {
        error = excerpt(file_name) + ":" + std::to_string(line) + ": the line is longer than " +
                std::to_string(input_limits::kLine) + " bytes; a line may hold at most " +
                std::to_string(input_limits::kLine) + " bytes";
        return false;
    }
    return parse_layout(content, file_name, out, error);
}

}  // namespace kest_host
