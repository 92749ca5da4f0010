// Device faults the commissioning engineer switches on and off: what each device
// does wrong while a fault is in force. The devices read it; the device world
// changes it, so that the effects of ending a fault (a router that reconnects, an
// infodriver that answers at last) happen in one place.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>

#include "world/device.h"
#include "world/sim_clock.h"

namespace kest_host {

struct fault_state {
    bool router_offline = false;  // router commands lost, no revertive comes
    int64_t router_delay_ms = 0;  // router revertives arrive this much later
    bool router_refuse = false;   // crosspoints acknowledged but not made
    bool infodriver_silent = false;
    int32_t gpi_bounce = 0;  // extra alternating reports before each input change
    bool names_missing = false;
    std::set<std::string> lookups_missing;  // SD names with a null reply
    bool layout_missing = false;            // PS fails

    bool any() const {
        return router_offline || router_delay_ms > 0 || router_refuse || infodriver_silent ||
               gpi_bounce > 0 || names_missing || !lookups_missing.empty() || layout_missing;
    }
};

// The routers' line to the panel: revertives are lost while the router is offline
// and wait on the simulated clock while it is slow. Delayed revertives keep their
// order: one sent later never arrives earlier, even after the delay was shortened.
class router_line final : public revertive_sink {
  public:
    router_line(revertive_sink& sink, const fault_state& faults, const sim_clock& clock)
        : sink_(sink), faults_(faults), clock_(clock) {}

    void report(int32_t type, const revertive_info& record) override;
    void remark(const std::string& text) override { sink_.remark(text); }

    // When the oldest delayed revertive is due, if any.
    bool waiting(int64_t& due) const;
    // Hands the oldest delayed revertive on if it is due by `until`; false if none.
    bool deliver_due(int64_t until);
    // The time by which every delayed revertive has arrived (now if none waits).
    int64_t all_due_by() const;
    std::size_t waiting_count() const { return delayed_.size(); }

  private:
    struct delayed {
        int64_t due;
        int32_t type;
        revertive_info record;
    };
    revertive_sink& sink_;
    const fault_state& faults_;
    const sim_clock& clock_;
    std::deque<delayed> delayed_;
};

}  // namespace kest_host
