// The catalogue of checks that kest-host runs on every plug-in it drives. Each check
// has a stable kebab-case id and a one-sentence description, and ends a run with one
// result: passed, skipped (with the reason), warning or failed.
//
// Memory stays flat however long the run: a check keeps counters and only its first
// few messages.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kest_host {

enum class check_id {
    replies_released_once,
    replies_untouched,
    answers_well_formed,
    no_command_after_delete,
    commands_well_formed,
    controls_in_layout,
    crosspoint_nonzero,
    known_devices,
    events_settle,
    routing_model,
    count_
};

enum class check_result { passed, skipped, warning, failed };

struct check_info {
    const char* id;
    const char* description;
    bool warning_only;  // findings are warnings, never failures
};

const check_info& info(check_id id);
const char* result_name(check_result result);

class validator {
  public:
    // Where each finding is reported as it happens (null: not reported at once).
    using sink = std::function<void(check_id, bool failure, const std::string& message)>;

    explicit validator(sink report = nullptr) : report_(std::move(report)) {}

    // The check ran on something (so that it does not end "skipped").
    void exercised(check_id id) { state(id).exercised++; }
    // A finding: a failure, or a warning for a warning-only check.
    void finding(check_id id, const std::string& message);
    // Why a check that never ran was skipped (default: "nothing exercised it").
    void set_skip_reason(check_id id, const std::string& reason) { state(id).skip_reason = reason; }

    check_result result(check_id id) const;
    uint64_t findings(check_id id) const { return state(id).findings; }
    const std::vector<std::string>& messages(check_id id) const { return state(id).messages; }
    bool any_failed() const;

    // The table printed at the end of a run.
    std::string table(bool color) const;

    static constexpr std::size_t kMessagesKept = 5;

  private:
    struct check_state {
        uint64_t exercised = 0;
        uint64_t findings = 0;
        std::vector<std::string> messages;
        std::string skip_reason;
    };
    check_state& state(check_id id) { return states_[static_cast<std::size_t>(id)]; }
    const check_state& state(check_id id) const { return states_[static_cast<std::size_t>(id)]; }

    std::array<check_state, static_cast<std::size_t>(check_id::count_)> states_{};
    sink report_;
};

}  // namespace kest_host
