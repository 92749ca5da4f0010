// The scenario parser: lines of the scenario language into typed steps, with the
// statement table as its grammar. A blank or comment line gives no step; a malformed
// one gives "FILE:LINE: WORD: what was expected".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scenario/statements.h"

namespace kest_host {

struct scenario {
    std::string file;
    std::vector<step> steps;
};

// Parses one line. Returns false with `error` when the line is malformed.
bool parse_scenario_line(const std::string& text, const std::string& file, int line,
                         std::optional<step>& out, std::string& error);
// Parses a whole file content; stops at the first malformed line or console statement.
bool parse_scenario(const std::string& content, const std::string& file, scenario& out,
                    std::string& error);

}  // namespace kest_host
