#include "scenario/scenario_file.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include "common/diagnostic.h"
#include "common/input_file.h"
#include "common/printable.h"

namespace kest_host {

namespace {

enum class line_status { line, end, too_long };

// One line without its "\n"; stops reading at the limit, so that input without a
// line break (a device such as /dev/zero) is never held whole.
line_status read_line(std::streambuf& in, std::size_t limit, std::string& text,
                      std::size_t& consumed) {
    text.clear();
    for (;;) {
        const auto c = in.sbumpc();
        if (c == std::char_traits<char>::eof()) {
            return text.empty() && consumed == 0 ? line_status::end : line_status::line;
        }
        ++consumed;
        if (c == '\n') {
            return line_status::line;
        }
        if (text.size() == limit) {
            return line_status::too_long;
        }
        text += static_cast<char>(c);
    }
}

}  // namespace

bool parse_scenario_stream(std::istream& in, const std::string& file, scenario& out,
                           std::string& error, const scenario_limits& limits) {
    out = scenario{};
    out.file = file;
    std::streambuf* buffer = in.rdbuf();
    std::size_t total = 0;
    std::string text;
    file_errors errors(file.substr(0, 200));
    // Every malformed line is reported; a line or file past its limit ends the reading.
    const auto stop = [&](const std::string& why) {
        errors.add(why);
        error = errors.text();
        return false;
    };
    const auto end = [&] {
        error = errors.text();
        return !errors.any();
    };
    for (int line = 1;; ++line) {
        std::size_t consumed = 0;
        const line_status status = read_line(*buffer, limits.line, text, consumed);
        const std::string where = error_at(file.substr(0, 200), line);
        if (status == line_status::end) {
            return end();
        }
        if (status == line_status::too_long) {
            return stop(where + "the line is longer than " + std::to_string(limits.line) +
                        " bytes; a line may hold at most " + std::to_string(limits.line) +
                        " bytes");
        }
        total += consumed;
        if (total > limits.file) {
            return stop(where + "the file is larger than " + std::to_string(limits.file) +
                        " bytes; a scenario file may hold at most " + std::to_string(limits.file) +
                        " bytes");
        }
        if (line == 1) {
            drop_byte_order_mark(text);
        }
        static const scenario_values kNone;
        std::string why;
        std::optional<step> s;
        if (!substitute_values(text, limits.values != nullptr ? *limits.values : kNone, why)) {
            if (!errors.add(where + why)) {
                return end();
            }
        } else if (!parse_scenario_line(text, file, line, s, why)) {
            if (!errors.add(why)) {
                return end();
            }
        } else if (s) {
            out.steps.push_back(std::move(*s));
        }
        if (buffer->sgetc() == std::char_traits<char>::eof()) {
            return end();
        }
    }
}

bool read_scenario_file(const std::string& path, scenario& out, std::string& error,
                        const scenario_limits& limits) {
    if (path.empty()) {
        error =
            "the scenario file name is empty; name a scenario file, or give none for the "
            "built-in demo";
        return false;
    }
    input_limits file_limits;
    file_limits.file = limits.file;
    std::string content;
    if (!read_input_file(path, "scenario", content, error, file_limits)) {
        return false;
    }
    std::istringstream in(content);
    return parse_scenario_stream(in, path, out, error, limits);
}

}  // namespace kest_host
