// kest-host: runs the panel plug-in on a simulated host.
//
// Exit status: 0 when every expectation and check passed, 1 on a failed expectation
// or check, 2 on a usage, file or plug-in loading error (a report file that cannot be
// written included).
#include <iostream>
#include <string>

#include "app/command_line.h"
#include "app/interactive.h"
#include "app/report_output.h"
#include "app/scenario_files.h"
#include "panel/panel_names.h"
#include "plugin/platform.h"
#include "stress/stress_run.h"

namespace {

using kest_host::command_line;

int run_stress(const command_line& c, bool color, kest_host::report::recorder* rec) {
    kest_host::stress_options options;
    options.plugin = c.plugin;
    options.events = c.events;
    options.seed = c.seed;
    options.color = color;
    options.faults = c.faults;
    options.recorder = rec;
    return kest_host::run_stress(options, std::cout);
}

// Scenario or stress mode, with the report files when they are asked for.
int run_recorded(const command_line& c, bool color) {
    if (!kest_host::check_report_paths(c, std::cerr)) {
        return 2;
    }
    kest_host::report::recorder rec;
    rec.record().high_statesheet = kest_host::panel_names::kInputHigh;
    kest_host::report::recorder* wanted = kest_host::wants_report(c) ? &rec : nullptr;
    int status = 0;
    if (c.stress) {
        status = run_stress(c, color, wanted);
    } else {
        kest_host::run_options options;
        options.plugin = c.plugin;
        options.quiet = c.quiet;
        options.color = color;
        options.recorder = wanted;
        status = kest_host::run_scenario_files(c.scenarios, options, std::cout, std::cerr);
    }
    if (wanted != nullptr && !kest_host::write_reports(c, rec.record(), std::cerr)) {
        status = 2;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    command_line c;
    if (const auto status = kest_host::read_command_line(argc, argv, KEST_DEFAULT_PLUGIN, c,
                                                         std::cout, std::cerr)) {
        return *status;
    }
    if (c.plugin.empty()) {
        c.plugin = kest_host::executable_directory(argv[0]) + "/" + KEST_DEFAULT_PLUGIN;
    }
    const bool color = !c.no_color && kest_host::is_terminal(stdout);
    if (c.interactive) {
        kest_host::run_options options;
        options.plugin = c.plugin;
        options.quiet = c.quiet;
        options.color = color;
        return kest_host::run_interactive(options, std::cin, std::cout,
                                          kest_host::is_terminal(stdin));
    }
    return run_recorded(c, color);
}
