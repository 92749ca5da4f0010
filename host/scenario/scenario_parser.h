// The scenario parser: lines of the scenario language into typed steps, with the
// statement table as its grammar. A blank or comment line gives no step; a malformed
// one gives "FILE:LINE: error: WORD: what was expected", with the nearest words when a
// word is unknown.
#pragma once

#include <optional>
#include <string>
#include <utility>
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
// The errors of one file, one line each: every malformed line is reported, up to
// kMost, so that one run shows all that needs fixing.
class file_errors {
  public:
    static constexpr int kMost = 20;
    explicit file_errors(std::string file) : file_(std::move(file)) {}
    // Adds one error; false once kMost are held (then the file is read no further,
    // and the text says so).
    bool add(const std::string& error);
    bool any() const { return count_ > 0; }
    const std::string& text() const { return text_; }

  private:
    std::string file_;
    std::string text_;
    int count_ = 0;
};

// Parses a whole file content; false with every malformed line or console statement
// (up to file_errors::kMost) in `error`, one a line.
bool parse_scenario(const std::string& content, const std::string& file, scenario& out,
                    std::string& error);

}  // namespace kest_host
