#include "scenario.h"

#include <cstdio>
#include <cstring>

namespace kest_bench {

namespace {

revertive_info makeRecord(int32_t device, int32_t database, int32_t index, int32_t value,
                          const char* text) {
    revertive_info info;
    std::memset(&info, 0, sizeof(info));
    info.device = device;
    info.database = database;
    info.index = index;
    info.value = value;
    std::snprintf(info.text, sizeof(info.text), "%s", text);
    return info;
}

}  // namespace

event_records::event_records()
    : gpiPress(makeRecord(kGpiDevice, 0, kGpiFirstSlot + kPressedButton - 1, 1, "")),
      gpiRelease(makeRecord(kGpiDevice, 0, kGpiFirstSlot + kPressedButton - 1, 0, "")),
      routerStray(makeRecord(kRouterDevice, 0, kMonitorDest, kStraySource, "Stray feed")),
      routerNormal(makeRecord(kRouterDevice, 0, kMonitorDest, kNormalSource, "Main program")),
      routerPressed(makeRecord(kRouterDevice, 0, kMonitorDest,
                               kFirstButtonSource + kPressedButton - 1, "Camera 3 (studio A)")),
      tallySlot(makeRecord(kTallyDevice, 0, 60 + kPressedButton, 0, "103")),
      nameChange(makeRecord(kRouterDevice, 0, kFirstButtonSource + kPressedButton - 1, 0,
                            "Camera 3 (studio B)")) {
    for (int k = 0; k < 8; ++k) {
        char source[16];
        std::snprintf(source, sizeof(source), "%d", kFirstButtonSource + k);
        tallySlots[k] = makeRecord(kTallyDevice, 0, 61 + k, 0, source);
    }
    char destination[16];
    std::snprintf(destination, sizeof(destination), "%d", kMonitorDest);
    tallySlots[8] = makeRecord(kTallyDevice, 0, 69, 0, destination);
}

event_records& records() {
    static event_records instance;
    return instance;
}

}  // namespace kest_bench
