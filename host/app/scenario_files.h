// Scenario mode: every named file (or the built-in demo) read and checked first, then
// played one after another, each against a fresh panel in a session of its own.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "scenario/scenario_runner.h"

namespace kest_host {

// Runs the files in order and, for more than one, ends with a line that sums them
// up. A file that cannot be read or parsed stops everything before the first runs
// (status 2); otherwise the status is the worst of the files' statuses. With
// options.recorder set, each file is a suite of the run's report.
int run_scenario_files(const std::vector<std::string>& files, const run_options& options,
                       std::ostream& out, std::ostream& err);

}  // namespace kest_host
