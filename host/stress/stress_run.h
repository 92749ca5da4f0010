// Stress mode: a long, seeded stream of random events against the plug-in, with the
// outcome of every event compared to routing_model. It runs in the same plug-in
// session as a scenario, so its findings, limits and checks table are the same.
// Memory stays flat: the host keeps counters, not histories, and only a bounded
// quarantine of handed-back replies.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/plugin_session.h"
#include "world/faults.h"

namespace kest_host {

struct stress_options {
    std::string plugin;
    std::string layout_dir;       // default: the plug-in's directory
    std::string plugin_argument;  // --plugin as given (named in replay commands)
    uint64_t events = 0;
    uint64_t seed = 0;
    // The trace is printed from just before this event on (0: the start-up too);
    // events before it run silently. None without --from.
    std::optional<uint64_t> trace_from;
    bool quiet = false;     // no trace and no progress line
    bool progress = false;  // a progress line on standard error (a terminal)
    bool color = false;
    bool faults = false;  // mix device faults in (--faults)
    // Every finding printed as it happens (--all-findings); otherwise the first of
    // each check, and the counts at the end.
    bool all_findings = false;
    // The faults --faults draws from (null: fault_table()). A run without --faults
    // never reads it, so its events do not depend on the faults there are.
    const std::vector<fault_entry>* fault_table = nullptr;
    // Where findings and errors are printed, as in every mode (default: the output).
    std::ostream* errors = nullptr;
    // The run's report, when one is kept: one suite with the checks and the model's
    // finding (the events themselves are not recorded).
    report::recorder* recorder = nullptr;
};

// One finding of a stress run, printed as it happened (further ones of a check are
// only counted).
struct stress_finding {
    std::string check;  // its id
    bool failure = false;
    std::string message;  // as printed, with the event and the replay command
    uint64_t event = 0;   // 0: the start-up
    std::string replay;   // the command that repeats the run up to it, with its trace
};

struct stress_result {
    uint64_t events_done = 0;
    bool interrupted = false;
    std::vector<stress_finding> findings;
};

// The exit status of a run that Ctrl-C ended before its last event, when no check
// failed (the shell's own convention for SIGINT).
constexpr int kInterruptedStatus = 130;

// Runs the stress test and prints its report; returns the exit status (0, 1, 2 or
// kInterruptedStatus). `result`, when given, receives the findings.
int run_stress(const stress_options& options, std::ostream& out, stress_result* result = nullptr);

}  // namespace kest_host
