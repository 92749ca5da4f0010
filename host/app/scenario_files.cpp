#include "app/scenario_files.h"

#include <algorithm>
#include "common/diagnostic.h"
#include "common/printable.h"
#include "demo_scenario.h"
#include "scenario/scenario_file.h"

namespace kest_host {

namespace {

// Reads and parses one file, or the built-in demo when `demo` is set; false with
// `error`.
bool load(const std::string& file, bool demo, const scenario_values& values, scenario& parsed,
          std::string& error) {
    scenario_limits limits;
    limits.values = &values;
    const bool read = demo ? parse_scenario(kDemoScenario, "demo", parsed, error)
                           : read_scenario_file(file, parsed, error, limits);
    if (!read) {
        return false;
    }
    if (parsed.steps.empty()) {
        error = printable(parsed.file) +
                ": holds no statements; a scenario needs at least one step (see "
                "docs/kest-host.md, \"Your first scenario\")";
        return false;
    }
    return true;
}

// A file that could not be loaded, as a suite of the report that ran nothing.
void record_unloaded(report::recorder* rec, const std::string& file, const std::string& error) {
    if (rec == nullptr) {
        return;
    }
    rec->begin_suite(file.empty() ? "demo" : file);
    rec->note_error(error);
    report::suite_summary summary;
    summary.exit_status = 2;
    rec->end_suite({}, summary);
}

}  // namespace

int run_scenario_files(const std::vector<std::string>& files, const run_options& options,
                       std::ostream& out, std::ostream& err) {
    const std::vector<std::string> names = files.empty() ? std::vector<std::string>{""} : files;
    std::vector<scenario> parsed(names.size());
    bool loaded = true;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string error;
        if (!load(names[i], files.empty(), options.values, parsed[i], error)) {
            print_error(err, error);
            record_unloaded(options.recorder, names[i], error);
            loaded = false;
        }
    }
    if (!loaded) {
        return 2;
    }
    int worst = 0;
    int failed = 0;
    for (const auto& s : parsed) {
        if (names.size() > 1) {
            out << "=== " << printable(s.file) << "\n";
        }
        const int status = run_scenario(s, options, out);
        worst = std::max(worst, status);
        failed += status != 0 ? 1 : 0;
    }
    if (names.size() > 1) {
        out << "All: " << counted(names.size(), "scenario file") << ", " << failed << " failed\n";
    }
    return worst;
}

}  // namespace kest_host
