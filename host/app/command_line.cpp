#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include <limits>
#include <memory>

#include "common/numbers.h"
#include "common/printable.h"
#include "common/suggest.h"
#include "scenario/scenario_values.h"

namespace kest_host {

namespace {

// The option groups of --help, in this order, each with an example.
constexpr const char* kScenarios = "Running scenarios";
constexpr const char* kReports = "Reports";
constexpr const char* kStress = "Stress";
constexpr const char* kConsole = "Console";
constexpr const char* kWeb = "Web";
constexpr const char* kLive = "Live";

struct group_example {
    const char* group;
    const char* example;
};
constexpr group_example kExamples[] = {
    {kScenarios, "kest-host scenarios/priority.scn scenarios/fallback.scn"},
    {kReports, "kest-host --junit results.xml --report report.html scenarios/*.scn"},
    {kStress, "kest-host --stress 20000 --seed 7 --faults"},
    {kConsole, "kest-host --interactive scenarios/priority.scn"},
    {kWeb, "kest-host --interactive --web 8080"},
    {kLive, "kest-host --live studio.scn --for 60 --read-only"},
};

// CLI11's help with the usage forms of kest-host and an example under each group.
class help_formatter : public CLI::Formatter {
  public:
    std::string make_usage(const CLI::App* /*app*/, std::string /*name*/) const override {
        return "Usage: kest-host [OPTIONS] [SCENARIO...]\n"
               "       kest-host --stress N --seed S [--faults] [--from K] [OPTIONS]\n"
               "       kest-host --interactive [--web [ADDR:]PORT] [OPTIONS] [SCENARIO]\n"
               "       kest-host --live FILE [--for SECONDS | --interactive] [OPTIONS]\n"
               "       kest-host --version | --help\n";
    }

