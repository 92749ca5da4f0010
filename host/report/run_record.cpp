#include "report/run_record.h"

#include <utility>

namespace kest_host::report {

run_totals totals(const run_record& run) {
    run_totals t;
    for (const auto& suite : run.suites) {
        t.suites++;
        t.expectations += suite.summary.expectations;
        t.failed_expectations += suite.summary.failed_expectations;
        for (const auto& check : suite.checks) {
            t.checks_failed += check.status == check_status::failed ? 1 : 0;
            t.checks_warned += check.status == check_status::warning ? 1 : 0;
            t.checks_skipped += check.status == check_status::skipped ? 1 : 0;
        }
        t.errors += suite.error.empty() ? 0 : 1;
    }
    return t;
}

const char* status_name(check_status status) {
    switch (status) {
        case check_status::passed:
            return "passed";
        case check_status::skipped:
            return "skipped";
        case check_status::warning:
            return "warning";
        case check_status::failed:
            return "failed";
    }
    return "?";
}

const char* kind_name(entry_kind kind) {
    switch (kind) {
        case entry_kind::command:
            return "command";
        case entry_kind::reply:
            return "reply";
        case entry_kind::release:
            return "release";
        case entry_kind::event:
            return "event";
        case entry_kind::answer:
            return "answer";
        case entry_kind::finding:
            return "finding";
    }
    return "?";
}

const char* reason_name(snapshot_reason reason) {
    switch (reason) {
        case snapshot_reason::show:
            return "show";
        case snapshot_reason::end:
            return "end";
        case snapshot_reason::failed_expectation:
            return "failed-expectation";
        case snapshot_reason::live:
            return "live";
    }
    return "?";
}

suite_record* recorder::current() {
    return open_ ? &run_.suites.back() : nullptr;
}

void recorder::begin_suite(const std::string& name) {
    run_.suites.emplace_back();
    run_.suites.back().name = name;
    open_ = true;
    entries_ = 0;
    steps_full_ = false;
    timeline_bytes_ = 0;
    snapshot_bytes_ = 0;
    expectation_bytes_ = 0;
}

void recorder::begin_stress(uint64_t seed, uint64_t events) {
    begin_suite("stress");
    run_.suites.back().stress = stress_record{seed, events, {}};
}

void recorder::end_stress(uint64_t done, bool interrupted) {
    suite_record* suite = current();
    if (suite != nullptr && suite->stress) {
        suite->stress->events_run = done;
        suite->stress->interrupted = interrupted;
    }
}

void recorder::begin_step(int line, const std::string& statement) {
    suite_record* suite = current();
    if (suite == nullptr) {
        return;
    }
    if (steps_full_ || suite->steps.size() >= kMaxSteps ||
        timeline_bytes_ + statement.size() > kMaxTimelineBytes) {
        steps_full_ = true;
        suite->steps_dropped++;
        return;
    }
    timeline_bytes_ += statement.size();
    suite->steps.push_back(step_record{line, statement, {}, 0, false, {}});
}

void recorder::add_entry(entry_kind kind, const std::string& text, std::optional<int32_t> device) {
    suite_record* suite = current();
    if (suite == nullptr) {
        return;
    }
    if (steps_full_) {
        suite->entries_dropped++;
        return;
    }
    if (suite->steps.empty()) {
        // What happens before the first statement (loading the plug-in) gets a step
        // of its own.
        begin_step(0, "");
    }
    step_record& step = suite->steps.back();
    if (entries_ >= kMaxTimelineEntries || timeline_bytes_ + text.size() > kMaxTimelineBytes) {
        step.entries_dropped++;
        return;
    }
    entries_++;
    timeline_bytes_ += text.size();
    step.entries.push_back(timeline_entry{kind, text, device});
}

void recorder::note_command(const std::string& text, std::optional<int32_t> device) {
    add_entry(entry_kind::command, text, device);
}

void recorder::note_reply(const std::string& text) {
    add_entry(entry_kind::reply, text, {});
}

void recorder::note_release(const std::string& text) {
    add_entry(entry_kind::release, text, {});
}

void recorder::note_event(const std::string& text, std::optional<int32_t> device) {
    add_entry(entry_kind::event, text, device);
}

void recorder::note_answer(const std::string& text) {
    add_entry(entry_kind::answer, text, {});
}

void recorder::note_finding(const std::string& check_id, const std::string& message, bool warning) {
    const std::string text = (warning ? "warning " : "failed ") + check_id + ": " + message;
    add_entry(entry_kind::finding, text, {});
    suite_record* suite = current();
    if (suite != nullptr && !warning && !steps_full_ && !suite->steps.empty() &&
        !suite->steps.back().failed) {
        suite->steps.back().failed = true;
        suite->steps.back().failure = text;
    }
}

void recorder::note_expectation(const std::string& file, int line, const std::string& statement,
                                bool passed, const std::string& message,
                                const std::string& control) {
    suite_record* suite = current();
    if (suite == nullptr) {
        return;
    }
    if (!steps_full_ && !passed && !suite->steps.empty() && suite->steps.back().line == line &&
        !suite->steps.back().failed) {
        suite->steps.back().failed = true;
        suite->steps.back().failure = message;
    }
    const std::size_t bytes = file.size() + statement.size() + message.size() + control.size();
    if (suite->expectations.size() >= kMaxExpectations ||
        expectation_bytes_ + bytes > kMaxExpectationBytes) {
        suite->expectations_dropped++;
        suite->failed_expectations_dropped += passed ? 0 : 1;
        return;
    }
    expectation_bytes_ += bytes;
    suite->expectations.push_back(
        expectation_record{file, line, statement, passed, message, control});
}

void recorder::snapshot(snapshot_record shot) {
    suite_record* suite = current();
    if (suite == nullptr) {
        return;
    }
    std::size_t bytes = shot.panel.size() + shot.layout_file.size();
    for (const auto& c : shot.controls) {
        bytes += c.id.size() + c.text.size() + c.statesheet.size() + 64;
    }
    // The drawings at the end (one per panel) are always kept.
    const bool end = shot.reason == snapshot_reason::end;
    if (!end &&
        (suite->snapshots.size() >= kMaxSnapshots || snapshot_bytes_ + bytes > kMaxSnapshotBytes)) {
        suite->snapshots_dropped++;
        return;
    }
    snapshot_bytes_ += bytes;
    suite->snapshots.push_back(std::move(shot));
}

bool recorder::keeps_snapshot(snapshot_reason reason) {
    const suite_record* suite = current();
    return suite != nullptr &&
           (reason == snapshot_reason::end ||
            (suite->snapshots.size() < kMaxSnapshots && snapshot_bytes_ < kMaxSnapshotBytes));
}

void recorder::snapshot_left_out() {
    if (suite_record* suite = current()) {
        suite->snapshots_dropped++;
    }
}

void recorder::note_stress_finding(stress_finding finding) {
    suite_record* suite = current();
    if (suite != nullptr && suite->stress && suite->stress->findings.size() < kMaxStressFindings) {
        suite->stress->findings.push_back(std::move(finding));
    }
}

void recorder::note_error(const std::string& message) {
    suite_record* suite = current();
    if (suite != nullptr && suite->error.empty()) {
        suite->error = message;
    }
}

void recorder::end_suite(std::vector<check_record> checks, const suite_summary& summary,
                         double seconds) {
    if (suite_record* suite = current()) {
        suite->checks = std::move(checks);
        suite->summary = summary;
        suite->seconds = seconds;
    }
    open_ = false;
}

}  // namespace kest_host::report
