#include "scenario/scenario_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

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

std::string describe(const std::string& file) {
    return printable(file.substr(0, 200));
}

}  // namespace

bool parse_scenario_stream(std::istream& in, const std::string& file, scenario& out,
                           std::string& error, const scenario_limits& limits) {
    out = scenario{};
    out.file = file;
    std::streambuf* buffer = in.rdbuf();
    std::size_t total = 0;
    std::string text;
    for (int line = 1;; ++line) {
        std::size_t consumed = 0;
        const line_status status = read_line(*buffer, limits.line, text, consumed);
        const std::string where = describe(file) + ":" + std::to_string(line) + ": ";
        if (status == line_status::end) {
            return true;
        }
        if (status == line_status::too_long) {
            error = where + "the line is longer than " + std::to_string(limits.line) +
                    " bytes; a line may hold at most " + std::to_string(limits.line) + " bytes";
            return false;
        }
        total += consumed;
        if (total > limits.file) {
            error = where + "the file is larger than " + std::to_string(limits.file) +
                    " bytes; a scenario file may hold at most " + std::to_string(limits.file) +
                    " bytes";
            return false;
        }
        static const scenario_values kNone;
        std::string why;
        if (!substitute_values(text, limits.values != nullptr ? *limits.values : kNone, why)) {
            error = where + why;
            return false;
        }
        std::optional<step> s;
        if (!parse_scenario_line(text, file, line, s, error)) {
            return false;
        }
        if (s) {
            out.steps.push_back(std::move(*s));
        }
        if (buffer->sgetc() == std::char_traits<char>::eof()) {
            return true;
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
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        error = describe(path) + " is a directory; name a scenario file in it (such as " +
                describe(path) + "/demo.scn)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read scenario " + describe(path) + ": " + std::strerror(errno);
        return false;
    }
    return parse_scenario_stream(in, path, out, error, limits);
}

}  // namespace kest_host
