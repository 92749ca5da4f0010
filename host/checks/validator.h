// The validator: runs every registered check on the stream the host feeds it, adds
// the place to each finding, reports findings as they happen and draws the table of
// results at the end of a run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "checks/check.h"
#include "checks/check_list.h"

namespace kest_host {

class validator final : public finding_sink {
  public:
    // Where each finding is reported as it happens (null: not reported at once).
    using sink = std::function<void(const check&, bool failure, const std::string& message)>;

    explicit validator(sink report = nullptr);

    // Text appended to every finding, e.g. "at demo:12".
    void set_location(std::string where) { location_ = std::move(where); }

    // --- The stream, handed to every check -------------------------------------------
    void command(const command_seen& seen);
    void release(const kest_ledger::release_outcome& outcome);
    void late_write(const std::string& label);
    void answer(const answer_seen& seen);
    void settled(const settle_seen& seen);
    void deleted();
    void created();
    void never_released(const std::vector<std::string>& labels);
    void model(const std::string* divergence);

    // --- Results ---------------------------------------------------------------------
    check& get(check_id id) { return *checks_[static_cast<std::size_t>(id)]; }
    const check& get(check_id id) const { return *checks_[static_cast<std::size_t>(id)]; }
    check_result result(check_id id) const { return get(id).result(); }
    uint64_t findings(check_id id) const { return get(id).findings(); }
    const std::vector<std::string>& messages(check_id id) const { return get(id).messages(); }
    bool any_failed() const;
    // The table printed at the end of a run.
    std::string table(bool color) const;

    // Direct use, for tests and drivers that detect on their own.
    void exercised(check_id id) { get(id).exercised(); }
    void finding(check_id id, const std::string& message) { get(id).finding(message); }
    void set_skip_reason(check_id id, const std::string& reason) {
        get(id).set_skip_reason(reason);
    }

    static constexpr std::size_t kMessagesKept = check::kMessagesKept;

    void found(check& which, const std::string& message) override;

  private:
    template <class F>
    void each(F&& f) {
        for (auto& c : checks_) {
            f(*c);
        }
    }

    std::vector<std::unique_ptr<check>> checks_;
    sink report_;
    std::string location_;
};

}  // namespace kest_host
