// The scenario runner: carries out typed steps in a plug-in session and keeps the
// score of the expectations. Scenario files and the interactive console both drive
// it, one step at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "plugin/plugin_session.h"
#include "scenario/real_devices.h"
#include "scenario/scenario_parser.h"
#include "scenario/statements.h"

namespace kest_host {

using run_options = session_options;

class scenario_runner {
  public:
    scenario_runner(const run_options& options, std::ostream& out);

    // Executes one step. Returns false when the step cannot be carried out (see
    // error() and fatal()).
    bool execute(const step& s, const std::string& file);
    // Deletes the panel, runs the end-of-run checks, prints the panel, the check
    // table and the summary. Returns the exit status: 0, 1 or 2.
    int finish();

    const std::string& error() const { return error_; }
    // False when the error is in the step alone (an undeclared device, a panel
    // already stopped); an interactive session can then go on.
    bool fatal() const { return fatal_; }
    void clear_error() { error_.clear(); }
    // How much the steps print from now on (--quiet: off; otherwise full).
    void set_trace(stmt::trace_level level);
    stmt::trace_level trace() const { return trace_; }
    // The panel is live (started, not stopped, no plug-in error).
    bool panel_live() { return session_.live(); }
    uint64_t expectations() const { return expectations_; }
    uint64_t failed_expectations() const { return failed_; }
    sim_host& host() { return session_.host(); }
    // The GPI device and the index of input 1 that press and release use, once an
    // `inputs` statement or the first press chose them.
    std::optional<std::pair<int32_t, int32_t>> inputs_in_use() const {
        if (!inputs_set_) {
            return std::nullopt;
        }
        return std::make_pair(input_device_, input_first_);
    }
    validator& checks() { return session_.checks(); }
    const run_options& options() const { return session_.options(); }

  private:
    bool prepare(const step& s);
    bool ensure_started();
    bool fail_step(const std::string& message);
    void fail(const std::string& message);
    void show();
    // The run's report, when one is kept: each expectation, drawings of the panel and
    // the end of the suite.
    void record_expectation(const step& s, bool passed);
    void record_drawing(report::snapshot_reason reason, int line);
    void record_end(int status);
    device* need(device_kind kind);
    gpi* input_device();

    bool apply(const stmt::layout_dir& s);
    bool apply(const stmt::device& s);
    bool apply(const stmt::allow& s);
    bool apply(const stmt::tsl_input& s);
    bool apply(const stmt::instance& s);
    bool apply(const stmt::inputs& s);
    bool apply(const stmt::slot& s);
    bool apply(const stmt::name& s);
    bool apply(const stmt::route& s);
    bool apply(const stmt::input& s);
    bool apply(const stmt::start& s);
    bool apply(const stmt::stop& s);
    bool apply(const stmt::restart& s);
    bool apply(const stmt::console& s);
    bool apply(const stmt::show& s);
    bool apply(const stmt::press& s);
    bool apply(const stmt::release& s);
    bool apply(const stmt::advance& s);
    bool apply(const stmt::request& s);
    bool apply(const stmt::button& s);
    bool apply(const stmt::revertive& s);
    bool apply(const stmt::dbchange& s);
    bool apply(const stmt::event& s);
    bool apply(const stmt::fault& s);
    bool apply(const stmt::expect_dest& s);
    bool apply(const stmt::expect_control& s);
    bool apply(const stmt::expect_visibility& s);
    bool apply(const stmt::expect_answer& s);
    bool apply(const stmt::expect_sent& s);
    bool apply(const stmt::expect_not_sent& s);
    bool apply(const stmt::expect_timer& s);
    bool set_input(int32_t number, bool high);
    // Real devices (scenario_live.cpp): time passing, `within`, the panel's start.
    real_devices* devices() const { return session_.options().devices; }
    bool live_time() const;
    void pass_time(int64_t ms);
    bool expect_within(const step& s);
    bool probe(const step& s);
    void tell_devices_started();
    void print_brief(const step& s);
    bool restart_panel();

    std::ostream& out_;
    stmt::trace_level trace_;
    bool color_;
    plugin_session session_;
    std::string where_;   // "FILE:LINE" of the step being run
    std::string source_;  // the step as written
    int line_ = 0;
    std::string last_failure_;  // the message of the last failed expectation
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::string file_;
    std::string error_;
    bool fatal_ = false;
    uint64_t expectations_ = 0;
    uint64_t failed_ = 0;
    int32_t input_device_ = -1;
    int32_t input_first_ = 0;
    bool inputs_set_ = false;
    bool probing_ = false;  // an expectation tried silently, for `within`
    bool probe_failed_ = false;
};

// Runs a parsed scenario from start to end, as one suite of the run's report when
// options.recorder is set; returns the exit status.
int run_scenario(const scenario& s, const run_options& options, std::ostream& out);

}  // namespace kest_host
