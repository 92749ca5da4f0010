// kest-host: runs the panel plug-in on a simulated host.
//
// Exit status: 0 when every expectation and check passed, 1 on a failed expectation
// or check, 2 on a usage, file or plug-in loading error (a report file that cannot be
// written included).
#include <cctype>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "app/about.h"
#include "app/command_line.h"
#include "app/report_output.h"
#include "app/scenario_files.h"
#include "common/diagnostic.h"
#include "common/platform.h"
#include "common/printable.h"
#include "console/interactive.h"
#include "demo_scenario.h"
#include "panel/panel_names.h"
#include "scenario/scenario_file.h"
#include "scenario/scenario_values.h"
#include "stress/stress_run.h"
#ifdef KEST_HOST_HAVE_LIVE
#include "app/live_mode.h"
#include "live/live_studio.h"
#endif
#ifdef KEST_HOST_HAVE_WEB
#include "web/web_mode.h"
#endif
#ifdef KEST_HOST_HAVE_WEB_LIVE
#include "web/web_live.h"
#endif

namespace {

using kest_host::command_line;

int run_stress(const command_line& c, bool color, kest_host::report::recorder* rec) {
    kest_host::stress_options options;
    options.plugin = c.plugin;
    options.plugin_argument = c.plugin_as_given;
    options.events = c.events;
    options.seed = c.seed;
    options.trace_from = c.trace_from;
    options.quiet = c.quiet;
    options.progress = kest_host::is_terminal(stderr);
    options.color = color;
    options.faults = c.faults;
    options.all_findings = c.all_findings;
    options.recorder = rec;
    options.errors = &std::cerr;
    return kest_host::run_stress(options, std::cout);
}

// Whether the terminal's locale is UTF-8, as the environment says (LC_ALL, then
// LC_CTYPE, then LANG).
bool utf8_locale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        // NOLINTNEXTLINE(concurrency-mt-unsafe): read once, before any thread
        const char* value = std::getenv(name);
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

// What every mode prints with: errors on standard error, the cut marker the
// terminal can show.
kest_host::run_options base_options(const command_line& c, bool color) {
    kest_host::run_options options;
    options.plugin = c.plugin;
    options.quiet = c.quiet;
    options.color = color;
    options.errors = &std::cerr;
    options.ascii_cut = c.no_color && !utf8_locale();
    for (const auto& assignment : c.values) {
        std::string ignored;  // checked when the command line was read
        kest_host::read_scenario_value(assignment, options.values, ignored);
    }
    return options;
}

// Scenario or stress mode, with the report files when they are asked for.
int run_recorded(const command_line& c, bool color) {
    if (!kest_host::check_report_paths(c, std::cerr)) {
        return 2;
    }
    kest_host::report::recorder rec;
    rec.record().high_statesheet = kest_host::panel_names::kInputHigh;
    rec.record().build = kest_host::about_build(c.plugin);
    kest_host::report::recorder* wanted = kest_host::wants_report(c) ? &rec : nullptr;
    int status = 0;
    if (c.stress) {
        status = run_stress(c, color, wanted);
    } else {
        kest_host::run_options options = base_options(c, color);
        options.recorder = wanted;
#ifdef KEST_HOST_HAVE_LIVE
        kest_host::live::live_studio studio;
        studio.set_read_only(c.read_only);
        options.devices = &studio;
#endif
        status = kest_host::run_scenario_files(c.scenarios, options, std::cout, std::cerr);
    }
    if (wanted != nullptr && !kest_host::write_reports(c, rec.record(), std::cerr)) {
        status = 2;
    }
    return status;
}

// The console starts with the scenario named, or with the demo's set-up (its devices,
// names, slots and crosspoint) so that the panel has something to work with.
int run_console(const command_line& c, const kest_host::run_options& options) {
    kest_host::console_setup setup;
    setup.options = options;
    setup.terminal = kest_host::is_terminal(stdin);
    std::string error;
    if (c.scenarios.empty()) {
        if (!kest_host::parse_scenario(kDemoScenario, "demo", setup.start, error)) {
            kest_host::print_error(std::cerr, error);
            return 2;
        }
        kest_host::keep_setup_only(setup.start);
    } else if (!kest_host::read_scenario_file(c.scenarios.front(), setup.start, error)) {
        kest_host::print_error(std::cerr, error);
        return 2;
    } else if (setup.start.steps.empty()) {
        std::cerr << "kest-host: " << kest_host::printable(c.scenarios.front())
                  << " holds no statements; the session starts empty\n";
    }
    if (!c.web.empty()) {
#ifdef KEST_HOST_HAVE_WEB
        kest_host::web::web_setup web;
        web.console = setup;
        web.listen = c.web;
        web.token = c.web_token;
        web.studio = c.scenarios.empty() ? "demo" : c.scenarios.front();
        return kest_host::web::run_web(web, std::cout, std::cerr);
#else
        std::cerr << "kest-host: error: this build has no --web (it was built without Boost)\n";
        return 2;
#endif
    }
    return kest_host::run_interactive(setup, std::cin, std::cout, std::cerr);
}

int run(int argc, char** argv) {
    command_line c;
    if (const auto status = kest_host::read_command_line(argc, argv, KEST_DEFAULT_PLUGIN, c,
                                                         std::cout, std::cerr)) {
        return *status;
    }
    c.plugin_as_given = c.plugin;
    if (c.plugin.empty()) {
        c.plugin = kest_host::executable_directory(argv[0]) + "/" + KEST_DEFAULT_PLUGIN;
    }
    if (c.version) {
        return kest_host::print_version(c.plugin, std::cout, std::cerr);
    }
    const bool color = !c.no_color && kest_host::is_terminal(stdout);
#ifdef KEST_HOST_HAVE_LIVE
    if (!c.live.empty()) {
        kest_host::live::live_studio studio;
        studio.set_read_only(c.read_only);
        kest_host::run_options options = base_options(c, color);
        options.devices = &studio;
        if (!c.web.empty()) {
#ifdef KEST_HOST_HAVE_WEB_LIVE
            kest_host::web::live_web_setup web;
            web.file = c.live;
            web.listen = c.web;
            web.token = c.web_token;
            web.interactive = c.interactive;
            web.for_ms = c.for_ms;
            web.options = options;
            return kest_host::web::run_live_web(web, studio, std::cout, std::cerr);
#else
            std::cerr << "kest-host: error: this build has no --web (it was built without Boost)\n";
            return 2;
#endif
        }
        return kest_host::run_live(c, options, studio, std::cout, std::cerr);
    }
#endif
    if (c.interactive) {
        return run_console(c, base_options(c, color));
    }
    return run_recorded(c, color);
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever a run lets escape (memory running out, a library's own failure)
    // ends it with its reason named, not with an abort and no word.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "kest-host: error: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "kest-host: error: an unexpected failure ended the run\n";
    }
    return 2;
}
