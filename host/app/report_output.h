// The report files of a run (--junit, --report): checked before anything runs, so
// that a path that cannot be written ends the run at once, and written at its end.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "report/run_record.h"

namespace kest_host {

// True when a report is asked for.
bool wants_report(const command_line& c);
// The files a run reads: its scenarios, the plug-in, and the layout files in the
// plug-in's folder and in each folder a scenario names with layout-dir.
std::vector<std::string> files_read(const command_line& c);
// Checks every report path; false after naming each one that cannot be written, is a
// file the run reads or the other report's file (or --junit on a build without the
// JUnit writer).
bool check_report_paths(const command_line& c, std::ostream& err);
// Writes the files asked for; false after naming each one that could not be written.
bool write_reports(const command_line& c, const report::run_record& run, std::ostream& err);

}  // namespace kest_host
