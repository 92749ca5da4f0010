// Writes the report of a hand-filled run that looks like the demo (and, after it, one
// suite per hostile text) for the browser check: make_sample_report OUT.html [OUT.xml]
#include <cstdio>
#include <string>

#include "html_report.h"
#include "report_sample.h"
#ifdef KEST_HOST_HAVE_JUNIT
#include "junit_report.h"
#endif

int main(int argc, char** argv) {
    using namespace kest_host::report;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_sample_report OUT.html [OUT.xml]\n");
        return 2;
    }
    run_record run = sample::demo_run();
    const run_record hostile = sample::hostile_run();
    run.suites.insert(run.suites.end(), hostile.suites.begin(), hostile.suites.end());
    std::string error;
    bool ok = write_html_file(run, argv[1], error);
#ifdef KEST_HOST_HAVE_JUNIT
    if (ok && argc == 3) {
        ok = write_junit_file(run, argv[2], error);
    }
#else
    if (ok && argc == 3) {
        error = "this build has no JUnit writer";
        ok = false;
    }
#endif
    if (!ok) {
        std::fprintf(stderr, "make_sample_report: %s\n", error.c_str());
        return 2;
    }
    return 0;
}
