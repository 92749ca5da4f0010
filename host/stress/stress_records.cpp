// Records a stress run sends that the panel must cope with: unknown devices,
// indices outside its ranges, and a router report for a destination it never asked
// about.
#include <cstdio>

#include "panel/panel_names.h"
#include "stress/stress_driver.h"

namespace kest_host {

namespace names = panel_names;
using namespace stress_world;

void stress_driver::odd_record() {
    revertive_info record{};
    const int32_t pick = random_.below(5);
    std::string what;
    int32_t type = KEST_EVENT_REVERTIVE;
    switch (pick) {
        case 0:
            record.device = 100 + random_.below(50);
            record.index = random_.below(100);
            record.value = random_.below(3);
            what = "revertive for unknown device " + std::to_string(record.device);
            break;
        case 1:
            record.device = kGpi;
            record.index = random_.below(2) == 0 ? kGpiFirst - 1 - random_.below(5)
                                                 : kGpiFirst + names::kButtons + random_.below(5);
            record.value = random_.below(2);
            what = "GPI revertive for index " + std::to_string(record.index);
            break;
        case 2:
            record.device = kTally;
            record.index = random_.below(2) == 0 ? names::kFirstButtonSlot - 1 - random_.below(5)
                                                 : names::kMonitorSlot + 1 + random_.below(5);
            std::snprintf(record.text, sizeof record.text, "%d", random_.below(kSources));
            what = "tally revertive for slot " + std::to_string(record.index);
            break;
        case 3:
            type = KEST_EVENT_DATABASE_CHANGE;
            record.device = random_.below(2) == 0 ? 100 : kRouter;
            record.database = record.device == kRouter ? 2 + random_.below(3) : 0;
            record.index = 1 + random_.below(kSources);
            std::snprintf(record.text, sizeof record.text, "odd");
            what = "database change device " + std::to_string(record.device) + " database " +
                   std::to_string(record.database);
            break;
        default:
            record.device = kRouter;
            record.index = 50 + random_.below(10);
            record.value = 1 + random_.below(kSources);
            std::snprintf(record.text, sizeof record.text, "Stray %d", record.value);
            what = "router revertive for unregistered destination " + std::to_string(record.index);
            break;
    }
    host().send_record(type, record);
    host().settle();
    if (pick == 1) {
        model_.input_report(-1, 0);
    } else if (pick == 4) {
        model_.router_report(record.value, record.text);
    }
    compare(what);
}

}  // namespace kest_host
