// The devices, sources and events the benchmarks drive, shared by the plug-in and
// the hand-written baseline so that both do the same work on the same records.
//
// Steady state that every event benchmark starts from (reached by real events):
//   tally slots 61..68 hold sources 101..108, slot 69 the monitor destination 7;
//   the router reported source 5 (normal), then input 3 went high (override) and
//   the router reported a stray source 99 on the monitor. So a press of input 3
//   routes 103 (not on the monitor) and a release restores 5 (the monitor shows 99):
//   each event, repeated, sends the same commands every time.
#pragma once

#include <cstdint>

#include "kest_interfaces.h"

namespace kest_bench {

inline constexpr int32_t kRouterDevice = 12;
inline constexpr int32_t kTallyDevice = 30;
inline constexpr int32_t kGpiDevice = 40;
inline constexpr int32_t kGpiFirstSlot = 100;  // GPI index of input 1
inline constexpr int32_t kMonitorDest = 7;
inline constexpr int32_t kNormalSource = 5;
inline constexpr int32_t kStraySource = 99;
inline constexpr int32_t kFirstButtonSource = 101;  // button k+1 has source 101 + k
inline constexpr int32_t kPressedButton = 3;

// The host's fixed replies.
inline constexpr char kRouterReply[] = "12 0";
inline constexpr char kTallyReply[] = "30 0";
inline constexpr char kGpiReply[] = "40 100";
inline constexpr char kNameReply[] = "Camera 3 (studio A)";

// The parent's property value and the request the round trip sends.
inline constexpr char kMyParamRequest[] = "myParam=Studio A monitor wall";
inline constexpr char kReturnAllRequest[] = "return=all";

// One event as the host delivers it.
struct event {
    int32_t type;
    intptr_t data;
};

// Records of the benchmarked events, built once.
struct event_records {
    event_records();

    revertive_info gpiPress;       // input 3 goes high
    revertive_info gpiRelease;     // input 3 goes low
    revertive_info routerStray;    // the router reports 99 on the monitor
    revertive_info routerNormal;   // the router reports 5 on the monitor
    revertive_info routerPressed;  // the router reports button 3's source
    revertive_info tallySlot;      // slot 63 reports source 103 (RN query follows)
    revertive_info nameChange;     // database 0: new name of source 103
    revertive_info tallySlots[9];  // slots 61..69, for the warm-up
};

event_records& records();

}  // namespace kest_bench
