// What a session hands to the run's report (host/report): the trace as typed timeline
// entries, the checks' results and drawings of the panel. The report's recorder
// ignores everything outside a suite, so the session may feed it at any time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checks/validator.h"
#include "panel/panel_model.h"
#include "plugin/trace_log.h"
#include "report/run_record.h"

namespace kest_host {

// Passes every traced item to the recorder as a timeline entry.
class report_feed final : public trace_listener {
  public:
    explicit report_feed(report::recorder& rec) : rec_(rec) {}
    void traced(trace_kind kind, const std::string& text, std::optional<int32_t> device) override;

  private:
    report::recorder& rec_;
};

// The checks table as the report keeps it.
std::vector<report::check_record> check_records(const validator& checks);

// Every shown panel as drawn now, its controls in layout order.
std::vector<report::snapshot_record> panel_snapshots(const panel_model& panels,
                                                     report::snapshot_reason reason, int line);

}  // namespace kest_host
