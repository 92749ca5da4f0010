// kest-host --live FILE: the file's statements, the panel started if the file did not
// start it, then the studio kept running in real time until SIGINT or SIGTERM, or
// for --for SECONDS; then the panel is deleted (it unregisters) and the links close.
#pragma once

#include <ostream>

#include "app/command_line.h"
#include "scenario/scenario_runner.h"

namespace kest_host::live {
class live_studio;
}

namespace kest_host {

int run_live(const command_line& c, const run_options& options, live::live_studio& studio,
             std::ostream& out, std::ostream& err);

}  // namespace kest_host
