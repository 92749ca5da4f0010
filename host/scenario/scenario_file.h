// Scenario files read line by line, with a limit on the length of a line and on the
// size of the file, so that any path given (a device, a directory, a huge file)
// ends quickly with a message naming the file and the line.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

#include "scenario/scenario_parser.h"
#include "scenario/scenario_values.h"

namespace kest_host {

struct scenario_limits {
    // The longest text a statement may carry (a parent request as long as any a real
    // host sends), plus room for the statement words around it.
    static constexpr std::size_t kLongestText = std::size_t{64} * 1024;
    std::size_t line = kLongestText + 1024;
    // Every statement is kept as a typed step until the run ends; 16 MiB is some
    // 500,000 statements, far beyond any hand-written scenario, and keeps memory bounded.
    std::size_t file = std::size_t{16} * 1024 * 1024;
    // The values ${NAME} stands for (--set); null: none is set.
    const scenario_values* values = nullptr;
};

// Parses lines from `in` until its end; stops at the first malformed line or at a
// limit, with "FILE:LINE: ..." in `error`.
bool parse_scenario_stream(std::istream& in, const std::string& file, scenario& out,
                           std::string& error, const scenario_limits& limits = {});

// Opens and parses the file at `path`: false with the reason when it cannot be read
// (missing, a directory, empty name), is malformed or passes a limit.
bool read_scenario_file(const std::string& path, scenario& out, std::string& error,
                        const scenario_limits& limits = {});

}  // namespace kest_host
