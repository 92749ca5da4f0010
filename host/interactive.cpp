#include "interactive.h"

#include <string>

namespace kest_host {

namespace {

const char kHelp[] =
    "Statements (texts in double quotes):\n"
    "  set-up:  device router|infodriver|gpi N   instance \"NAME\" DEVICE [OFFSET]\n"
    "           inputs DEVICE FIRST   layout-dir \"DIR\"\n"
    "  world:   slot INDEX \"TEXT\"   name source|dest INDEX \"NAME\"   route SOURCE to DEST\n"
    "           input INDEX VALUE\n"
    "  panel:   start   stop   show   press N   release N   advance MS\n"
    "           request \"TEXT\"|none   button \"ID\" [\"REQUEST\"]\n"
    "           revertive DEVICE INDEX VALUE [\"TEXT\"]   dbchange DEVICE DB INDEX \"TEXT\"\n"
    "           event TYPE DATA\n"
    "  expect:  expect dest D source S   expect control ID PROPERTY \"VALUE\"\n"
    "           expect hidden|visible ID   expect answer \"TEXT\"|none\n"
    "           expect sent \"COMMAND\"   expect not-sent \"PREFIX\"\n"
    "           expect timer ID running|stopped\n"
    "  session: help   quit\n";

}  // namespace

int run_interactive(const run_options& options, std::istream& in, std::ostream& out, bool prompt) {
    scenario_runner runner(options, out);
    out << "kest-host interactive: type help for the statements, quit to end.\n";
    std::string line;
    int number = 0;
    for (;;) {
        if (prompt) {
            out << "kest> " << std::flush;
        }
        if (!std::getline(in, line)) {
            break;
        }
        ++number;
        const auto first = line.find_first_not_of(" \t");
        const std::string word = first == std::string::npos ? "" : line.substr(first);
        if (word == "quit" || word == "exit") {
            break;
        }
        if (word == "help" || word == "?") {
            out << kHelp;
            continue;
        }
        std::optional<step> s;
        std::string error;
        if (!parse_scenario_line(line, "input", number, s, error)) {
            out << "error: " << error << " (type help)\n";
            continue;
        }
        if (s && !runner.execute(*s, "input")) {
            if (runner.fatal()) {
                break;  // the plug-in or its layout failed: finish() reports it
            }
            out << "error: " << runner.error() << "\n";
            runner.clear_error();
        }
    }
    return runner.finish();
}

}  // namespace kest_host
