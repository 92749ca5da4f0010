// kest-host: runs the panel plug-in on a simulated host.
//
// Exit status: 0 when every expectation and check passed, 1 on a failed expectation
// or check, 2 on a usage, file or plug-in loading error.
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <string>

#include "app/command_line.h"
#include "app/interactive.h"
#include "common/printable.h"
#include "demo_scenario.h"
#include "plugin/platform.h"
#include "scenario/scenario_file.h"
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

// Whether the terminal's locale is UTF-8, as the environment says (LC_ALL, then
// LC_CTYPE, then LANG).
bool utf8_locale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value =
            std::getenv(name);  // NOLINT(concurrency-mt-unsafe): read before any thread
        if (value != nullptr && *value != '\0') {
            std::string v = value;
            for (auto& ch : v) {
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            }
            return v.find("utf-8") != std::string::npos || v.find("utf8") != std::string::npos;
        }
    }
    return false;
}

// Reads and runs a scenario file, or the built-in demo when none is named.
int run_file(const command_line& c, const kest_host::run_options& options) {
    kest_host::scenario parsed;
    std::string error;
    const bool read = c.scenario_given
                          ? kest_host::read_scenario_file(c.scenario, parsed, error)
                          : kest_host::parse_scenario(kDemoScenario, "demo", parsed, error);
    if (!read) {
        std::cerr << "kest-host: " << error << "\n";
        return 2;
    }
    if (parsed.steps.empty()) {
        std::cerr << "kest-host: " << kest_host::printable(parsed.file)
                  << ": holds no statements; a scenario needs at least one step (see the "
                     "README, \"Your first scenario\")\n";
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
    options.errors = &std::cerr;
    options.ascii_cut = c.no_color && !utf8_locale();
    if (c.interactive) {
        return kest_host::run_interactive(options, std::cin, std::cout,
                                          kest_host::is_terminal(stdin));
    }
    return run_file(c, options);
}
