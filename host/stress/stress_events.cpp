// The random events of a stress run, each followed by a comparison with the model.
#include <cstdio>

#include "common/printable.h"
#include "panel/panel_names.h"
#include "stress/stress_driver.h"

namespace kest_host {

namespace names = panel_names;
using namespace stress_world;

uint64_t stress_driver::one_event(uint64_t budget) {
    if (options_.faults && random_.below(100) < 10) {
        return fault_event(budget);
    }
    const int32_t roll = random_.below(100);
    if (roll < 35) {
        return toggle_input(budget);
    }
    if (roll < 45) {
        change_slot();
    } else if (roll < 48) {
        change_monitor();
    } else if (roll < 58) {
        route_elsewhere();
    } else if (roll < 66) {
        rename();
    } else if (roll < 71) {
        tick();
    } else if (roll < 77) {
        parent_request();
    } else if (roll < 92) {
        odd_record();
    } else {
        odd_event();
    }
    return 1;
}

uint64_t stress_driver::toggle_input(uint64_t budget) {
    const int32_t n = random_.below(names::kButtons);
    int32_t repeats = random_.below(10) == 0 ? 2 + random_.below(4) : 1;
    if (static_cast<uint64_t>(repeats) > budget) {
        repeats = static_cast<int32_t>(budget);
    }
    gpi& g = inputs();
    for (int32_t r = 0; r < repeats; ++r) {
        const int32_t value = g.inputs[kGpiFirst + n] == 0 ? 1 : 0;
        g.set_input(kGpiFirst + n, value);
        host().settle();
        model_.input_change(n, value);
        if (!compare("input " + std::to_string(n + 1) + " -> " + std::to_string(value))) {
            return static_cast<uint64_t>(r) + 1;
        }
    }
    return static_cast<uint64_t>(repeats);
}

void stress_driver::change_slot() {
    const int32_t slot = names::kFirstButtonSlot + random_.below(names::kButtons);
    const int32_t pick = random_.below(12);
    const std::string text =
        pick == 0 ? "" : std::to_string(pick == 1 ? 0 : random_.below(kSources + 1));
    tally().set_slot(slot, text);
    host().settle();
    model_.slot_change(slot, text);
    compare("slot " + std::to_string(slot) + " = \"" + text + "\"");
}

void stress_driver::change_monitor() {
    // Now and then no monitor destination at all.
    const int32_t dest = random_.below(8) == 0 ? 0 : 1 + random_.below(kDestinations);
    const std::string text = std::to_string(dest);
    tally().set_slot(names::kMonitorSlot, text);
    host().settle();
    model_.slot_change(names::kMonitorSlot, text);
    compare("slot " + std::to_string(names::kMonitorSlot) + " = \"" + text + "\"");
}

void stress_driver::route_elsewhere() {
    const int32_t d = 1 + random_.below(kDestinations);
    const int32_t s = 1 + random_.below(kSources);
    the_router().route(d, s);
    host().settle();
    model_.route_elsewhere(d, s);
    compare("route " + std::to_string(s) + " to " + std::to_string(d) + " from elsewhere");
}

void stress_driver::rename() {
    const int db = random_.below(2);
    const int32_t index = 1 + random_.below(db == 0 ? kSources : kDestinations);
    const std::string name = (db == 0 ? "Src " : "Dst ") + std::to_string(index) + "." +
                             std::to_string(random_.below(1000));
    the_router().rename(db, index, name);
    host().settle();
    model_.rename(db, index, name);
    compare("rename " + std::string(db == 0 ? "source " : "destination ") + std::to_string(index) +
            " \"" + name + "\"");
}

void stress_driver::tick() {
    if (random_.below(2) == 0) {
        host().advance(1000);
        model_.advance(1000);
        compare("clock +1000 ms");
        return;
    }
    // A tick of some timer, whether or not the panel runs it: the retry timer asks
    // for every tally slot again, any other is stopped.
    const int32_t id = 1 + random_.below(3);
    host().send_raw(KEST_EVENT_TIMER, id);
    host().settle();
    if (id == names::kRetryTimer) {
        model_.tally_poll();
    }
    compare("tick of timer " + std::to_string(id));
}

void stress_driver::parent_request() {
    const int32_t pick = random_.below(6);
    std::string text;
    std::string expected;
    bool check_answer = true;
    switch (pick) {
        case 0:
            my_param_ = "v" + std::to_string(random_.below(100000));
            text = "myParam=" + my_param_;
            check_answer = false;
            break;
        case 1:
            text = random_.below(2) == 0 ? "return=all" : "return=myParam";
            expected = "myParam=" + my_param_;
            break;
        case 2:
            text = "instance=LD " + std::to_string(random_.below(4));
            check_answer = false;
            break;
        case 3:
            text = "_events";
            expected = "notify=*";
            break;
        case 4:
            text = "return=instance";
            break;
        default:
            text = "unknown.part=" + std::to_string(random_.below(10));
            break;
    }
    host().send_request(&text);
    host().settle();
    const auto& answer = host().last_answer();
    const bool ok = expected.empty() ? !answer : (answer && *answer == expected);
    if (check_answer && !ok && divergence_.empty()) {
        divergence_ = "after parent request \"" + text + "\": expected " +
                      (expected.empty() ? "no answer" : "\"" + expected + "\"") + ", got " +
                      (answer ? "\"" + printable(*answer) + "\"" : "none");
    }
    compare("parent request \"" + text + "\"");
}

void stress_driver::odd_event() {
    static const int32_t kTypes[] = {0, 7, 8, 9, -1, 99, 2};
    const int32_t type = kTypes[random_.below(7)];
    if (type == KEST_EVENT_BUTTON) {
        host().send_button(random_.below(2) == 0 ? "ActionAll" : "1", "alarm=1");
    } else {
        host().send_raw(type, random_.below(1000));
    }
    host().settle();
    compare("event of type " + std::to_string(type));
}

}  // namespace kest_host
