#include "app/report_output.h"

#include <filesystem>

#include "common/diagnostic.h"
#include "common/paths.h"
#include "common/printable.h"
#include "report/html_report.h"
#include "report/output_file.h"
#include "scenario/scenario_file.h"
#ifdef KEST_HOST_HAVE_JUNIT
#include "report/junit_report.h"
#endif

namespace kest_host {

namespace fs = std::filesystem;

namespace {

// The layout files in a folder (the panel names its own; any of them may be read).
void add_layouts(const std::string& folder, std::vector<std::string>& files) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".kest_ui") {
            files.push_back(it->path().string());
        }
    }
}

}  // namespace

std::vector<std::string> files_read(const command_line& c) {
    std::vector<std::string> files = c.scenarios;
    files.push_back(c.plugin);
    add_layouts(directory_of(c.plugin), files);
    for (const auto& file : c.scenarios) {
        scenario parsed;
        std::string ignored;  // a file that cannot be read is named when the run loads it
        if (!read_scenario_file(file, parsed, ignored)) {
            continue;
        }
        for (const auto& s : parsed.steps) {
            if (const auto* dir = std::get_if<stmt::layout_dir>(&s.what)) {
                add_layouts(
                    is_absolute_path(dir->dir) ? dir->dir : directory_of(file) + "/" + dir->dir,
                    files);
            }
        }
    }
    return files;
}

bool wants_report(const command_line& c) {
    return !c.junit.empty() || !c.report.empty();
}

bool check_report_paths(const command_line& c, std::ostream& err) {
    bool ok = true;
#ifndef KEST_HOST_HAVE_JUNIT
    if (!c.junit.empty()) {
        err << "kest-host: error: --junit " << printable(c.junit)
            << ": this kest-host was built without the JUnit writer (pugixml)\n";
        ok = false;
    }
#endif
    for (const std::string* path : {&c.junit, &c.report}) {
        std::string error;
        if (!path->empty() && !report::probe_output_path(*path, error)) {
            print_error(err, error);
            ok = false;
        }
    }
    std::vector<std::string> clashes;
    if (!report::outputs_are_distinct({{"--junit", c.junit}, {"--report", c.report}}, files_read(c),
                                      clashes)) {
        for (const auto& clash : clashes) {
            print_error(err, clash);
        }
        ok = false;
    }
    return ok;
}

bool write_reports(const command_line& c, const report::run_record& run, std::ostream& err) {
    bool ok = true;
    std::string error;
#ifdef KEST_HOST_HAVE_JUNIT
    if (!c.junit.empty() && !report::write_junit_file(run, c.junit, error)) {
        print_error(err, error);
        ok = false;
    }
#endif
    if (!c.report.empty() && !report::write_html_file(run, c.report, error)) {
        print_error(err, error);
        ok = false;
    }
    return ok;
}

}  // namespace kest_host
