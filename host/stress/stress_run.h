// Stress mode: a long, seeded stream of random events against the plug-in, with the
// outcome of every event compared to routing_model. It runs in the same plug-in
// session as a scenario, so its findings, limits and checks table are the same.
// Memory stays flat: the host keeps counters, not histories, and only a bounded
// quarantine of handed-back replies.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "plugin/plugin_session.h"

namespace kest_host {

struct stress_options {
    std::string plugin;
    std::string layout_dir;  // default: the plug-in's directory
    uint64_t events = 0;
    uint64_t seed = 0;
    bool color = false;
    bool faults = false;  // mix device faults in (--faults)
    // The run's report, when one is kept: one suite with the checks and the model's
    // finding (the events themselves are not recorded).
    report::recorder* recorder = nullptr;
};

// Runs the stress test and prints its report; returns the exit status (0, 1 or 2).
int run_stress(const stress_options& options, std::ostream& out);

}  // namespace kest_host
