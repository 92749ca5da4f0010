// Scenario files read line by line, with a limit on the length of a line and on the
// size of the file, so that any path given (a device, a directory, a huge file)
// ends quickly with a message naming the file and the line.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

#include "common/input_file.h"
#include "scenario/scenario_parser.h"
#include "scenario/scenario_values.h"

namespace kest_host {

struct scenario_limits {
    std::size_t line = input_limits::kLine;
    std::size_t file = input_limits::kFile;
    // The values ${NAME} stands for (--set); null: none is set.
    const scenario_values* values = nullptr;
};

// Parses lines from `in` until its end; stops at the first malformed line or at a
// limit, with "FILE:LINE: ..." in `error`.
bool parse_scenario_stream(std::istream& in, const std::string& file, scenario& out,
                           std::string& error, const scenario_limits& limits = {});

// Reads (read_input_file) and parses the file at `path`: false with the reason when
// it cannot be read (missing, not a regular file, empty name), is malformed or passes
// a limit.
bool read_scenario_file(const std::string& path, scenario& out, std::string& error,
                        const scenario_limits& limits = {});

}  // namespace kest_host
