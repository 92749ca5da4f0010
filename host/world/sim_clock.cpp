#include "world/sim_clock.h"

namespace kest_host {

void sim_clock::set_timer(int32_t id, int64_t period_ms) {
    if (period_ms > 0) {
        timers_[id] = {period_ms, now_ + period_ms};
    } else {
        timers_.erase(id);
    }
}

bool sim_clock::next_due(int64_t& due) const {
    bool any = false;
    for (const auto& timer : timers_) {
        if (!any || timer.second.second < due) {
            due = timer.second.second;
            any = true;
        }
    }
    return any;
}

std::optional<int32_t> sim_clock::next_tick(int64_t until) {
    auto due = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.second <= until &&
            (due == timers_.end() || it->second.second < due->second.second)) {
            due = it;
        }
    }
    if (due == timers_.end()) {
        return std::nullopt;
    }
    now_ = due->second.second;
    due->second.second += due->second.first;
    return due->first;
}

}  // namespace kest_host
