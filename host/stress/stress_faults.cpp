// Device faults in a stress run (--faults): switched on and off at random, with the
// clock moving so that delayed revertives arrive. After each clear the run settles,
// answers a GPI poll of all eight inputs, settles again and checks the rules.
#include <algorithm>

#include "panel/panel_names.h"
#include "stress/stress_driver.h"

namespace kest_host {

namespace names = panel_names;
using namespace stress_world;

uint64_t stress_driver::fault_event(uint64_t budget) {
    const int32_t roll = random_.below(10);
    if (roll < 5) {
        switch_fault();
    } else if (roll < 8) {
        const int64_t ms = random_.below(700);
        host().advance(ms);
        model_.advance(ms);
        compare("clock +" + std::to_string(ms) + " ms");
    } else {
        return clear_faults(budget);
    }
    return 1;
}

// One fault of fault_table() that a stress run draws, with one of its values. The
// draw reads the random stream only here, so a run without --faults never depends on
// the table.
void stress_driver::switch_fault() {
    std::vector<const fault_entry*> drawn;
    const auto& table = options_.fault_table != nullptr ? *options_.fault_table : fault_table();
    for (const auto& fault : table) {
        if (!fault.stress_values.empty()) {
            drawn.push_back(&fault);
        }
    }
    const fault_entry& fault = *drawn[random_.below(static_cast<int32_t>(drawn.size()))];
    fault_args args;
    args.value =
        fault.stress_values[random_.below(static_cast<int32_t>(fault.stress_values.size()))];
    std::string what = fault.words;
    if (fault.takes == fault_entry::argument::name) {
        // Looked up only at start-up: the running panel must not notice.
        args.name = names::kGpiInstance;
    } else if (fault.takes == fault_entry::argument::number) {
        what += " " + std::to_string(args.value);
    } else if (args.value == 0) {
        what += " (ended)";
    }
    auto count = std::find_if(faults_switched_.begin(), faults_switched_.end(),
                              [&fault](const fault_count& c) { return c.words == fault.words; });
    if (count == faults_switched_.end()) {
        count = faults_switched_.insert(count, fault_count{fault.words});
    }
    ++(args.value == 0 ? count->ended : count->on);
    host().world().apply_fault(fault, args);
    model_.follow_faults(host().world().faults());
    host().settle();
    compare("fault " + what);
}

void stress_driver::flush_delayed() {
    const int64_t span = host().world().routers_line().all_due_by() - host().now();
    if (span > 0) {
        host().advance(span);
        model_.advance(span);
    }
}

uint64_t stress_driver::clear_faults(uint64_t budget) {
    ++fault_clears_;
    host().world().clear_faults();
    host().settle();
    model_.clear_faults();
    flush_delayed();
    // The poll that follows is an event of its own: a run that ends here (a replay
    // to this event) leaves it out.
    if (!compare("fault clear") || budget < 2) {
        return 1;
    }
    // Every input answers a poll, as after a reconnection, and the run settles.
    const bool stray = model_.monitor > 0 && model_.on_monitor != model_.router[model_.monitor];
    inputs().poll(kGpiFirst, kGpiFirst + names::kButtons - 1);
    host().settle();
    model_.input_poll();
    flush_delayed();
    if (compare("GPI poll after fault clear") && !stray) {
        check_rules(" after event " + std::to_string(events_checked_) + " (GPI poll after clear)");
    }
    return 2;
}

// Independent of how the model got there: with every fault ended and every input
// reported, the monitor carries the lowest high input's source, or with all inputs
// low the source the panel restores.
bool stress_driver::check_rules(const std::string& where) {
    const int32_t monitor = routing_model::number_of(tally().slots[names::kMonitorSlot]);
    if (monitor <= 0) {
        return true;
    }
    int32_t wanted = 0;
    bool any_high = false;
    bool decided = false;
    for (int n = 0; n < names::kButtons; ++n) {
        const int32_t state = inputs().input(kGpiFirst + n);
        any_high = any_high || state != 0;
        if (!decided && state == 1) {
            decided = true;
            wanted = routing_model::number_of(tally().slots[names::kFirstButtonSlot + n]);
        }
    }
    if (!any_high) {
        wanted = model_.restore;
    }
    const auto actual = host().crosspoint(kRouter, monitor);
    if ((any_high && wanted == 0) || (actual && *actual == wanted)) {
        return true;
    }
    divergence_ = "monitor destination " + std::to_string(monitor) + " carries " +
                  (actual ? "source " + std::to_string(*actual) : std::string("nothing")) +
                  ", the rules give source " + std::to_string(wanted) + where;
    return false;
}

}  // namespace kest_host
