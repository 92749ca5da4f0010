#include "world/infodriver.h"

#include <algorithm>

#include "world/faults.h"

namespace kest_host {

bool infodriver::silent() const {
    return faults().on("infodriver silent");
}

std::string infodriver::fault_mark(const std::string& code) const {
    return silent() && code == "IP" ? "unanswered: infodriver silent" : "";
}

void infodriver::set_slot(int32_t index, const std::string& text) {
    slots[index] = text;
    if (silent()) {
        changed_.insert(index);
        return;
    }
    report_if_registered(index, 0, text);
}

void infodriver::poll(int32_t first, int32_t last) {
    if (!silent()) {
        device::poll(first, last);
        return;
    }
    if (outstanding_.size() < kOutstandingLimit) {
        outstanding_.emplace(first, last);
    }
    remark("infodriver " + std::to_string(number()) + " poll " + std::to_string(first) + " to " +
           std::to_string(last) + " unanswered: infodriver silent");
}

void infodriver::fault_ended(const std::string& fault) {
    if (fault == "infodriver silent") {
        come_back();
    }
}

void infodriver::come_back() {
    const auto polls = std::move(outstanding_);
    outstanding_.clear();
    auto changed = std::move(changed_);
    changed_.clear();
    for (const auto& range : polls) {
        device::poll(range.first, range.second);
    }
    for (const int32_t index : changed) {
        const bool answered = std::any_of(polls.begin(), polls.end(), [index](const auto& r) {
            return index >= r.first && index <= r.second;
        });
        if (!answered) {
            report_if_registered(index, 0, slots[index]);
        }
    }
}

revertive_info infodriver::state_of(int32_t index) const {
    const auto s = slots.find(index);
    return make_record(number(), 0, index, 0, s == slots.end() ? std::string() : s->second);
}

}  // namespace kest_host
