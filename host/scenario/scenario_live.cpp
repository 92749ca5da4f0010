// What the scenario runner does differently with a real device: time passes on the
// real clock, `within` waits for an expectation, and the panel's start tells the
// destination guard which destination the monitor is.
#include "common/interrupt.h"
#include "common/numbers.h"
#include "panel/panel_names.h"
#include "scenario/scenario_runner.h"

namespace kest_host {

bool scenario_runner::live_time() const {
    return devices() != nullptr && devices()->active();
}

void scenario_runner::pass_time(int64_t ms) {
    if (live_time()) {
        devices()->advance(ms);
    } else {
        host().advance(ms);
    }
}

bool scenario_runner::apply(const stmt::allow& s) {
    if (devices() == nullptr) {
        return fail_step("allow dest needs live mode, which this kest-host lacks");
    }
    devices()->allow_destination(s.destination);
    return true;
}

void scenario_runner::tell_devices_started() {
    if (devices() == nullptr) {
        return;
    }
    int32_t monitor = 0;
    if (const device* d = host().world().first(device_kind::infodriver)) {
        const auto& slots = static_cast<const infodriver*>(d)->slots;
        const auto slot = slots.find(panel_names::kMonitorSlot);
        if (slot != slots.end()) {
            monitor = decimal<int32_t>(slot->second).value_or(0);
        }
    }
    devices()->panel_started(monitor);
}

// The expectation tried without a word: true when it holds now.
bool scenario_runner::probe(const step& s) {
    const uint64_t counted = expectations_;
    probing_ = true;
    probe_failed_ = false;
    const bool ran = std::visit([this](const auto& v) { return apply(v); }, s.what);
    probing_ = false;
    expectations_ = counted;
    error_.clear();
    return ran && !probe_failed_;
}

// `expect ... within MS`: a positive expectation is tried as time passes and holds
// as soon as it is true; a negative one (not-sent) must stay true for the whole MS,
// so the time passes first and the verdict comes at its end. With a real device the
// milliseconds are real time; otherwise the simulated clock moves event by event
// (timer ticks, late revertives) and stops at the first one after which it holds.
bool scenario_runner::expect_within(const step& s) {
    const int64_t ms = *s.within;
    if (std::holds_alternative<stmt::expect_not_sent>(s.what)) {
        pass_time(ms);
    } else if (live_time()) {
        devices()->wait(ms, [&] { return probe(s); });
    } else {
        const int64_t end = host().now() + ms;
        while (!probe(s) && !interrupt_requested()) {
            int64_t due = end + 1;
            int64_t tick = 0;
            int64_t report = 0;
            if (host().world().clock().next_due(tick)) {
                due = std::min(due, tick);
            }
            if (host().world().routers_line().waiting(report)) {
                due = std::min(due, report);
            }
            if (due > end) {
                host().advance(end - host().now());
                break;
            }
            host().advance(std::max<int64_t>(due - host().now(), 0));
        }
    }
    return std::visit([this](const auto& v) { return apply(v); }, s.what);
}

}  // namespace kest_host
