// Interactive mode: the scenario language typed at a prompt, for commissioning. It
// runs in the same plug-in session as a scenario file.
#pragma once

#include <istream>
#include <ostream>

#include "scenario/scenario_runner.h"

namespace kest_host {

// Reads statements from `in` until "quit" or the end of input. Errors in a line are
// reported and the session goes on. Returns the exit status of the whole session.
int run_interactive(const run_options& options, std::istream& in, std::ostream& out, bool prompt);

}  // namespace kest_host
