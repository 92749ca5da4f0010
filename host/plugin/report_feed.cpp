#include "plugin/report_feed.h"

namespace kest_host {

void report_feed::traced(trace_kind kind, const std::string& text, std::optional<int32_t> device) {
    switch (kind) {
        case trace_kind::command:
            rec_.note_command(text, device);
            break;
        case trace_kind::reply:
            rec_.note_reply(text);
            break;
        case trace_kind::release:
            rec_.note_release(text);
            break;
        case trace_kind::event:
            rec_.note_event(text, device);
            break;
        case trace_kind::answer:
            rec_.note_answer(text);
            break;
    }
}

namespace {

report::check_status status_of(check_result r) {
    switch (r) {
        case check_result::passed:
            return report::check_status::passed;
        case check_result::skipped:
            return report::check_status::skipped;
        case check_result::warning:
            return report::check_status::warning;
        case check_result::failed:
            break;
    }
    return report::check_status::failed;
}

}  // namespace

std::vector<report::check_record> check_records(const validator& checks) {
    std::vector<report::check_record> out;
    for (std::size_t i = 0; i < static_cast<std::size_t>(check_id::count_); ++i) {
        const check& c = checks.get(static_cast<check_id>(i));
        report::check_record r;
        r.id = c.id();
        r.description = c.description();
        r.status = status_of(c.result());
        if (r.status == report::check_status::skipped) {
            r.skip_reason = c.skip_reason().empty() ? "nothing exercised it" : c.skip_reason();
        }
        r.findings = c.messages();
        r.finding_count = c.findings();
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<report::snapshot_record> panel_snapshots(const panel_model& panels,
                                                     report::snapshot_reason reason, int line) {
    std::vector<report::snapshot_record> out;
    for (const auto& p : panels.panels()) {
        report::snapshot_record shot;
        shot.reason = reason;
        shot.line = line;
        shot.panel = p.first;
        shot.layout_file = p.second.layout_file;
        for (const control_state& c : p.second.controls) {
            shot.controls.push_back({c.def.id, c.def.kind, c.def.column, c.def.row, c.def.width,
                                     c.text, c.statesheet, !c.hidden});
        }
        out.push_back(std::move(shot));
    }
    return out;
}

}  // namespace kest_host