    std::string make_group(std::string group, bool is_positional,
                           std::vector<const CLI::Option*> opts) const override {
        std::string text = CLI::Formatter::make_group(group, is_positional, std::move(opts));
        for (const auto& e : kExamples) {
            if (group == e.group) {
                text += "  Example: " + std::string(e.example) + "\n";
            }
        }
        return text;
    }
};

std::string help_footer(const char* default_plugin) {
    return std::string(
               "Without SCENARIO the built-in demo runs; several run one after another, "
               "each\nagainst a fresh panel. The plug-in is ") +
           default_plugin +
           " beside kest-host unless --plugin\nnames another.\n"
           "Exit status: 0 passed, 1 a failed expectation or check, 2 a usage, file or\n"
           "plug-in error, 130 a stress run ended early by Ctrl-C.\n" +
           (live_mode_built()
                ? std::string("--live runs FILE in real time against the real devices it declares\n"
                              "(device router N videohub HOST[:PORT]) until SIGINT or SIGTERM, or\n"
                              "for --for SECONDS; see docs/live.md.\n")
                : std::string("This kest-host was built without live mode: --live and real\n"
                              "devices are refused; every simulated mode works.\n")) +
           (web_mode_built() ? std::string()
                             : std::string("This kest-host was built without the browser panel: "
                                           "--web is refused.\n")) +
           "The manual: docs/kest-host.md.";
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
    if (c.all_findings && !c.stress) {
        return "--all-findings belongs to --stress";
    }
    if (c.trace_from && !c.stress) {
        return "--from belongs to --stress";
    }
    if (c.trace_from && c.quiet) {
        return "--from prints the trace of a stress run, and --quiet prints none";
    }
    if (!c.live.empty() && (c.stress || !c.scenarios.empty())) {
        return "--live takes its one FILE, and no --stress or scenario";
    }
    if (c.for_ms && c.interactive) {
        return "--for and --interactive: the console ends when you quit";
    }
    if (c.for_ms && c.live.empty()) {
        return "--for belongs to --live";
    }
    if (c.interactive && c.scenarios.size() > 1) {
        return "--interactive takes at most one scenario file";
    }
    if (c.interactive && (!c.junit.empty() || !c.report.empty())) {
        return "--interactive writes no --junit or --report file";
    }
    if (!c.web.empty() && !c.interactive && c.live.empty()) {
        return "--web serves the panel of an --interactive or --live session";
    }
    if (!c.web_token.empty() && c.web.empty()) {
        return "--web-token belongs to --web";
    }
    return "";
}

// The leftovers CLI11 did not take: an unknown option, with the nearest known ones.
std::string check_leftovers(const CLI::App& app) {
    std::vector<std::string> known;
    for (const CLI::Option* option : app.get_options()) {
        for (const auto& name : option->get_lnames()) {
            known.push_back("--" + name);
        }
    }
    for (const auto& arg : app.remaining()) {
        if (!arg.empty() && arg[0] == '-') {
            const std::string name = arg.substr(0, arg.find('='));
            return "unknown option " + printable(arg) + did_you_mean(name, known);
        }
    }
    return "";
}

// What a number option was given, for a message: printable and at most 200
// characters.
std::string echo(const std::string& text) {
    constexpr std::size_t kEchoed = 200;
    return "\"" + printable(text.substr(0, kEchoed)) + (text.size() > kEchoed ? "...\"" : "\"");
}

// The numbers of --stress and --seed, checked here so that the message says what
// is allowed.
std::string read_numbers(command_line& c, const std::string& events,
                         const std::optional<std::string>& seed,
                         const std::optional<std::string>& from) {
    const std::string largest = std::to_string(std::numeric_limits<uint64_t>::max());
    if (c.stress) {
        const auto n = decimal<uint64_t>(events);
        if (!n || *n == 0) {
            return "--stress needs a number of events from 1 to " + largest + ", not " +
                   echo(events);
        }
        c.events = *n;
    }
    if (seed) {
        const auto s = decimal<uint64_t>(*seed);
        if (!s) {
            return "--seed needs a whole number from 0 to " + largest + ", not " + echo(*seed);
        }
        c.seed = *s;
    }
    if (from) {
        const auto k = decimal<uint64_t>(*from);
        if (!k || (c.stress && *k > c.events)) {
            return "--from needs an event number from 0 (the start-up) to the number of "
                   "events of --stress, not " +
                   echo(*from);
        }
        c.trace_from = *k;
    }
    return "";
}

// The options as CLI11 reads them: the numbers as texts (read_numbers checks them)
// and the options whose presence matters.
struct options_given {
    std::string events;
    std::string seed;
    std::string from;
    std::string for_seconds;
    CLI::Option* stress = nullptr;
    CLI::Option* seed_option = nullptr;
    CLI::Option* from_option = nullptr;
    CLI::Option* junit = nullptr;
    CLI::Option* report = nullptr;
    const CLI::Option* for_option = nullptr;
};

// --live, --for and --read-only; returns --for, which read_live_options checks.
const CLI::Option* add_live_options(CLI::App& app, command_line& out, std::string& for_seconds) {
    app.add_option("--live", out.live,
                   "run FILE in real time against its real devices until SIGINT or SIGTERM")
        ->type_name("FILE")
        ->group(kLive);
    const CLI::Option* for_option =
        app.add_option("--for", for_seconds, "with --live: end after SECONDS")
            ->type_name("SECONDS")
            ->group(kLive);
    app.add_flag("--read-only", out.read_only, "send no crosspoint to a real router")->group(kLive);
    return for_option;
}

// The values of the live options checked ("" when they are fine).
std::string read_live_options(command_line& out, bool for_given, const std::string& for_seconds) {
    std::string error;
    for (const auto& assignment : out.values) {
        scenario_values checked;
        if (!read_scenario_value(assignment, checked, error)) {
            return error;
        }
    }
    if (for_given) {
        const auto n = decimal<int64_t>(for_seconds);
        if (!n || *n < 1 || *n > 7LL * 24 * 3600) {
            return "--for needs a whole number of seconds from 1 to 604800, not " +
                   echo(for_seconds);
        }
        out.for_ms = *n * 1000;
    }
    if (!out.live.empty() && !live_mode_built()) {
        return "--live: this kest-host was built without live mode (no Boost.Asio for this "
               "compiler)";
    }
    if (!out.web.empty() && !web_mode_built()) {
        return "--web: this kest-host was built without the browser panel (no Boost.Beast "
               "for this compiler; the Windows build never has it): serve the panel from a "
               "Linux build of kest-host";
    }
    return "";
}

void add_options(CLI::App& app, command_line& out, options_given& given) {
    app.set_help_flag("-h,--help", "print this help and end")->group(kScenarios);
    app.add_flag("--version", out.version,
                 "print kest-host's version, commit and build type, and the plug-in's path and "
                 "the version its file carries")
        ->group(kScenarios);
    app.add_option("--plugin", out.plugin, "the plug-in binary to load")
        ->type_name("PATH")
        ->group(kScenarios);
    app.add_flag("--quiet", out.quiet,
                 "in every mode: no trace and no progress line, only findings, the panel, the "
                 "checks and the summary")
        ->group(kScenarios);
    app.add_flag("--no-color", out.no_color, "never use colour")->group(kScenarios);
    app.add_option("--set", out.values, "a value that ${NAME} stands for in scenario files")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false)
        ->group(kScenarios);
    app.add_option("scenario", out.scenarios,
                   "the scenario files, each against a fresh panel (default: the built-in demo)")
        ->type_name("SCENARIO");
    given.junit = app.add_option("--junit", out.junit, "write the results as JUnit XML")
                      ->type_name("FILE")
                      ->group(kReports);
    given.report = app.add_option("--report", out.report, "write the results as one HTML page")
                       ->type_name("FILE")
                       ->group(kReports);
    given.stress = app.add_option("--stress", given.events, "send N random events (needs --seed)")
                       ->type_name("N")
                       ->group(kStress);
    given.seed_option = app.add_option("--seed", given.seed, "the seed of a stress run")
                            ->type_name("S")
                            ->group(kStress);
    app.add_flag("--faults", out.faults, "mix device faults into a stress run")->group(kStress);
    app.add_flag("--all-findings", out.all_findings,
                 "print every finding of a stress run, not the first of each check")
        ->group(kStress);
    given.from_option =
        app.add_option("--from", given.from,
                       "replay a stress run silently up to event K, then print its trace")
            ->type_name("K")
            ->group(kStress);
    app.add_flag("--interactive", out.interactive, "type statements at a prompt")->group(kConsole);
    app.add_option("--web", out.web,
                   "with --interactive or --live: serve the panel live to browsers on "
                   "ADDR:PORT (ADDR 127.0.0.1 unless given; port 0 picks a free one)")
        ->type_name("[ADDR:]PORT")
        ->group(kWeb);
    app.add_option("--web-token", out.web_token,
                   "the token every web request needs (made up and printed when the address "
                   "is not 127.0.0.1 or ::1)")
        ->type_name("T")
        ->group(kWeb);
    given.for_option = add_live_options(app, out, given.for_seconds);
}

// Why the options read are not usable ("" when they are); fills the numbers into `out`.
std::string check_options(const CLI::App& app, command_line& out, const options_given& given) {
    std::string error = check_leftovers(app);
    if (error.empty()) {
        const auto text = [](const CLI::Option* option, const std::string& value) {
            return option->count() > 0 ? std::optional<std::string>(value) : std::nullopt;
        };
        error = read_numbers(out, given.events, text(given.seed_option, given.seed),
                             text(given.from_option, given.from));
    }
    if (error.empty()) {
        error = read_live_options(out, given.for_option->count() > 0, given.for_seconds);
    }
    if (error.empty() && ((given.junit->count() > 0 && out.junit.empty()) ||
                          (given.report->count() > 0 && out.report.empty()))) {
        error = "--junit and --report need a file name, not \"\"";
    }
    if (error.empty()) {
        error = check_combination(out, given.seed_option->count() > 0);
    }
    return error;
}

}  // namespace

