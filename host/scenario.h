// The scenario language: one statement per line, "#" starts a comment, texts are
// written in double quotes (\" and \\ inside them), everything else is a word or a
// decimal number.
//
//   Set-up (also allowed between steps):
//     layout-dir "DIR"                   directory handed to the panel as its path
//     device router|infodriver|gpi N     a device with number N
//     instance "NAME" DEVICE [OFFSET]    what SD 'NAME' answers
//     inputs DEVICE FIRST                the GPI indices that press/release 1..8 mean
//     slot INDEX "TEXT"                  infodriver slot text
//     name source|dest INDEX "NAME"      router name database 0 or 1
//     route SOURCE to DEST               a crosspoint made from elsewhere
//     input INDEX VALUE                  raw GPI input state
//   Steps:
//     start | stop | show
//     press N | release N                GPI input N of the eight (1 to 8)
//     advance MS                         move the simulated clock on
//     request "TEXT" | request none      a parent request (none: no text at all)
//     button "ID" ["REQUEST"]
//     revertive DEVICE INDEX VALUE ["TEXT"]     a raw revertive record
//     dbchange DEVICE DATABASE INDEX "TEXT"     a raw database change record
//     event TYPE DATA                    any event type with a plain data value
//   Expectations:
//     expect dest D source S             router crosspoint
//     expect control ID PROPERTY "VALUE" a property of a control of panel "1"
//     expect hidden ID | expect visible ID
//     expect answer "TEXT" | expect answer none
//     expect sent "COMMAND"              sent since the last step
//     expect not-sent "PREFIX"           no command since the last step starts so
//     expect timer ID running|stopped
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sim_host.h"
#include "validator.h"

namespace kest_host {

enum class step_kind {
    layout_dir,
    device,
    instance,
    inputs,
    slot,
    name,
    route,
    input,
    start,
    stop,
    show,
    press,
    release,
    advance,
    request,
    button,
    revertive,
    dbchange,
    event,
    expect_dest,
    expect_control,
    expect_hidden,
    expect_visible,
    expect_answer,
    expect_sent,
    expect_not_sent,
    expect_timer,
};

struct step {
    step_kind kind = step_kind::show;
    int line = 0;
    std::vector<int64_t> numbers;
    std::vector<std::string> texts;
    bool flag = false;   // device kind index / name database / "none" / "running"
    std::string source;  // the statement as written, comment and blanks trimmed
};

struct scenario {
    std::string file;
    std::vector<step> steps;
};

// Parses one line. Returns false with `error` ("FILE:LINE: expected ...") when the
// line is malformed; a blank or comment line gives true and no step.
bool parse_scenario_line(const std::string& text, const std::string& file, int line,
                         std::optional<step>& out, std::string& error);
// Parses a whole file content; stops at the first malformed line.
bool parse_scenario(const std::string& content, const std::string& file, scenario& out,
                    std::string& error);

struct run_options {
    std::string plugin;
    std::string layout_dir;  // default: the plug-in's directory
    bool quiet = false;
    bool color = false;
};

// Runs steps on a simulated host and keeps the score.
class scenario_runner {
  public:
    scenario_runner(const run_options& options, std::ostream& out);
    ~scenario_runner();

    // Executes one step. Returns false when the run cannot go on (a file or plug-in
    // error; see error()).
    bool execute(const step& s, const std::string& file);
    // Deletes the panel, runs the end-of-run checks, prints the panel, the check
    // table and the summary. Returns the exit status: 0, 1 or 2.
    int finish();

    const std::string& error() const { return error_; }
    // False when the error is in the step alone (an undeclared device, a panel
    // already stopped); an interactive session can then go on.
    bool fatal() const { return fatal_; }
    void clear_error() { error_.clear(); }
    uint64_t expectations() const { return expectations_; }
    uint64_t failed_expectations() const { return failed_; }
    sim_host& host() { return host_; }
    validator& checks() { return checks_; }

  private:
    bool ensure_started();
    void fail(const std::string& where, const std::string& message);
    void show();
    device* need(device_kind kind, const std::string& where);

    run_options options_;
    std::ostream& out_;
    validator checks_;
    sim_host host_;
    bool started_ = false;
    bool stopped_ = false;
    std::string error_;
    bool fatal_ = false;
    uint64_t expectations_ = 0;
    uint64_t failed_ = 0;
    int32_t input_device_ = -1;
    int32_t input_first_ = 0;
    bool inputs_set_ = false;
};

// Runs a parsed scenario from start to end; returns the exit status.
int run_scenario(const scenario& s, const run_options& options, std::ostream& out);

}  // namespace kest_host
