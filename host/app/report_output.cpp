#include "app/report_output.h"

#include "report/html_report.h"
#include "report/output_file.h"
#ifdef KEST_HOST_HAVE_JUNIT
#include "report/junit_report.h"
#endif

namespace kest_host {

bool wants_report(const command_line& c) {
    return !c.junit.empty() || !c.report.empty();
}

bool check_report_paths(const command_line& c, std::ostream& err) {
    bool ok = true;
#ifndef KEST_HOST_HAVE_JUNIT
    if (!c.junit.empty()) {
        err << "kest-host: --junit " << c.junit
            << ": this kest-host was built without the JUnit writer (pugixml)\n";
        ok = false;
    }
#endif
    for (const std::string* path : {&c.junit, &c.report}) {
        std::string error;
        if (!path->empty() && !report::probe_output_path(*path, error)) {
            err << "kest-host: " << error << "\n";
            ok = false;
        }
    }
    return ok;
}

bool write_reports(const command_line& c, const report::run_record& run, std::ostream& err) {
    bool ok = true;
    std::string error;
#ifdef KEST_HOST_HAVE_JUNIT
    if (!c.junit.empty() && !report::write_junit_file(run, c.junit, error)) {
        err << "kest-host: " << error << "\n";
        ok = false;
    }
#endif
    if (!c.report.empty() && !report::write_html_file(run, c.report, error)) {
        err << "kest-host: " << error << "\n";
        ok = false;
    }
    return ok;
}

}  // namespace kest_host
