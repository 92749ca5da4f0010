// panel_pair: the real plug-in (made through its export, as a host makes it) and the
// hand-written baseline, side by side on one bench_host, both brought to the steady
// state of scenario.h by the same events.
#pragma once

#include <string>

#include "baseline.h"
#include "bench_host.h"
#include "kest_interfaces.h"
#include "scenario.h"

namespace kest_bench {

// The events measured one by one. A parent request is the round trip: type 3, then
// type 5 with the answer.
enum class event_kind {
    gpi_press,
    gpi_release,
    router_revertive,
    tally_slot,
    database_change,
    parent_request,
};

inline constexpr event_kind kAllEventKinds[] = {
    event_kind::gpi_press,  event_kind::gpi_release,     event_kind::router_revertive,
    event_kind::tally_slot, event_kind::database_change, event_kind::parent_request,
};

const char* eventName(event_kind kind);

class panel_pair {
  public:
    panel_pair();
    ~panel_pair();
    panel_pair(const panel_pair&) = delete;
    panel_pair& operator=(const panel_pair&) = delete;

    // Empty when the export made a panel; otherwise why not.
    const std::string& error() const { return error_; }

    // One event of `kind`, on the plug-in or on the baseline.
    void plugin(event_kind kind);
    void baseline(event_kind kind);

    // One round of the mixed workload: press, router report, release, router report,
    // tally slot with its name query, name change, retry timer tick, parent request
    // round trip. Returns the number of events delivered.
    int pluginMixedRound();
    int baselineMixedRound();

    // One raw callback on either side.
    char* pluginCall(intptr_t data, int32_t type);
    char* baselineCall(intptr_t data, int32_t type);

    bench_host host;

  private:
    void warmUp();

    std::string error_;
    kest_client_callback* plugin_ = nullptr;
    baseline_panel baseline_;
};

// Runs every event, the warm-up and a mixed round on both sides with the host
// recording, and compares the command texts and the answers byte for byte. Empty
// when they agree; otherwise the first difference.
std::string compareWithBaseline();

}  // namespace kest_bench
