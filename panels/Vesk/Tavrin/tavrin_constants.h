// The fixed texts and numbers of the monitor selector panel, each written once.
//
// Instance names are resolved by the host; control ids are those of the layout
// file LD_Auto.kest_ui; the statesheet names are styles the host knows.
#pragma once

#include <cstdint>

namespace tavrin {

// Devices, by instance name.
inline constexpr const char kRouterInstance[] = "Vesk SDI Router";
inline constexpr const char kTallyInstance[] = "Vesk Tally Infodriver";
inline constexpr const char kGpiInstance[] = "LD Button 1";

// The panel and its layout.
inline constexpr const char kPanel[] = "1";
inline constexpr const char kLayoutFile[] = "LD_Auto.kest_ui";
inline constexpr const char kNoExtra[] = "";

// Statesheets of a button whose input is high, and low.
inline constexpr const char kTakeHighStyle[] = "Ryx_TakeHigh";
inline constexpr const char kDeselectedStyle[] = "RyxGroupDeselected";

// Control properties.
inline constexpr const char kTextProperty[] = "text";
inline constexpr const char kStatesheetProperty[] = "statesheet";

// Controls with a fixed id. The per-button controls are numbered: see below.
inline constexpr const char kTallyDeviceLabel[] = "ID_ID";
inline constexpr const char kTallySlotsLabel[] = "ID_Slots";
inline constexpr const char kGpiDeviceLabel[] = "GPIDriverID";
inline constexpr const char kGpiSlotsLabel[] = "GPIslots";
inline constexpr const char kMonitorDestLabel[] = "50";
inline constexpr const char kMonitorDestNameLabel[] = "51";
inline constexpr const char kCurrentSourceLabel[] = "CurrentSDI_ID";
inline constexpr const char kCurrentNameLabel[] = "Current_Name";
inline constexpr const char kAwaitGpiIndicator[] = "AwaitGPI";
inline constexpr const char kAwaitTallyIndicator[] = "AwaitTallyInfo";

// Joins the two ends of a range on a label: "61 - 69".
inline constexpr const char kRangeSeparator[] = " - ";

// Eight buttons, one GPI input and one tally slot each.
inline constexpr int kButtonCount = 8;
// Button n (1..8) is control "n"; its source number is control "10 + n" and its
// source name control "20 + n".
inline constexpr int32_t kSourceNumberControlBase = 10;
inline constexpr int32_t kSourceNameControlBase = 20;

// Tally infodriver slots: 61..68 one router source per button, 69 the monitor
// destination.
inline constexpr int32_t kFirstSourceSlot = 61;
inline constexpr int32_t kLastSourceSlot = kFirstSourceSlot + kButtonCount - 1;
inline constexpr int32_t kMonitorDestSlot = 69;
inline constexpr int32_t kFirstTallySlot = kFirstSourceSlot;
inline constexpr int32_t kLastTallySlot = kMonitorDestSlot;
static_assert(kLastSourceSlot + 1 == kMonitorDestSlot, "the destination follows the sources");

// Router name databases.
inline constexpr int32_t kSourceNames = 0;
inline constexpr int32_t kDestinationNames = 1;

// The retry timer repeats the tally poll until the tally infodriver answers.
inline constexpr int32_t kRetryTimer = 2;
inline constexpr int32_t kRetryPeriodMs = 1000;

// Parent requests and their answers.
inline constexpr const char kReturnRequest[] = "return";
inline constexpr const char kReturnAll[] = "all";
inline constexpr const char kMyParamName[] = "myParam";
inline constexpr const char kInstanceName[] = "instance";
inline constexpr const char kEventsRequest[] = "_events";
inline constexpr const char kCommandsRequest[] = "_commands";
inline constexpr const char kAllAnswer[] = "myParam=%1";
inline constexpr const char kPropertyAnswer[] = "%1=%2";
inline constexpr const char kEventsAnswer[] = "notify=*";
inline constexpr const char kCommandsAnswer[] = "myParam=[value]";
inline constexpr char kListSeparator = '\n';

}  // namespace tavrin
