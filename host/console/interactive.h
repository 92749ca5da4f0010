// Interactive mode, the commissioning console: the scenario language typed at a
// prompt, in the same plug-in session as a scenario file. A starting scenario is
// played first (set-up and steps); then each line is run as it is typed. Besides the
// statements of a file the prompt knows load, trace, record, help and quit. Ctrl-C
// stops a long step or drops the line being typed; Ctrl-D (or quit) ends the session
// with the panel, the checks and the summary.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "scenario/scenario_parser.h"
#include "scenario/scenario_runner.h"

#include <memory>
#include <string>

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

class console;

// The console for a driver that reads the lines itself (the browser panel's loop): the
// same statements, trace and record as run_interactive. Its setup's `terminal` should
// be false: the driver, not the console, reads standard input.
class console_session {
  public:
    console_session(const console_setup& setup, std::ostream& out, std::ostream& err);
    ~console_session();
    console_session(const console_session&) = delete;
    console_session& operator=(const console_session&) = delete;

    // Plays the starting scenario.
    void begin(const scenario& start);
    // Runs one line as typed; `from` names where it came from in messages. False once
    // the session is over (quit, or the plug-in failed).
    bool line(const std::string& text, const std::string& from);
    // Deletes the panel, prints the checks and the summary; the exit status.
    int finish();
    scenario_runner& runner();

  private:
    std::unique_ptr<console> console_;
};

// Runs the console until quit or the end of input; returns the exit status of the
// whole session (0, 1 or 2, as a scenario run).
int run_interactive(const console_setup& setup, std::istream& in, std::ostream& out,
                    std::ostream& err);

}  // namespace kest_host
