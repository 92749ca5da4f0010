// The tally infodriver: text slots, reported as the revertive's text. While it is
// silent it answers no poll and reports no change, but remembers both and answers
// them when it comes back.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

#include "world/device.h"

namespace kest_host {

class infodriver final : public device {
  public:
    std::string fault_mark(const std::string& code) const override;
    void fault_ended(const std::string& fault) override;
    infodriver(int32_t number, revertive_sink& sink)
        : device(device_kind::infodriver, number, sink) {}

    std::map<int32_t, std::string> slots;  // set-up: state without reports

    // Changes a slot and reports it if registered.
    void set_slot(int32_t index, const std::string& text);
    void poll(int32_t first, int32_t last) override;
    // Back from silence: answers the outstanding polls, then reports the changed
    // slots they did not cover.
    void come_back();
    std::size_t outstanding_polls() const { return outstanding_.size(); }

    // Outstanding polls kept at most; a silent device asked more often answers the
    // ones it kept (they hold the same slots every time the panel asks).
    static constexpr std::size_t kOutstandingLimit = 64;

  protected:
    revertive_info state_of(int32_t index) const override;

  private:
    bool silent() const;

    std::set<std::pair<int32_t, int32_t>> outstanding_;
    std::set<int32_t> changed_;
};

}  // namespace kest_host
