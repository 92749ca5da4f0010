// The simulated clock and the panel's timers on it. Time moves only when the driver
// advances it; each due tick is handed out in time order.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

namespace kest_host {

class sim_clock {
  public:
    // Starts (or restarts) timer `id` with a period from now; a period <= 0 stops it.
    void set_timer(int32_t id, int64_t period_ms);
    void stop_timer(int32_t id) { timers_.erase(id); }
    bool running(int32_t id) const { return timers_.count(id) != 0; }
    int64_t now() const { return now_; }

    // The next timer due at or before `until`: the clock moves to its tick and the
    // timer's next tick is scheduled. Nothing when no timer is due.
    std::optional<int32_t> next_tick(int64_t until);
    // When the next timer is due; false when none runs.
    bool next_due(int64_t& due) const;
    // Moves the clock to `until` (after every tick up to it was taken).
    void move_to(int64_t until) { now_ = until; }

  private:
    std::map<int32_t, std::pair<int64_t, int64_t>> timers_;  // id -> (period, next due)
    int64_t now_ = 0;
};

}  // namespace kest_host
