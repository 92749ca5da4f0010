// What kest-host knows about the Tavrin panel, named once: the statesheets it sets,
// its panel id, the instance names it looks up, the tally slots, its retry timer and
// its control ids. Scenarios, stress mode and rendering use these names.
//
// They restate the panel's own constants (panels/Vesk/Tavrin/tavrin_constants.h) on
// purpose: the host checks the panel from outside, as an independent reader of its
// description would, so it shares none of the panel's code or headers. A panel that
// changed one of these by mistake then fails the host's checks instead of taking
// the host along with it.
#pragma once

#include <cstdint>

namespace kest_host::panel_names {

// The panel id the panel shows its layout under.
inline constexpr const char kPanel[] = "1";
inline constexpr const char kLayoutFile[] = "LD_Auto.kest_ui";

// Statesheets of the eight input buttons.
inline constexpr const char kInputHigh[] = "Ryx_TakeHigh";
inline constexpr const char kInputLow[] = "RyxGroupDeselected";

// Instance names the panel looks up with SD.
inline constexpr const char kRouterInstance[] = "Vesk SDI Router";
inline constexpr const char kTallyInstance[] = "Vesk Tally Infodriver";
inline constexpr const char kGpiInstance[] = "LD Button 1";

// Tally slots: the source of each button, then the monitor destination.
inline constexpr int32_t kButtons = 8;
inline constexpr int32_t kFirstButtonSlot = 61;
inline constexpr int32_t kLastButtonSlot = kFirstButtonSlot + kButtons - 1;  // 68
inline constexpr int32_t kMonitorSlot = 69;

// The timer that asks for the tally slots again until they arrive.
inline constexpr int32_t kRetryTimer = 2;

// Control ids: buttons "1".."8", their sources "11".."18" and names "21".."28",
// the monitor destination and its name, what the monitor shows, and the indicators.
inline constexpr const char* const kButtonIds[kButtons] = {"1", "2", "3", "4", "5", "6", "7", "8"};
inline constexpr const char* const kSourceIds[kButtons] = {"11", "12", "13", "14",
                                                           "15", "16", "17", "18"};
inline constexpr const char* const kNameIds[kButtons] = {"21", "22", "23", "24",
                                                         "25", "26", "27", "28"};
inline constexpr const char kMonitorId[] = "50";
inline constexpr const char kMonitorNameId[] = "51";
inline constexpr const char kCurrentSourceId[] = "CurrentSDI_ID";
inline constexpr const char kCurrentNameId[] = "Current_Name";
inline constexpr const char kAwaitGpiId[] = "AwaitGPI";
inline constexpr const char kAwaitTallyId[] = "AwaitTallyInfo";

}  // namespace kest_host::panel_names
