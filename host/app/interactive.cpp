#include "app/interactive.h"

#include <string>

#include "scenario/statement_table.h"

namespace kest_host {

namespace {

// The line without the blanks around it.
std::string trimmed(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

int run_interactive(const run_options& options, std::istream& in, std::ostream& out, bool prompt) {
    scenario_runner runner(options, out);
    out << "kest-host interactive: type help for the statements, quit to end.\n";
    std::string line;
    for (int number = 1;; ++number) {
        if (prompt) {
            out << "kest> " << std::flush;
        }
        if (!std::getline(in, line)) {
            break;
        }
        const std::string word = trimmed(line);
        if (word == "quit" || word == "exit") {
            break;
        }
        if (word == "help" || word == "?") {
            out << statement_help();
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
