// Fuzzes the scenario parser on any file content: the parsing of the text, not the
// reading of the file.
//
// Besides memory errors it checks what the runner and the trace rely on:
//   - an accepted scenario's steps come in line order, each on a line of the content;
//   - each step's source (the statement as written, for the trace) is not empty and
//     parses again, alone, to a statement of the same kind;
//   - a refused content says where: "<file>:<line>: " with a line of the content.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "scenario/scenario_parser.h"

namespace {

const std::string kFile = "fuzz.scn";

[[noreturn]] void fail(const char* what, const std::string& content) {
    std::fprintf(stderr, "scenario_parser: %s (content of %zu bytes)\n", what, content.size());
    std::abort();
}

// Lines as std::getline counts them.
int lines_in(const std::string& content) {
    const auto breaks = std::count(content.begin(), content.end(), '\n');
    return static_cast<int>(breaks) + (content.empty() || content.back() == '\n' ? 0 : 1);
}

void check(const kest_host::scenario& parsed, const std::string& content) {
    const int lines = lines_in(content);  // once: counting per step made long inputs slow
    int previous = 0;
    for (const kest_host::step& s : parsed.steps) {
        if (s.line <= previous || s.line > lines) {
            fail("a step out of line order or past the last line", content);
        }
        previous = s.line;
        if (s.source.empty()) {
            fail("a step without its source", content);
        }
        std::optional<kest_host::step> again;
        std::string error;
        if (!kest_host::parse_scenario_line(s.source, kFile, 1, again, error) || !again ||
            again->what.index() != s.what.index()) {
            fail("a step's source does not parse again to the same statement", content);
        }
    }
}

void check_refusal(const std::string& error, const std::string& content) {
    const std::string prefix = kFile + ":";
    if (error.compare(0, prefix.size(), prefix) != 0) {
        fail("a refusal that does not name the file", content);
    }
    const std::size_t colon = error.find(':', prefix.size());
    const std::string line = error.substr(prefix.size(), colon - prefix.size());
    if (colon == std::string::npos || line.empty() ||
        line.find_first_not_of("0123456789") != std::string::npos || line.size() > 9 ||
        std::stoi(line) < 1 || std::stoi(line) > lines_in(content)) {
        fail("a refusal that does not name a line of the content", content);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    kest_host::scenario parsed;
    std::string error;
    if (kest_host::parse_scenario(content, kFile, parsed, error)) {
        check(parsed, content);
    } else {
        check_refusal(error, content);
    }
    return 0;
}
