// kest-host: runs the panel plug-in on a simulated host.
//
// Exit status: 0 when every expectation and check passed, 1 on a failed expectation
// or check, 2 on a usage, file or plug-in loading error.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/command_line.h"
#include "app/interactive.h"
#include "demo_scenario.h"
#include "plugin/platform.h"
#include "scenario/scenario_runner.h"
#include "stress/stress_run.h"

namespace {

using kest_host::command_line;

int run_stress(const command_line& c, bool color) {
    kest_host::stress_options options;
    options.plugin = c.plugin;
    options.events = c.events;
    options.seed = c.seed;
    options.color = color;
    return kest_host::run_stress(options, std::cout);
}

// Reads and parses a scenario file, or the built-in demo when none is named. Returns
// false after printing why it cannot.
bool read_scenario(const command_line& c, kest_host::scenario& parsed) {
    std::string content = kDemoScenario;
    std::string name = "demo";
    if (!c.scenario.empty()) {
        std::ifstream in(c.scenario, std::ios::binary);
        if (!in) {
            std::cerr << "kest-host: cannot read scenario " << c.scenario << "\n";
            return false;
        }
        std::ostringstream text;
        text << in.rdbuf();
        content = text.str();
        name = c.scenario;
    }
    std::string error;
    if (!kest_host::parse_scenario(content, name, parsed, error)) {
        std::cerr << "kest-host: " << error << "\n";
        return false;
    }
    return true;
}

// The console starts with the scenario named, or with the demo's set-up (its devices,
// names, slots and crosspoints) so that the panel has something to work with.
int run_console(const command_line& c, const kest_host::run_options& options) {
    kest_host::console_setup setup;
    setup.options = options;
    setup.terminal = kest_host::is_terminal(stdin);
    if (!read_scenario(c, setup.start)) {
        return 2;
    }
    if (c.scenario.empty()) {
        kest_host::keep_setup_only(setup.start);
    }
    return kest_host::run_interactive(setup, std::cin, std::cout, std::cerr);
}

// Reads and runs a scenario file, or the built-in demo when none is named.
int run_file(const command_line& c, const kest_host::run_options& options) {
    kest_host::scenario parsed;
    if (!read_scenario(c, parsed)) {
        return 2;
    }
    const std::string& name = parsed.file;
    if (parsed.steps.empty()) {
        std::cerr << "kest-host: " << name << ": holds no statements\n";
        return 2;
    }
    return kest_host::run_scenario(parsed, options, std::cout);
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
    if (c.stress) {
        return run_stress(c, color);
    }
    kest_host::run_options options;
    options.plugin = c.plugin;
    options.quiet = c.quiet;
    options.color = color;
    if (c.interactive) {
        return run_console(c, options);
    }
    return run_file(c, options);
}