bool live_mode_built() {
#ifdef KEST_HOST_HAVE_LIVE
    return true;
#else
    return false;
#endif
}

bool web_mode_built() {
#ifdef KEST_HOST_HAVE_WEB
    return true;
#else
    return false;
#endif
}

std::optional<int> read_command_line(int argc, const char* const* argv, const char* default_plugin,
                                     command_line& out, std::ostream& stdout_stream,
                                     std::ostream& stderr_stream) {
    CLI::App app{"kest-host: runs the panel plug-in on a simulated host", "kest-host"};
    app.formatter(std::make_shared<help_formatter>());
    app.footer(help_footer(default_plugin));
    options_given given;
    add_options(app, out, given);
    app.allow_extras();
    // Options start with "-" on every system. Read "/x" as an option, as CLI11 does
    // on Windows by default, and an absolute path such as /home/me/a.scn vanishes.
    app.allow_windows_style_options(false);
    const auto fail = [&](const std::string& message) {
        stderr_stream << "kest-host: error: " << message
                      << "\nkest-host --help lists the options, with an example of each kind of "
                         "run.\n";
        return 2;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        stdout_stream << app.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        return fail(e.what());
    }
    if (out.version) {
        return std::nullopt;  // the versions alone: whatever else is given is not run
    }
    out.stress = given.stress->count() > 0;
    const std::string error = check_options(app, out, given);
    if (!error.empty()) {
        return fail(error);
    }
    return std::nullopt;
}

}  // namespace kest_host
