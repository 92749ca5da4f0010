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

int run_stress(const command_line& c, const std::string& plugin_argument, bool color) {
    kest_host::stress_options options;
    options.plugin = c.plugin;
    options.plugin_argument = plugin_argument;
    options.events = c.events;
    options.seed = c.seed;
    options.trace_from = c.trace_from;
    options.quiet = c.quiet;
    options.progress = kest_host::is_terminal(stderr);
    options.color = color;
    return kest_host::run_stress(options, std::cout);
}

// Reads and runs a scenario file, or the built-in demo when none is named.
int run_file(const command_line& c, const kest_host::run_options& options) {
    std::string content = kDemoScenario;
    std::string name = "demo";
    if (!c.scenario.empty()) {
        std::ifstream in(c.scenario, std::ios::binary);
        if (!in) {
            std::cerr << "kest-host: cannot read scenario " << c.scenario << "\n";
            return 2;
        }
        std::ostringstream text;
        text << in.rdbuf();
        content = text.str();
        name = c.scenario;
    }
    kest_host::scenario parsed;
    std::string error;
    if (!kest_host::parse_scenario(content, name, parsed, error)) {
        std::cerr << "kest-host: " << error << "\n";
        return 2;
    }
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
    const std::string plugin_argument = c.plugin;
    if (c.plugin.empty()) {
        c.plugin = kest_host::executable_directory(argv[0]) + "/" + KEST_DEFAULT_PLUGIN;
    }
    const bool color = !c.no_color && kest_host::is_terminal(stdout);
    if (c.stress) {
        return run_stress(c, plugin_argument, color);
    }
    kest_host::run_options options;
    options.plugin = c.plugin;
    options.quiet = c.quiet;
    options.color = color;
    if (c.interactive) {
        return kest_host::run_interactive(options, std::cin, std::cout,
                                          kest_host::is_terminal(stdin));
    }
    return run_file(c, options);
}
