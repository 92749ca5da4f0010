// A run as JUnit XML, the result format that CI systems read.
//
//   <testsuites name tests failures errors skipped time>
//     <testsuite name=FILE tests failures errors skipped time>   one per scenario file
//       <properties/>                           stress runs: seed and events
//       <testcase classname=FILE name="FILE:LINE: STATEMENT">  one per expectation
//         <failure message=WHY type="expectation"/>            when it failed
//       <testcase classname="FILE.checks" name=CHECK-ID>       one per check
//         <skipped message=REASON/> | <failure message=...>FINDINGS</failure>
//         <system-out>WARNINGS</system-out>                     a warning passes
//       <testcase classname="stress.stress"                      stress runs: the model
//                 name="routing model (seed S, N events)">
//         <failure message="CHECK after event E with seed S: WHY (repeat with: CMD)"/>
//       <testcase classname=FILE name="run"><error message=WHY/>  a run that stopped
//
// Every text goes through readable_text() first; the XML itself is written by
// pugixml, so no markup is ever made by hand.
#pragma once

#include <ostream>
#include <string>

#include "report/run_record.h"

namespace kest_host::report {

void write_junit(const run_record& run, std::ostream& out);
std::string junit_xml(const run_record& run);

// Writes the file; on failure returns false with `error` naming the path.
bool write_junit_file(const run_record& run, const std::string& path, std::string& error);

}  // namespace kest_host::report
