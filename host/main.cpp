// kest-host: runs the panel plug-in on a simulated host.
//
//   kest-host [--plugin PATH] [--quiet] [--no-color] [SCENARIO]
//   kest-host --stress N --seed S [--plugin PATH]
//   kest-host --interactive [--plugin PATH]
//
// Exit status: 0 when every expectation and check passed, 1 on a failed expectation
// or check, 2 on a usage, file or plug-in loading error.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "demo_scenario.h"
#include "interactive.h"
#include "platform.h"
#include "scenario.h"
#include "stress.h"

namespace {

const char kUsage[] =
    "usage: kest-host [--plugin PATH] [--quiet] [--no-color] [SCENARIO]\n"
    "       kest-host --stress N --seed S [--plugin PATH] [--no-color]\n"
    "       kest-host --interactive [--plugin PATH] [--no-color]\n"
    "Runs the panel plug-in (default: " KEST_DEFAULT_PLUGIN
    " beside kest-host) on a simulated host.\n"
    "Without SCENARIO the built-in demo runs. Exit status: 0 passed, 1 a failed\n"
    "expectation or check, 2 a usage, file or plug-in error.\n";

int usage_error(const std::string& message) {
    std::cerr << "kest-host: " << message << "\n" << kUsage;
    return 2;
}

bool parse_count(const std::string& text, uint64_t& value) {
    if (text.empty() || text.size() > 19) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string plugin;
    std::string scenario_file;
    bool quiet = false;
    bool no_color = false;
    bool interactive = false;
    bool stress = false;
    bool seed_given = false;
    uint64_t events = 0;
    uint64_t seed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* option) -> const char* {
            if (i + 1 >= argc) {
                return nullptr;
            }
            (void)option;
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--plugin") {
            const char* v = value("--plugin");
            if (v == nullptr)
                return usage_error("--plugin needs a path");
            plugin = v;
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--no-color") {
            no_color = true;
        } else if (arg == "--interactive") {
            interactive = true;
        } else if (arg == "--stress") {
            const char* v = value("--stress");
            if (v == nullptr || !parse_count(v, events) || events == 0) {
                return usage_error("--stress needs a number of events from 1 up");
            }
            stress = true;
        } else if (arg == "--seed") {
            const char* v = value("--seed");
            if (v == nullptr || !parse_count(v, seed)) {
                return usage_error("--seed needs a non-negative number");
            }
            seed_given = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage_error("unknown option " + arg);
        } else if (scenario_file.empty()) {
            scenario_file = arg;
        } else {
            return usage_error("only one scenario file can be given");
        }
    }
    if (stress && (!seed_given || interactive || !scenario_file.empty())) {
        return usage_error("--stress needs --seed and takes no scenario and no --interactive");
    }
    if (seed_given && !stress) {
        return usage_error("--seed belongs to --stress");
    }
    if (interactive && !scenario_file.empty()) {
        return usage_error("--interactive takes no scenario file");
    }
    if (plugin.empty()) {
        plugin = kest_host::executable_directory(argv[0]) + "/" + KEST_DEFAULT_PLUGIN;
    }
    const bool color = !no_color && kest_host::is_terminal(stdout);

    if (stress) {
        kest_host::stress_options options;
        options.plugin = plugin;
        options.events = events;
        options.seed = seed;
        options.color = color;
        return kest_host::run_stress(options, std::cout);
    }

    kest_host::run_options options;
    options.plugin = plugin;
    options.quiet = quiet;
    options.color = color;
    if (interactive) {
        return kest_host::run_interactive(options, std::cin, std::cout,
                                          kest_host::is_terminal(stdin));
    }

    std::string content;
    std::string name = "demo";
    if (scenario_file.empty()) {
        content = kDemoScenario;
    } else {
        std::ifstream in(scenario_file, std::ios::binary);
        std::ostringstream text;
        if (!in) {
            std::cerr << "kest-host: cannot read scenario " << scenario_file << "\n";
            return 2;
        }
        text << in.rdbuf();
        content = text.str();
        name = scenario_file;
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
