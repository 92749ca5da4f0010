// Device faults the commissioning engineer switches on and off: what each device
// does wrong while a fault is in force. The devices read it; the device world
// changes it, so that the effects of ending a fault (a router that reconnects, an
// infodriver that answers at last) happen in one place.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "world/device.h"
#include "world/sim_clock.h"

namespace kest_host {

// The faults in force, each held under its words in fault_table() ("router delay"):
// its level (0: not in force; 1: on; a delay, a count) and, for a fault that takes
// an instance name, the names. A new fault needs no field here: its entry, the
// device that acts on it and stress mode's model read and write it by its words.
class fault_state {
  public:
    // The level of `fault` (0 when not in force). A name that is no fault of the
    // table and was never switched is a mistake in the caller: std::logic_error.
    int64_t level(const std::string& fault) const;
    bool on(const std::string& fault) const { return level(fault) != 0; }
    // The instance names `fault` holds (a lookup that gets a null reply).
    const std::set<std::string>& names(const std::string& fault) const;

    void set(const std::string& fault, int64_t level) { levels_[fault] = level; }
    void add_name(const std::string& fault, const std::string& name) { names_[fault].insert(name); }
    void clear() { *this = fault_state{}; }
    bool any() const;

  private:
    std::map<std::string, int64_t, std::less<>> levels_;
    std::map<std::string, std::set<std::string>, std::less<>> names_;
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
    // How it changes the state; null: the level under its own words becomes the
    // argument (1 without one, 0 ends it), or a name is added.
    void (*change)(fault_state& state, const fault_args& args) = nullptr;
    // The devices it acts on, for the devices line; none: the host itself.
    std::optional<device_kind> on;
    // The devices line's text while in force ("OFFLINE", "DELAY # ms": # is the
    // level); null: not named there, or named by `in_force`.
    const char* shown = nullptr;
    std::string (*in_force)(const fault_state& state) = nullptr;
    // The values a stress run with --faults draws from, each equally likely (0 ends
    // the fault); empty: not drawn.
    std::vector<int64_t> stress_values;

    void apply(fault_state& state, const fault_args& args) const;
    // The devices line's text for this fault under `state` ("" when not in force).
    std::string describe(const fault_state& state) const;
};

// Every fault, in the order the devices line names them. Ending every fault ("fault
// clear") is the entry whose words are "clear".
const std::vector<fault_entry>& fault_table();
// The entry written `words`, or null.
const fault_entry* find_fault(const std::string& words);

// A state of a real device's link, beside the faults: not switched by a statement
// but by the link itself, named in the devices line and marked in the trace the way
// a fault is, and documented and helped from the same place.
struct link_state_entry {
    const char* name;  // "router link down"
    device_kind on;
    const char* shown;  // the devices line's word for it: "LINK DOWN"
    const char* mark;   // the trace's mark of a command it swallows ("" for none)
    const char* help;
};
const std::vector<link_state_entry>& link_state_table();
// The entry named `name`; std::logic_error when there is none.
const link_state_entry& link_state(const std::string& name);

// docs/faults.md's tables of the faults and of the link states, one row each.
std::string markdown_fault_table();
std::string markdown_link_state_table();

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
