// What a run of kest-host leaves for others to read: a plain record of every scenario
// file (or stress run) it played, filled while the run goes on and written out at the
// end as JUnit XML (junit_report.h) or as an HTML page (html_report.h).
//
// The record holds texts exactly as the plug-in, the scenario or the layout gave them,
// hostile bytes included; each writer makes them safe for its own format.
//
// `recorder` is the one way the host fills it: the session calls it at the points of
// a run named on each function, and it keeps the record bounded however long the run
// (see kMaxTimelineEntries).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kest_host::report {

// One `expect` statement and its outcome.
struct expectation_record {
    std::string file;
    int line = 0;
    std::string statement;  // as written in the scenario
    bool passed = true;
    std::string message;  // why it failed; empty when it passed
    std::string control;  // the control it is about (`expect control`, `hidden`, ...), or ""
};

enum class check_status { passed, skipped, warning, failed };

// The end result of one validator check.
struct check_record {
    std::string id;  // kebab-case, e.g. "replies-released-once"
    std::string description;
    check_status status = check_status::passed;
    std::string skip_reason;            // when skipped
    std::vector<std::string> findings;  // the messages kept (failures or warnings)
    uint64_t finding_count = 0;         // all findings, also those not kept
};

// What a step caused, in the order it happened.
enum class entry_kind {
    command,  // plug-in -> host: a command text
    reply,    // host -> plug-in: the reply to a query (or none)
    release,  // plug-in -> host: a reply handed back
    event,    // host -> plug-in: an event delivered (revertive, timer, request, ...)
    answer,   // plug-in -> host: the answer to a parent request
    finding,  // a check's finding raised during the step
};

struct timeline_entry {
    entry_kind kind = entry_kind::command;
    std::string text;
    std::optional<int32_t> device;  // the device the entry names, when it names one
};

// One statement of a scenario (or one stress event) and what it caused.
struct step_record {
    int line = 0;
    std::string statement;
    std::vector<timeline_entry> entries;
    uint64_t entries_dropped = 0;  // entries past the record's limit, counted only
    bool failed = false;           // a failed expectation or a finding
    std::string failure;           // the first failure message of the step
};

// One control of a drawn panel, as the layout places it and as the panel left it.
struct control_record {
    std::string id;
    std::string kind;  // caption, label, button or indicator
    int column = 0;
    int row = 0;
    int width = 1;
    std::string text;
    std::string statesheet;
    bool visible = true;
};

// `live`: the panel as a browser page shows it while the host runs.
enum class snapshot_reason { show, end, failed_expectation, live };

// The panel as drawn at one moment of the run.
struct snapshot_record {
    snapshot_reason reason = snapshot_reason::show;
    int line = 0;  // the statement that asked for it (0 at the end)
    std::string panel;
    std::string layout_file;
    std::vector<control_record> controls;
};

// A stress finding: enough to repeat it.
struct stress_finding {
    std::string check_id;
    uint64_t event = 0;  // the number of the event after which it showed
    std::string message;
    std::string replay;  // the command line that repeats the run
};

struct stress_record {
    uint64_t seed = 0;
    uint64_t events = 0;  // events asked for
    std::vector<stress_finding> findings;
    uint64_t events_run = 0;   // events sent before the run ended
    bool interrupted = false;  // Ctrl-C ended it before `events`
};

struct suite_summary {
    uint64_t expectations = 0;
    uint64_t failed_expectations = 0;
    uint64_t commands = 0;
    uint64_t events = 0;
    int exit_status = 0;  // 0 passed, 1 failed, 2 the run could not go on
};

// One scenario file, or one stress run.
struct suite_record {
    std::string name;  // the scenario file as given, or "stress"
    std::vector<expectation_record> expectations;
    std::vector<check_record> checks;
    std::vector<step_record> steps;
    std::vector<snapshot_record> snapshots;
    std::optional<stress_record> stress;
    // What the record's limits left out, counted only (recorder::kMax...).
    uint64_t steps_dropped = 0;    // statements, with everything they caused
    uint64_t entries_dropped = 0;  // timeline entries of the statements left out
    uint64_t snapshots_dropped = 0;
    uint64_t expectations_dropped = 0;
    uint64_t failed_expectations_dropped = 0;
    std::string error;  // why the run stopped early (exit status 2), else empty
    suite_summary summary;
    double seconds = 0;
};

