// Interactive mode: the scenario language typed at a prompt, for commissioning.
#pragma once

#include <istream>
#include <ostream>

#include "scenario.h"

namespace kest_host {

// Reads statements from `in` until "quit" or the end of input. Errors in a line are
// reported and the session goes on. Returns the exit status of the whole session.
int run_interactive(const run_options& options, std::istream& in, std::ostream& out, bool prompt);

}  // namespace kest_host
