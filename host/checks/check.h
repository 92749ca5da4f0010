// One check of the plug-in: its id, its description, why it may be skipped and the
// code that detects what it looks for. The host feeds every check the same stream:
// each command, each reply handed back, each answer, each settled step, the delete,
// the end of the run and, in stress mode, each comparison with the model. A check
// looks only at what it is given and keeps counters and its first few messages, so
// memory stays flat however long the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kest_interfaces.h"
#include "protocol/reply_poison.h"
#include "reply_ledger.h"

namespace kest_host {

class device_world;
class panel_model;
struct parsed_command;

enum class check_result { passed, skipped, warning, failed };
const char* result_name(check_result result);

// A command as it arrived, with what the host knew when it arrived.
struct command_seen {
    const std::string& text;  // "" for a null text
    int32_t code = 0;
    bool null_text = false;
    const parsed_command* parsed = nullptr;  // null when malformed or not executed
    const std::string& parse_error;          // why it is malformed
    bool panel_deleted = false;              // it came after the panel was deleted
    const device_world& world;
    const panel_model& panels;
};

// What a delivered event returned.
struct answer_seen {
    int32_t event_type = 0;
    const char* event_name = "";
    bool returned = false;   // a non-null string came back
    bool terminated = true;  // a NUL within the scan limit (parent requests)
    std::size_t scan_limit = 0;
    const std::string& request;  // the parent request's text
};

// The end of one settle().
struct settle_seen {
    bool gave_up = false;  // more events than the limit
    uint64_t limit = 0;
    std::size_t dropped = 0;
};

class check;

// Where a check's findings go: the validator adds the place and reports them.
class finding_sink {
  public:
    virtual ~finding_sink() = default;
    virtual void found(check& which, const std::string& message) = 0;
};

class check {
  public:
    check(const char* id, const char* description, const char* skip_reason, bool warning_only)
        : id_(id),
          description_(description),
          skip_reason_(skip_reason),
          warning_only_(warning_only) {}
    virtual ~check() = default;
    check(const check&) = delete;
    check& operator=(const check&) = delete;

    // --- The stream ------------------------------------------------------------------
    virtual void on_command(const command_seen& /*seen*/) {}
    virtual void on_release(const kest_ledger::release_outcome& /*outcome*/) {}
    virtual void on_late_write(const std::string& /*label*/) {}
    virtual void on_answer(const answer_seen& /*seen*/) {}
    virtual void on_settle(const settle_seen& /*seen*/) {}
    virtual void on_delete() {}
    // A fresh panel was made after the last one was deleted.
    virtual void on_create() {}
    virtual void on_never_released(const std::vector<std::string>& /*labels*/) {}
    // Stress mode: null when the host agrees with the model, else the divergence.
    virtual void on_model(const std::string* /*divergence*/) {}

    // --- What it found ---------------------------------------------------------------
    const char* id() const { return id_; }
    const char* description() const { return description_; }
    const std::string& skip_reason() const { return skip_reason_; }
    bool warning_only() const { return warning_only_; }
    check_result result() const;
    uint64_t findings() const { return findings_; }
    const std::vector<std::string>& messages() const { return messages_; }

    void set_skip_reason(std::string reason) { skip_reason_ = std::move(reason); }
    void set_sink(finding_sink* sink) { sink_ = sink; }
    // The check ran on something (so that it does not end "skipped").
    void exercised() { ++exercised_; }
    // A finding: a failure, or a warning for a warning-only check.
    void finding(const std::string& message);
    // Records a finding whose message is complete (called by the sink).
    void record(const std::string& message);

    static constexpr std::size_t kMessagesKept = 5;

  private:
    const char* id_;
    const char* description_;
    std::string skip_reason_;
    bool warning_only_;
    finding_sink* sink_ = nullptr;
    uint64_t exercised_ = 0;
    uint64_t findings_ = 0;
    std::vector<std::string> messages_;
};

}  // namespace kest_host
