// The panel drawing of the HTML report, for a page that shows it live: the same
// drawing (legend, controls, statesheet colours, hidden controls) and the same style
// sheet, so that the report and the browser panel cannot drift apart.
#pragma once

#include <string>
#include <vector>

#include "run_record.h"

namespace kest_host::report {

// The drawings of the shown panels, as the report draws a suite's snapshots; `id`
// scopes the statesheet colours.
std::string html_panel_drawing(const std::vector<snapshot_record>& panels,
                               const std::string& high_statesheet, const std::string& id);

// The report's style sheet.
const char* html_report_style();

}  // namespace kest_host::report
