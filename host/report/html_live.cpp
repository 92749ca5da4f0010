#include "html_live.h"

#include "html_parts.h"

namespace kest_host::report {

std::string html_panel_drawing(const std::vector<snapshot_record>& panels,
                               const std::string& high_statesheet, const std::string& id) {
    suite_record suite;
    suite.snapshots = panels;
    std::string out;
    html::write_panels(out, suite, id, high_statesheet);
    return out;
}

const char* html_report_style() {
    return html::style();
}

}  // namespace kest_host::report
