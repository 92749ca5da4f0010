#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include "common/numbers.h"

namespace kest_host {

namespace {

std::string usage(const char* default_plugin) {
    return std::string(
               "usage: kest-host [--plugin PATH] [--quiet] [--no-color] [--junit FILE]\n"
               "                 [--report FILE] [SCENARIO...]\n"
               "       kest-host --stress N --seed S [--faults] [--plugin PATH] [--no-color]\n"
               "                 [--junit FILE] [--report FILE]\n"
               "       kest-host --interactive [--plugin PATH] [--no-color]\n"
               "Runs the panel plug-in (default: ") +
           default_plugin +
           " beside kest-host) on a simulated host.\n"
           "Without SCENARIO the built-in demo runs; several run one after another, each\n"
           "against a fresh panel. Exit status: 0 passed, 1 a failed expectation or\n"
           "check, 2 a usage, file or plug-in error.\n";
}

// Why the options read do not fit together ("" when they do).
std::string check_combination(const command_line& c, bool seed_given) {
    if (c.stress && (!seed_given || c.interactive || !c.scenarios.empty())) {
        return "--stress needs --seed and takes no scenario and no --interactive";
    }
    if (seed_given && !c.stress) {
        return "--seed belongs to --stress";
    }
    if (c.faults && !c.stress) {
        return "--faults belongs to --stress";
    }
    if (c.interactive && !c.scenarios.empty()) {
        return "--interactive takes no scenario file";
    }
    if (c.interactive && (!c.junit.empty() || !c.report.empty())) {
        return "--interactive writes no --junit or --report file";
    }
    return "";
}

// The leftovers CLI11 did not take: an unknown option.
std::string check_leftovers(const std::vector<std::string>& rest) {
    for (const auto& arg : rest) {
        if (!arg.empty() && arg[0] == '-') {
            return "unknown option " + arg;
        }
    }
    return "";
}

// The numbers of --stress and --seed, checked here so that the message says what
// is allowed.
std::string read_numbers(command_line& c, const std::string& events, const std::string& seed) {
    if (c.stress) {
        const auto n = decimal<uint64_t>(events);
        if (!n || *n == 0) {
            return "--stress needs a number of events from 1 up";
        }
        c.events = *n;
    }
    if (!seed.empty()) {
        const auto s = decimal<uint64_t>(seed);
        if (!s) {
            return "--seed needs a non-negative number";
        }
        c.seed = *s;
    }
    return "";
}

}  // namespace

std::optional<int> read_command_line(int argc, const char* const* argv, const char* default_plugin,
                                     command_line& out, std::ostream& stdout_stream,
                                     std::ostream& stderr_stream) {
    CLI::App app{"kest-host: runs the panel plug-in on a simulated host", "kest-host"};
    std::string events;
    std::string seed;
    app.add_option("--plugin", out.plugin, "the plug-in binary to load")->type_name("PATH");
    app.add_flag("--quiet", out.quiet,
                 "print only failures, the panel, the checks and the summary");
    app.add_flag("--no-color", out.no_color, "never use colour");
    app.add_flag("--interactive", out.interactive, "type statements at a prompt");
    auto* stress =
        app.add_option("--stress", events, "send N random events (needs --seed)")->type_name("N");
    auto* seeded = app.add_option("--seed", seed, "the seed of a stress run")->type_name("S");
    app.add_flag("--faults", out.faults, "mix device faults into a stress run");
    app.add_option("--junit", out.junit, "write the results as JUnit XML")->type_name("FILE");
    app.add_option("--report", out.report, "write the results as one HTML page")->type_name("FILE");
    app.add_option("scenario", out.scenarios,
                   "the scenario files, each against a fresh panel (default: the built-in demo)")
        ->type_name("SCENARIO");
    app.allow_extras();
    const auto fail = [&](const std::string& message) {
        stderr_stream << "kest-host: " << message << "\n" << usage(default_plugin);
        return 2;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        stdout_stream << usage(default_plugin) << "\n" << app.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        return fail(e.what());
    }
    out.stress = stress->count() > 0;
    std::string error = check_leftovers(app.remaining());
    if (error.empty()) {
        error = read_numbers(out, events, seed);
    }
    if (error.empty()) {
        error = check_combination(out, seeded->count() > 0);
    }
    if (!error.empty()) {
        return fail(error);
    }
    return std::nullopt;
}

}  // namespace kest_host
