// The command line of kest-host (read with CLI11):
//
//   kest-host [--plugin PATH] [--quiet] [--no-color] [--junit FILE] [--report FILE]
//             [SCENARIO...]
//   kest-host --stress N --seed S [--faults] [--from K] [--plugin PATH] [--quiet]
//             [--no-color] [--junit FILE] [--report FILE]
//   kest-host --interactive [--web [ADDR:]PORT [--web-token T]] [--plugin PATH] [--quiet]
//             [--no-color] [SCENARIO]
//   kest-host --live FILE [--for SECONDS] [--interactive] [--read-only] [--set NAME=VALUE]...
//             [--web [ADDR:]PORT [--web-token T]]
//
//   kest-host --version | --help
//
// `--help` prints the usage, the options in groups with an example each, on standard
// output; a usage error prints the message and
// the usage on standard error and ends with status 2.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kest_host {

struct command_line {
    std::string plugin;                  // empty: the default plug-in beside kest-host
    std::string plugin_as_given;         // --plugin as typed, for the commands printed
    std::vector<std::string> scenarios;  // none: the built-in demo
    std::string junit;                   // the JUnit XML file to write ("" none)
    std::string report;                  // the HTML report to write ("" none)
    bool version = false;                // --version: print the build's and the plug-in's versions
    bool quiet = false;
    bool no_color = false;
    bool interactive = false;
    std::string web;        // --web [ADDR:]PORT: serve the panel to browsers ("" none)
    std::string web_token;  // --web-token: the token the page needs
    bool stress = false;
    bool faults = false;        // stress with device faults
    bool all_findings = false;  // stress: print every finding, not the first of each check
    uint64_t events = 0;
    uint64_t seed = 0;
    std::optional<uint64_t> trace_from;  // --from K of a stress run
    std::string live;                    // --live FILE ("" none)
    std::optional<int64_t> for_ms;       // --for SECONDS of --live, in ms
    bool read_only = false;              // no crosspoint to a real router
    std::vector<std::string> values;     // --set NAME=VALUE, as given
};

// True when this kest-host was built with live mode (Boost.Asio).
bool live_mode_built();
// Whether --web (the browser panel) is in this build.
bool web_mode_built();

// Reads the arguments into `out`. Returns an exit status when the program should end
// at once (0 after --help, 2 after a usage error), nothing when it should run.
std::optional<int> read_command_line(int argc, const char* const* argv, const char* default_plugin,
                                     command_line& out, std::ostream& stdout_stream,
                                     std::ostream& stderr_stream);

}  // namespace kest_host
