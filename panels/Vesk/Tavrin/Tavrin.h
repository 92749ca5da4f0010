// Tavrin: the lighting director's monitor selector panel.
//
// Eight GPI inputs stand for eight buttons. The tally infodriver gives a router
// source per button (slots 61..68) and the router destination of the director's
// monitor (slot 69). While any input is high, the source of the lowest-numbered high
// input is routed to the monitor; when all inputs are low again, the source that was
// on the monitor before is put back. The panel shows all of it on panel "1".
//
// Life: the constructor does the whole start-up (layout, device lookups, labels,
// retry timer, tally and GPI registration); the destructor unregisters what is
// registered and stops the retry timer if it still runs. Every member runs on the
// host's calling thread, one call at a time.
#pragma once

#include <cstdint>

#include "kest_config.h"
#include "kest_script_helper.h"
#include "kest_string.h"
#include "tavrin_constants.h"

class Tavrin : public kest_script_helper {
  public:
    // `host` may be null (then nothing is sent); `path` is the layout directory.
    Tavrin(kest_host_callback* host, const char* path);
    ~Tavrin() override;

  protected:
    // Button presses are not used by this panel.
    void onButton(button_event* event) override;
    // Router, GPI and tally revertives, each device's step in that order.
    void onRevertive(revertive_event* event) override;
    // The parent's property requests: "return", "instance", "myParam", "_events",
    // "_commands". An empty answer reaches the host as no string.
    kest_string onParentRequest(request_event* request) override;
    // Timer 2 repeats the tally poll; any other timer that ticks is stopped.
    void onTimer(int32_t id) override;
    // Router name changes for the button sources and the monitor destination.
    void onDatabaseChange(revertive_event* event) override;

  private:
    static kest_string listed(const kest_string& item, bool whole);
    // Decides the monitor crosspoint from the GPI states.
    void updateMonitorRoute();

    void onRouterRevertive(const revertive_event& event);
    void onGpiRevertive(const revertive_event& event);
    void onTallyRevertive(const revertive_event& event);
    void onSourceSlot(int32_t slot, const kest_string& text);
    void onMonitorDestSlot(const kest_string& text);
    void putText(const kest_string& control, const kest_string& value);

    // Every crosspoint of the panel goes out here, so that the ones still to be
    // reported are known.
    void sendCrosspoint(int32_t source);
    // Pairs a router report of `source` with the panel's crosspoint it answers and
    // ends that wait; false when no crosspoint is awaited.
    bool answersOwnCrosspoint(int32_t source);
    void dropSentRuns(int32_t runs);

    // Consecutive crosspoints of one source, sent while the destination is registered.
    struct sent_run {
        int32_t source;
        int32_t count;
    };
    // Runs kept, oldest first. Sixteen runs are eight presses and releases sent
    // before the router answers the first; beyond that the oldest run is forgotten.
    static constexpr int32_t kMaxSentRuns = 16;

    kest_string myParam;   // the free property, set and reported by the parent
    kest_string instance;  // the instance name the parent gives; stored only
    kest_config config;    // held for the panel's life, otherwise unused
    kest_string takeHighStyle;
    kest_string deselectedStyle;
    bool gpiOverride;        // a high input holds the monitor route
    bool routerRegistered;   // router revertives are registered for monitorDest
    bool gpiRegistered;      // the eight GPI inputs are registered
    bool tallyRegistered;    // tally slots 61..69 are registered
    bool retryTimerRunning;  // timer 2 runs
    bool awaitTally;         // no tally revertive yet
    bool awaitGpi;           // no GPI revertive yet
    int32_t routerDevice;
    int32_t tallyDevice;
    int32_t monitorDest;  // from tally slot 69; 0 until known
    int32_t gpiDevice;
    int32_t gpiFirstSlot;                       // input 1
    int32_t gpiLastSlot;                        // input 8
    int32_t normalSource;                       // put back when all inputs are low
    int32_t currentSource;                      // last reported on monitorDest
    int32_t slotSources[tavrin::kButtonCount];  // button k+1's source; 0 is none
    int32_t gpiStates[tavrin::kButtonCount];    // last value of input k+1, as received

    // The panel's own crosspoints whose report is outstanding, oldest first; the
    // router answers crosspoints in the order it gets them, one report each.
    //
    // Outstanding: a crosspoint sent while the panel holds a registration for
    // monitorDest and monitorDest is above 0 (a crosspoint to destination 0 or below
    // is never reported, so it is not awaited). It ends when a report answers it:
    //  - a report of a source that a kept run names answers the first such run's
    //    oldest crosspoint and ends every run before it: the router took those
    //    earlier, so their reports were lost (a router offline sends none);
    //  - a report of a source that no run names (a refusal reports the unchanged
    //    source; a route made elsewhere or a poll answer shows what the router
    //    holds) answers the oldest crosspoint, so a refused or lost one cannot keep
    //    the panel waiting for more reports than it sent crosspoints;
    //  - a new monitor destination from slot 69 ends all of them: the old
    //    destination is no longer heard and the poll of the new one says what it
    //    holds. The same destination again keeps them: their reports still come,
    //    ahead of the poll's answer.
    // A report that answers an outstanding crosspoint moves currentSource and the
    // controls as any report does, but never normalSource, in either mode: it is
    // the panel's own doing, not a route made from elsewhere.
    sent_run sentRuns[kMaxSentRuns];
    int32_t sentRunCount;
};
