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
//    to restore later.
//
// The model also says what the panel's controls should show.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "panel/panel_names.h"

namespace kest_host {

class routing_model {
  public:
    // --- The world as the host holds it ------------------------------------------
    std::map<int32_t, int32_t> router;            // destination -> source
    std::map<int32_t, std::string> source_names;  // router database 0
    std::map<int32_t, std::string> dest_names;    // router database 1

    // --- What the panel has learnt -----------------------------------------------
    int32_t monitor = 0;                                // destination from slot 69
    int32_t button_source[panel_names::kButtons] = {};  // from slots 61..68
    int32_t input[panel_names::kButtons] = {};          // last reported state of each input
    int32_t on_monitor = 0;  // what the router last reported for the monitor
    std::string on_monitor_name;
    int32_t restore = 0;          // the source to put back when all are low
    bool held = false;            // an input holds the monitor
    bool registered = false;      // the panel listens to the monitor destination
    std::string on_monitor_text;  // what "CurrentSDI_ID" shows ("" once dropped)

    // --- Events, in the order the panel sees them --------------------------------
    // A GPI report for input n (0..7), or for an index outside the eight (n < 0).
    void input_report(int n, int32_t value);
    void slot_report(int32_t slot, const std::string& text);
    // A router report as the panel receives it (any index: the panel takes every
    // router report as the monitor's).
    void router_report(int32_t source, const std::string& name);
    // A crosspoint made from elsewhere.
    void route_elsewhere(int32_t destination, int32_t source);
    void rename(int database, int32_t index, const std::string& name);

    // What the panel's control with this id should show ("text" of labels,
    // "statesheet" of buttons "1" to "8"); false for controls the model does not know.
    bool expected_control(const std::string& id, std::string& value) const;

    std::string name_of(int32_t source) const;
    // The decimal value of a slot text, read the way the panel reads numbers.
    static int32_t number_of(const std::string& text);

  private:
    void decide();
    void crosspoint(int32_t source);
};

}  // namespace kest_host
