// Device faults the commissioning engineer switches on and off: what each device
// does wrong while a fault is in force. The devices read it; the device world
// changes it, so that the effects of ending a fault (a router that reconnects, an
// infodriver that answers at last) happen in one place.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

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

// What a fault is switched with: its number (a delay, a count; 1 or 0 for a fault
// that is only on or off) and, for a lookup, the instance name.
struct fault_args {
    int64_t value = 1;
    std::string name;
};

// One device fault, whole: how it is written (after the word "fault"), its help, how
// its argument is read, how it changes the fault state, how the devices line names
// it, and which values a stress run with --faults gives it. The scenario language,
// the console's help, stress mode, the devices line and the fault table in
// docs/faults.md all come from fault_table(). The devices act on the state and mark
// the commands a fault swallows (device::fault_mark); stress mode's routing model
// follows the state (routing_model::follow_faults).
struct fault_entry {
    enum class argument { none, number, name };

    const char* words;  // "router delay": the device word, then the fault's own
    const char* form;   // what follows the words: "", "MS", "\"NAME\" missing"
    const char* help;
    argument takes = argument::none;
    const char* what = "";        // the argument, for messages: "a delay in ms"
    int64_t most = 0;             // the largest number
    const char* after = nullptr;  // a word that ends the statement ("missing")
    void (*change)(fault_state& state, const fault_args& args) = nullptr;
    // The devices it acts on, for the devices line; none: the host itself.
    std::optional<device_kind> on;
    // "OFFLINE", "DELAY 20 ms" while in force, else "".
    std::string (*in_force)(const fault_state& state) = nullptr;
    // The values a stress run with --faults draws from, each equally likely (0 ends
    // the fault); empty: not drawn.
    std::vector<int64_t> stress_values;
};

// Every fault, in the order the devices line names them. Ending every fault ("fault
// clear") is the entry whose words are "clear".
const std::vector<fault_entry>& fault_table();
// The entry written `words`, or null.
const fault_entry* find_fault(const std::string& words);
// docs/faults.md's table of the faults: form and help, one row each.
std::string markdown_fault_table();

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
