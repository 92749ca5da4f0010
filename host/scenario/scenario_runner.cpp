#include "scenario/scenario_runner.h"

#include "common/diagnostic.h"
#include "common/paths.h"
#include "common/printable.h"
#include "panel/render.h"

namespace kest_host {

scenario_runner::scenario_runner(const run_options& options, std::ostream& out)
    : out_(out),
      trace_(options.quiet ? stmt::trace_level::off : stmt::trace_level::full),
      color_(options.color),
      session_(options, out) {
    session_.host().set_record_commands(true);
}

void scenario_runner::set_trace(stmt::trace_level level) {
    trace_ = level;
    host().set_trace(level == stmt::trace_level::full ? &out_ : nullptr, color_);
}

bool scenario_runner::fail_step(const std::string& message) {
    error_ = where_ + ": error: " + message;
    return false;
}

void scenario_runner::fail(const std::string& message) {
    if (probing_) {
        probe_failed_ = true;
        return;
    }
    ++failed_;
    last_failure_ = message;
    session_.errors() << "kest-host: " << (color_ ? "\033[1;31mFAIL\033[0m " : "FAIL ") << where_
                      << ": " << printable(message) << "\n";
}

bool scenario_runner::ensure_started() {
    if (session_.started()) {
        return true;
    }
    fatal_ = true;  // a panel that cannot be made ends what the run can do
    if (!session_.start()) {
        error_ = session_.error();
        return false;
    }
    fatal_ = false;
    tell_devices_started();
    return true;
}

device* scenario_runner::need(device_kind kind) {
    device* d = host().world().first(kind);
    if (d == nullptr) {
        const std::string a = kind == device_kind::infodriver ? "an " : "a ";
        fail_step("`" + excerpt(source_) + "` needs " + a + kind_name(kind) + " device, and no " +
                  kind_name(kind) + " device is declared above this line; " + "put `device " +
                  kind_name(kind) + " N` before it");
    }
    return d;
}

void scenario_runner::show() {
    render_options r;
    r.color = color_;
    if (session_.options().ascii_cut) {
        r.cut_marker = "~";
    }
    const sim_host& h = host();
    for (const auto& p : h.panels().panels()) {
        out_ << render_panel(h.panels(), h.world(), p.first, r);
    }
    if (h.panels().empty()) {
        out_ << "(no panel shown)\n";
        const std::string faults = h.world().faults_in_force();
        if (!faults.empty()) {
            out_ << "  devices: " << printable(faults) << "\n";
        }
    }
}

// Everything before the step itself: the trace header, the step's commands, and
// whether the step can run at all.
bool scenario_runner::prepare(const step& s) {
    const statement_group group = group_of(s.what);
    if (trace_ == stmt::trace_level::full && group != statement_group::expectation &&
        (session_.started() || group != statement_group::setup)) {
        out_ << (color_ ? "\033[1m" : "") << "--- " << where_ << ": " << printable(s.source)
             << (color_ ? "\033[0m" : "") << "\n";
    }
    if (group != statement_group::expectation) {
        host().clear_step_commands();
    }
    const bool panel = needs_panel(s.what);
    if (panel && session_.stopped()) {
        // A start after a stop makes the fresh panel itself.
        return std::holds_alternative<stmt::start>(s.what) ||
               fail_step(
                   "the panel has been stopped; nothing can reach it until `start` or "
                   "`restart` makes a fresh one");
    }
    // A step that cannot be carried out says so before the panel is started for it.
    const bool presses = std::holds_alternative<stmt::press>(s.what) ||
                         std::holds_alternative<stmt::release>(s.what);
    if (presses && !inputs_set_ && need(device_kind::gpi) == nullptr) {
        return false;
    }
    return !panel || ensure_started();
}

bool scenario_runner::execute(const step& s, const std::string& file) {
    file_ = file;
    where_ = printable(file) + ":" + std::to_string(s.line);
    source_ = s.source;
    line_ = s.line;
    session_.set_location("at " + where_);
    if (report::recorder* rec = session_.recorder()) {
        rec->begin_step(s.line, s.source);
    }
    if (!prepare(s)) {
        return false;
    }
    // A drawing comes after the line that introduces it; other steps' lines follow
    // them, with the commands they caused.
    const bool draws = std::holds_alternative<stmt::show>(s.what);
    if (trace_ == stmt::trace_level::brief && draws) {
        print_brief(s);
    }
    const uint64_t failed_before = failed_;
    if (s.within && group_of(s.what) == statement_group::expectation) {
        if (!expect_within(s)) {
            return false;
        }
    } else if (!std::visit([this](const auto& v) { return apply(v); }, s.what)) {
        return false;
    }
    const bool expectation = group_of(s.what) == statement_group::expectation;
    if (expectation && trace_ != stmt::trace_level::off && failed_ == failed_before) {
        out_ << "ok   " << where_ << ": " << printable(s.source) << "\n";
    }
    if (expectation) {
        record_expectation(s, failed_ == failed_before);
    }
    if (session_.live() && !expectation) {
        host().settle();
    }
    if (trace_ == stmt::trace_level::brief && !expectation && !draws &&
        (session_.started() || group_of(s.what) != statement_group::setup)) {
        print_brief(s);
    }
    if (!host().file_error().empty()) {
        fatal_ = true;
        return fail_step(host().file_error());
    }
    return true;
}

// One line for the step: where, what, and the commands it caused (as many as fit
// about two terminal lines, then how many there were).
void scenario_runner::print_brief(const step& s) {
    constexpr std::size_t kWidth = 150;
    const auto& sent = host().step_commands();
    std::string line = "--- " + where_ + ": " + printable(s.source);
    std::size_t shown = 0;
    for (; shown < sent.size(); ++shown) {
        const std::string next = (shown == 0 ? "  -> " : " | ") + printable(sent[shown]);
        if (shown > 0 && line.size() + next.size() > kWidth) {
            break;
        }
        line += next;
    }
    if (shown < sent.size()) {
        line += " | ... (" + std::to_string(sent.size()) + " commands)";
    }
    out_ << line << "\n";
}

int scenario_runner::finish() {
    const bool live = live_time();
    session_.end();
    if (devices() != nullptr) {
        devices()->close();  // the panel is deleted (it unregistered): the links close
    }
    if (!error_.empty()) {
        print_error(session_.errors(), error_);
        if (session_.follow_on_findings() > 0) {
            const uint64_t n = session_.follow_on_findings();
            session_.errors() << "kest-host: " << counted(n, "further finding") << " of the checks "
                              << (n == 1 ? "follows" : "follow") << " from this error and "
                              << (n == 1 ? "is" : "are") << " not listed\n";
        }
        record_end(2);
        return 2;
    }
    if (!host().panels().empty()) {
        out_ << "Panel at the end:\n";
        show();
    }
    const bool checks_failed = session_.print_checks();
    out_ << "Summary: " << counted(expectations_, "expectation") << ", " << failed_
         << " failed; checks " << (checks_failed ? "FAILED" : "passed") << "; "
         << counted(host().commands_seen(), "command") << ", "
         << counted(host().events_delivered(), "event");
    if (live) {
        out_ << "; " << counted(devices()->refused(), "crosspoint") << " refused";
    }
    out_ << "\n";
    const int status = failed_ > 0 || checks_failed ? 1 : 0;
    record_end(status);
    return status;
}

void scenario_runner::record_expectation(const step& s, bool passed) {
    report::recorder* rec = session_.recorder();
    if (rec == nullptr) {
        return;
    }
    std::string control;  // the control an expectation is about, for the report's drawing
    if (const auto* c = std::get_if<stmt::expect_control>(&s.what)) {
        control = c->id;
    } else if (const auto* v = std::get_if<stmt::expect_visibility>(&s.what)) {
        control = v->id;
    }
    rec->note_expectation(file_, s.line, s.source, passed, passed ? "" : last_failure_, control);
    if (!passed) {
        record_drawing(report::snapshot_reason::failed_expectation, s.line);
    }
}

void scenario_runner::record_drawing(report::snapshot_reason reason, int line) {
    if (report::recorder* rec = session_.recorder()) {
        if (!rec->keeps_snapshot(reason)) {
            rec->snapshot_left_out();  // past the report's limit: not even drawn
            return;
        }
        for (auto& shot : panel_snapshots(host().panels(), reason, line)) {
            rec->snapshot(std::move(shot));
        }
    }
}

void scenario_runner::record_end(int status) {
    report::recorder* rec = session_.recorder();
    if (rec == nullptr) {
        return;
    }
    if (!error_.empty()) {
        rec->note_error(error_);
    }
    record_drawing(report::snapshot_reason::end, 0);
    report::suite_summary summary;
    summary.expectations = expectations_;
    summary.failed_expectations = failed_;
    summary.commands = host().commands_seen();
    summary.events = host().events_delivered();
    summary.exit_status = status;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    rec->end_suite(check_records(session_.checks()), summary, seconds);
}

int run_scenario(const scenario& s, const run_options& options, std::ostream& out) {
    if (options.recorder != nullptr) {
        options.recorder->begin_suite(s.file);
    }
    scenario_runner runner(options, out);
    for (const auto& st : s.steps) {
        if (!runner.execute(st, s.file)) {
            break;
        }
    }
    return runner.finish();
}

}  // namespace kest_host
