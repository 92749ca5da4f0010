// A run as one self-contained HTML page for a person to read: the panel drawn as the
// host shows it at every `show`, at the end and at every failed expectation; the
// timeline of steps with the commands, replies and events each caused; the checks
// and the summary. No network and no other file: the style sheet and the small
// script (only the timeline's filter) are inline, and everything is visible without
// the script.
//
// Stable hooks for tools that read the page:
//   section.suite#suite-N[data-suite]           one per scenario file
//   figure.snapshot[data-reason][data-line]     one per drawing; .failed at a failure
//   .control[data-control-id][data-kind][data-statesheet][data-visible] > .text
//   li.step[data-line]  li.entry[data-kind][data-device]  .failed on failures
//   table.checks tr[data-check-id][data-status]  #summary
#pragma once

#include <string>
#include <string_view>

#include "report/run_record.h"

namespace kest_host::report {

std::string html_report(const run_record& run);

// Writes the file; on failure returns false with `error` naming the path.
bool write_html_file(const run_record& run, const std::string& path, std::string& error);

// The page's Content-Security-Policy: nothing loaded from anywhere, and no script but
// `script`, the content of its one inline script element, allowed by its SHA-256.
std::string content_security_policy(std::string_view script);

// The one escape every text of the page goes through, for element content and for
// quoted attribute values alike: readable_text(), then & < > " ' and tab, LF and CR
// as references.
std::string html_text(std::string_view text);

}  // namespace kest_host::report
