// An independent model of the monitor selector's routing rules, written from the
// rules as an operator would state them, not from the panel's code:
//
//  - Slots 61 to 68 of the tally infodriver give each of the eight buttons a router
//    source (0: none); slot 69 gives the monitor destination.
//  - While any input is high, the source of the lowest-numbered high input is put on
//    the monitor (unless that button has no source, or the monitor already shows it).
//  - When every input is low again, the source that was on the monitor before the
//    first input went high is put back, if the monitor shows something else.
//  - Routing is decided only when a GPI report arrives; the panel learns what the
//    monitor shows only from the router's reports for the monitor destination.
//  - While no input holds the monitor, whatever the router reports becomes the source
//    to restore later, unless the report answers a crosspoint the panel sent and
//    still awaits (a tap shorter than the router's answer must not lose the source).
//
// Making a crosspoint and reporting it are separate: the router holds the new source
// at once, while its report waits behind everything already queued for the panel
// (and, on a slow router, on the clock). Device faults act on the model's own router,
// infodriver and inputs as they act on the host's.
//
// The model also says what the panel's controls should show.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "panel/panel_names.h"
#include "world/faults.h"

namespace kest_host {

class routing_model {
  public:
    // --- The world as the host holds it ------------------------------------------
    std::map<int32_t, int32_t> router;            // destination -> source
    std::map<int32_t, std::string> source_names;  // router database 0
    std::map<int32_t, std::string> dest_names;    // router database 1
    std::map<int32_t, std::string> slot_texts;    // tally slots

    // --- Faults in force ---------------------------------------------------------
    // As the device world holds them, read by the rules by their words in
    // fault_table(): a new fault needs its rule in routing_model.cpp, no field here.
    fault_state faults;

    // --- What the panel has learnt -----------------------------------------------
    int32_t monitor = 0;                                // destination from slot 69
    int32_t button_source[panel_names::kButtons] = {};  // from slots 61..68
    std::string button_name[panel_names::kButtons];     // as the panel asked for it
    std::string monitor_name;                           // the monitor's name, likewise
    int32_t input[panel_names::kButtons] = {};          // last reported state of each input
    int32_t on_monitor = 0;  // what the router last reported for the monitor
    std::string on_monitor_name;
    int32_t restore = 0;          // the source to put back when all are low
    bool held = false;            // an input holds the monitor
    bool registered = false;      // the panel listens to the monitor destination
    std::string on_monitor_text;  // what "CurrentSDI_ID" shows ("" once dropped)
    // The panel's crosspoints awaiting their reports: runs of (source, count).
    std::vector<std::pair<int32_t, int32_t>> runs;

    // --- Events, in the order the panel sees them --------------------------------
    // A GPI report for input n (0..7), or for an index outside the eight (n < 0).
    void input_report(int n, int32_t value);
    // The GPI device answers a poll of the eight inputs: all eight reports wait for
    // the panel together, so that the router's reports of crosspoints they cause come
    // after the last of them, as they do on the host.
    void input_poll();
    // Input n changes to `value` on the GPI device (a bouncing contact reports more).
    void input_change(int n, int32_t value);
    // A tally slot changes on the infodriver (reported unless it is silent).
    void slot_change(int32_t slot, const std::string& text);
    // A tally report as the panel receives it.
    void slot_report(int32_t slot, const std::string& text);
    // The panel polls slots 61..69 (its retry timer).
    void tally_poll();
    // A router report as the panel receives it (any index: the panel takes every
    // router report as the monitor's).
    void router_report(int32_t source, const std::string& name);
    // A crosspoint made from elsewhere.
    void route_elsewhere(int32_t destination, int32_t source);
    void rename(int database, int32_t index, const std::string& name);
    // The simulated clock moves on: delayed router reports arrive.
    void advance(int64_t ms);
    int64_t pending_reports() const { return static_cast<int64_t>(delayed_.size()); }

    // --- Faults switched on and off ------------------------------------------------
    void set_offline(bool on);
    void set_silent(bool on);
    // The model's hook into fault_table(): takes the faults in force as the device
    // world holds them after a fault was switched.
    void follow_faults(const fault_state& faults);
    // Ends every fault, the online ones first.
    void clear_faults();

    // What the panel's control with this id should show ("text" of labels,
    // "statesheet" of buttons "1" to "8"); false for controls the model does not know.
    bool expected_control(const std::string& id, std::string& value) const;

    std::string name_of(int32_t source) const;
    // The decimal value of a slot text, read the way the panel reads numbers.
    static int32_t number_of(const std::string& text);

    // The panel keeps at most this many runs, dropping the oldest.
    static constexpr std::size_t kMaxRuns = 16;

  private:
    struct report_event {
        enum class kind { gpi, router, slot } what;
        int32_t index;  // input n or slot
        int32_t value;  // GPI state or source
        std::string text;
    };
    struct delayed_report {
        int64_t due;
        int32_t source;
        std::string name;
    };
    void decide();
    void crosspoint(int32_t source);
    // The router reports the monitor destination's source.
    void emit(int32_t source);
    bool answers_own_crosspoint(int32_t source);
    void tally_comes_back();
    void push(report_event e);
    void settle();
    void on_gpi(int n, int32_t value);
    void on_slot(int32_t slot, const std::string& text);
    void on_router(int32_t source, const std::string& name);

    std::deque<report_event> queue_;  // what waits for the panel, in order
    std::deque<delayed_report> delayed_;
    int64_t now_ = 0;
    bool outstanding_poll_ = false;  // a tally poll the silent infodriver owes
    std::set<int32_t> changed_slots_;
};

}  // namespace kest_host
