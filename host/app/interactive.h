// Interactive mode, the commissioning console: the scenario language typed at a
// prompt, in the same plug-in session as a scenario file. A starting scenario is
// played first (set-up and steps); then each line is run as it is typed. Besides the
// statements of a file the prompt knows load, trace, record, help and quit. Ctrl-C
// stops a long step or drops the line being typed; Ctrl-D (or quit) ends the session
// with the panel, the checks and the summary.
#pragma once

#include <functional>
#include <istream>
#include <ostream>

#include "scenario/scenario_parser.h"
#include "scenario/scenario_runner.h"

namespace kest_host {

struct console_setup {
    run_options options;
    scenario start;         // played before the prompt (may hold no steps)
    bool terminal = false;  // standard input is a terminal: prompt and line editing
    // Live mode: how the console waits for standard input while the loop serves the
    // network (`woke` after each batch of network events; false: the wait was ended),
    // and what is done once the session exists (the host's clock tied to the real one).
    std::function<bool(int fd, const std::function<void()>& woke)> wait_input;
    std::function<void(scenario_runner&)> on_start;
};

// Cuts a scenario to the set-up statements before its first step (the demo's set-up
// for a console started without a scenario).
void keep_setup_only(scenario& s);

// Runs the console until quit or the end of input; returns the exit status of the
// whole session (0, 1 or 2, as a scenario run).
int run_interactive(const console_setup& setup, std::istream& in, std::ostream& out,
                    std::ostream& err);

}  // namespace kest_host