struct run_record {
    std::string title = "kest-host";
    // The statesheet of a lit button, drawn as such ("" none); kest-host gives the
    // panel's, panel_names::kInputHigh.
    std::string high_statesheet;
    // What the run was made with, as name and value: the host's version, commit and
    // build type, the plug-in and the version its file carries (none when empty).
    std::vector<std::pair<std::string, std::string>> build;
    std::vector<suite_record> suites;
};

// Counts over the whole run.
struct run_totals {
    uint64_t suites = 0;
    uint64_t expectations = 0;
    uint64_t failed_expectations = 0;
    uint64_t checks_failed = 0;
    uint64_t checks_warned = 0;
    uint64_t checks_skipped = 0;
    uint64_t errors = 0;  // suites that stopped early
};
run_totals totals(const run_record& run);

const char* status_name(check_status status);  // "passed", "skipped", ...
const char* kind_name(entry_kind kind);        // "command", "reply", ...
const char* reason_name(snapshot_reason reason);

// Fills a run_record as the host plays its scenarios. Every call outside a suite (before
// begin_suite or after end_suite) is ignored, so a caller need not guard its calls.
class recorder {
  public:
    // All timeline entries of a suite beyond this many are counted, not kept, so that a
    // long stress run or a storm of events keeps the record small.
    static constexpr std::size_t kMaxTimelineEntries = 20000;
    // Stress findings kept per suite; later ones are dropped.
    static constexpr std::size_t kMaxStressFindings = 100;
    // Statements, drawings of the panel and expectations kept per suite, and the bytes
    // of text each may hold in all; beyond either limit they are counted, not kept, so
    // that a report stays small whatever the scenario (see docs/reliability.md).
    static constexpr std::size_t kMaxSteps = 10000;
    static constexpr std::size_t kMaxSnapshots = 200;
    static constexpr std::size_t kMaxExpectations = 10000;
    static constexpr std::size_t kMaxTimelineBytes = std::size_t{4} * 1024 * 1024;
    static constexpr std::size_t kMaxSnapshotBytes = std::size_t{2} * 1024 * 1024;
    static constexpr std::size_t kMaxExpectationBytes = std::size_t{2} * 1024 * 1024;

    // Before the first statement of a scenario file; begin_stress before a stress run
    // (its suite is named "stress").
    void begin_suite(const std::string& name);
    void begin_stress(uint64_t seed, uint64_t events);
    // How far the stress run got: `done` events, and whether Ctrl-C stopped it.
    void end_stress(uint64_t done, bool interrupted);
    // Before each statement runs (a stress run may call it per event or not at all).
    void begin_step(int line, const std::string& statement);
    // As the host sees them, in order.
    void note_command(const std::string& text, std::optional<int32_t> device = std::nullopt);
    void note_reply(const std::string& text);
    void note_release(const std::string& text);
    void note_event(const std::string& text, std::optional<int32_t> device = std::nullopt);
    void note_answer(const std::string& text);
    // A check's finding, as it is raised; marks the current step failed unless it is a
    // warning.
    void note_finding(const std::string& check_id, const std::string& message, bool warning);
    // After each expectation is evaluated.
    void note_expectation(const std::string& file, int line, const std::string& statement,
                          bool passed, const std::string& message, const std::string& control = "");
    // At `show`, at the end, and after a failed expectation.
    void snapshot(snapshot_record shot);
    // False when a drawing for `reason` would only be counted: the caller then need
    // not make it, and calls snapshot_left_out() instead.
    bool keeps_snapshot(snapshot_reason reason);
    void snapshot_left_out();
    // A stress finding, with the replay command.
    void note_stress_finding(stress_finding finding);
    // Why the run could not go on.
    void note_error(const std::string& message);
    // At the end of the suite: the check table and the summary.
    void end_suite(std::vector<check_record> checks, const suite_summary& summary,
                   double seconds = 0);

    const run_record& record() const { return run_; }
    run_record& record() { return run_; }

  private:
    suite_record* current();
    void add_entry(entry_kind kind, const std::string& text, std::optional<int32_t> device);

    run_record run_;
    bool open_ = false;
    std::size_t entries_ = 0;
    bool steps_full_ = false;  // later statements and what they cause are only counted
    std::size_t timeline_bytes_ = 0;
    std::size_t snapshot_bytes_ = 0;
    std::size_t expectation_bytes_ = 0;
};

}  // namespace kest_host::report
