// The plug-in session: one run of the panel, the same for scenario, stress and
// interactive mode. It loads the plug-in binary, makes the panel, lets the driver
// deliver events and settle them, deletes the panel, unloads the binary, runs the
// end-of-run checks and prints the checks table. Findings are printed as they
// happen, with the same limit in every mode.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "checks/validator.h"
#include "common/platform.h"
#include "plugin/report_feed.h"
#include "plugin/sim_host.h"

namespace kest_host {

class real_devices;

struct session_options {
    std::string plugin;
    std::string layout_dir;  // default: the plug-in's directory
    bool quiet = false;      // no trace
    bool color = false;
    std::size_t quarantine = 0;      // released replies kept (0: all, until the end)
    std::ostream* errors = nullptr;  // errors and failures (default: the output stream)
    bool ascii_cut = false;          // cut texts end with "~" rather than "…"
    // The run's report, when one is asked for: findings always go to it, the trace
    // only with record_trace.
    report::recorder* recorder = nullptr;
    bool record_trace = true;
    // Devices on the network (null: every device is simulated).
    real_devices* devices = nullptr;
    // What ${NAME} stands for in scenario files (--set NAME=VALUE).
    std::map<std::string, std::string> values;
    // Findings of one check printed as they happen (0: kFindingsPrinted); further
    // ones are only counted, and the line that says so ends with `more_findings`.
    uint64_t findings_printed = 0;
    std::string more_findings;
};

class plugin_session {
  public:
    plugin_session(const session_options& options, std::ostream& out);
    ~plugin_session();
    plugin_session(const plugin_session&) = delete;
    plugin_session& operator=(const plugin_session&) = delete;

    sim_host& host() { return host_; }
    validator& checks() { return checks_; }
    const session_options& options() const { return options_; }
    void set_layout_dir(const std::string& dir) { options_.layout_dir = dir; }
    void set_location(const std::string& where) { checks_.set_location(where); }

    // Loads the plug-in, makes the panel and settles its start-up. False with error()
    // when the binary cannot be loaded, lacks the export or makes no panel.
    bool start();
    bool started() const { return started_; }
    // The panel was made and not yet deleted.
    bool live() const { return started_ && !stopped_ && error_.empty(); }
    bool stopped() const { return stopped_; }
    // Deletes the panel (once); nothing reaches it afterwards. Before any start it makes
    // none: only a start or restart makes one then.
    void stop();
    // Deletes a live panel and makes a fresh one from the same plug-in against the same
    // devices (a first start when none was made yet). False with error() as start().
    bool restart();
    // Deletes a live panel, unloads the plug-in and runs the end-of-run checks, whose
    // findings are placed `where`.
    void end(const std::string& where = "at the end of the run");

    // Told of every finding after it was reported; `printed` is false once the check
    // has had kFindingsPrinted.
    // Findings are printed (the default) or only counted and reported; a finding
    // counted while printing was off does not count towards findings_printed.
    void print_findings(bool on) { print_findings_ = on; }

    using finding_observer = std::function<void(const check& which, bool failure,
                                                const std::string& message, bool printed)>;
    void observe_findings(finding_observer observer) { observer_ = std::move(observer); }

    const std::string& error() const { return error_; }
    // Where errors and failures go; each line starts with "kest-host: ".
    std::ostream& errors() { return errors_; }
    // Findings that came after a file the panel asked for could not be read: they
    // follow from it, so they are counted, not printed.
    uint64_t follow_on_findings() const { return follow_on_; }
    // The run's report (null when none is kept).
    report::recorder* recorder() const { return options_.recorder; }
    // The checks table; true when a check failed.
    bool print_checks();

    // Findings of one check printed as they happen; further ones are only counted.
    static constexpr uint64_t kFindingsPrinted = 50;

  private:
    void report(const check& which, bool failure, const std::string& message);
    bool make_panel();

    session_options options_;
    std::ostream& out_;
    std::ostream& errors_;
    uint64_t follow_on_ = 0;
    bool print_findings_ = true;
    std::map<std::string, uint64_t> printed_;  // findings printed, by check
    std::unique_ptr<report_feed> feed_;
    shared_library library_;  // outlives the panel object, which host_ deletes
    load_kest_client_script_fn factory_ = nullptr;
    validator checks_;
    sim_host host_;
    bool started_ = false;
    bool stopped_ = false;
    bool ended_ = false;
    std::string error_;
    finding_observer observer_;
};

}  // namespace kest_host
