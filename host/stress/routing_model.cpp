#include "stress/routing_model.h"

#include <cctype>
#include <climits>

namespace kest_host {

int32_t routing_model::number_of(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1) {
            value = int64_t{INT32_MAX} + 1;
        }
    }
    value = negative ? -value : value;
    if (value > INT32_MAX) {
        value = INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

std::string routing_model::name_of(int32_t source) const {
    const auto it = source_names.find(source);
    return it == source_names.end() ? "" : it->second;
}

// --- The queue to the panel --------------------------------------------------------

void routing_model::push(report_event e) {
    queue_.push_back(std::move(e));
}

void routing_model::settle() {
    while (!queue_.empty()) {
        const report_event e = std::move(queue_.front());
        queue_.pop_front();
        switch (e.what) {
            case report_event::kind::gpi:
                on_gpi(e.index, e.value);
                break;
            case report_event::kind::router:
                on_router(e.value, e.text);
                break;
            case report_event::kind::slot:
                on_slot(e.index, e.text);
                break;
        }
    }
}

void routing_model::input_report(int n, int32_t value) {
    push({report_event::kind::gpi, n, value, std::string()});
    settle();
}

void routing_model::input_poll() {
    for (int n = 0; n < panel_names::kButtons; ++n) {
        push({report_event::kind::gpi, n, input[n], std::string()});
    }
    settle();
}

void routing_model::input_change(int n, int32_t value) {
    const int32_t before = input[n];
    const auto bounce = static_cast<int32_t>(faults.level("gpi bounce"));
    if (bounce > 0 && before != value) {
        for (int32_t i = 0; i < bounce; ++i) {
            push({report_event::kind::gpi, n, (bounce - i) % 2 == 0 ? value : before, ""});
        }
    }
    push({report_event::kind::gpi, n, value, std::string()});
    settle();
}

void routing_model::slot_change(int32_t slot, const std::string& text) {
    slot_texts[slot] = text;
    if (faults.on("infodriver silent")) {
        changed_slots_.insert(slot);
        return;
    }
    slot_report(slot, text);
}

void routing_model::slot_report(int32_t slot, const std::string& text) {
    push({report_event::kind::slot, slot, 0, text});
    settle();
}

void routing_model::tally_poll() {
    if (faults.on("infodriver silent")) {
        outstanding_poll_ = true;
        return;
    }
    for (int32_t slot = panel_names::kFirstButtonSlot; slot <= panel_names::kMonitorSlot; ++slot) {
        push({report_event::kind::slot, slot, 0, slot_texts[slot]});
    }
    settle();
}

void routing_model::router_report(int32_t source, const std::string& name) {
    push({report_event::kind::router, 0, source, name});
    settle();
}

// --- The router -----------------------------------------------------------------------

void routing_model::emit(int32_t source) {
    if (!registered || faults.on("router offline")) {
        return;  // nothing registered to report, or the report is lost
    }
    const int64_t delay_ms = faults.level("router delay");
    if (delay_ms <= 0 && delayed_.empty()) {
        push({report_event::kind::router, 0, source, name_of(source)});
        return;
    }
    int64_t due = now_ + (delay_ms > 0 ? delay_ms : 0);
    if (!delayed_.empty() && delayed_.back().due > due) {
        due = delayed_.back().due;
    }
    delayed_.push_back({due, source, name_of(source)});
}

void routing_model::advance(int64_t ms) {
    now_ += ms;
    while (!delayed_.empty() && delayed_.front().due <= now_) {
        push({report_event::kind::router, 0, delayed_.front().source, delayed_.front().name});
        delayed_.pop_front();
        settle();
    }
}

void routing_model::crosspoint(int32_t source) {
    // There is no destination 0 (or below): such a crosspoint changes nothing and is
    // never reported, so the panel does not await it.
    if (monitor <= 0) {
        return;
    }
    if (registered) {
        if (!runs.empty() && runs.back().first == source) {
            if (runs.back().second < INT32_MAX) {
                ++runs.back().second;
            }
        } else {
            if (runs.size() == kMaxRuns) {
                runs.erase(runs.begin());
            }
            runs.emplace_back(source, 1);
        }
    }
    if (faults.on("router offline")) {
        return;  // lost
    }
    if (faults.on("router refuse")) {
        emit(router[monitor]);  // not made: the unchanged source is reported
        return;
    }
    router[monitor] = source;
    emit(source);
}

bool routing_model::answers_own_crosspoint(int32_t source) {
    if (runs.empty()) {
        return false;
    }
    auto run = runs.begin();
    while (run != runs.end() && run->first != source) {
        ++run;
    }
    if (run == runs.end()) {
        run = runs.begin();  // another source: it answers the oldest crosspoint
    }
    run = runs.erase(runs.begin(), run);
    if (--run->second == 0) {
        runs.erase(run);
    }
    return true;
}

void routing_model::route_elsewhere(int32_t destination, int32_t source) {
    router[destination] = source;
    if (destination == monitor) {
        emit(source);
    }
    settle();
}

void routing_model::rename(int database, int32_t index, const std::string& name) {
    if (database == 0) {
        source_names[index] = name;
        for (int n = 0; n < panel_names::kButtons; ++n) {
            if (button_source[n] == index) {
                button_name[n] = name;
            }
        }
        if (index == on_monitor) {
            on_monitor_name = name;
        }
    } else if (database == 1) {
        dest_names[index] = name;
        if (index == monitor) {
            monitor_name = name;
        }
    }
}

// --- Faults -----------------------------------------------------------------------------

void routing_model::set_offline(bool on) {
    const bool back = faults.on("router offline") && !on;
    faults.set("router offline", on ? 1 : 0);
    if (back) {
        emit(router.count(monitor) != 0 ? router[monitor] : 0);  // it reconnects
    }
    settle();
}

void routing_model::set_silent(bool on) {
    const bool back = faults.on("infodriver silent") && !on;
    faults.set("infodriver silent", on ? 1 : 0);
    if (back) {
        tally_comes_back();
    }
    settle();
}

void routing_model::follow_faults(const fault_state& next) {
    // A router or infodriver that comes back acts under the other faults as they were.
    if (next.on("router offline") != faults.on("router offline")) {
        set_offline(next.on("router offline"));
    }
    if (next.on("infodriver silent") != faults.on("infodriver silent")) {
        set_silent(next.on("infodriver silent"));
    }
    faults = next;
}

void routing_model::tally_comes_back() {
    if (outstanding_poll_) {
        changed_slots_.clear();  // the poll's answer covers every slot
        outstanding_poll_ = false;
        for (int32_t slot = panel_names::kFirstButtonSlot; slot <= panel_names::kMonitorSlot;
             ++slot) {
            push({report_event::kind::slot, slot, 0, slot_texts[slot]});
        }
    }
    for (const int32_t slot : changed_slots_) {
        push({report_event::kind::slot, slot, 0, slot_texts[slot]});
    }
    changed_slots_.clear();
}

void routing_model::clear_faults() {
    // What the devices send on coming back leaves them with the faults still set;
    // the panel takes it in after every fault has ended.
    if (faults.on("router offline")) {
        faults.set("router offline", 0);
        emit(router.count(monitor) != 0 ? router[monitor] : 0);
    }
    if (faults.on("infodriver silent")) {
        faults.set("infodriver silent", 0);
        tally_comes_back();
    }
    faults.clear();
    settle();
}

// --- What the panel does with each report -------------------------------------------------

void routing_model::decide() {
    const bool awaiting = !runs.empty();
    const int32_t last = awaiting ? runs.back().first : 0;
    int lowest = -1;
    bool any_high = false;
    for (int n = 0; n < panel_names::kButtons; ++n) {
        if (input[n] != 0) {
            any_high = true;
        }
        if (lowest < 0 && input[n] == 1) {
            lowest = n;
        }
    }
    if (!any_high) {
        held = false;
        if (on_monitor != restore || (awaiting && last != restore && restore != 0)) {
            crosspoint(restore);
        }
        return;
    }
    held = true;
    if (lowest < 0) {
        return;
    }
    const int32_t wanted = button_source[lowest];
    if (wanted != 0 && (wanted != on_monitor || (awaiting && last != wanted))) {
        crosspoint(wanted);
    }
}

void routing_model::on_gpi(int n, int32_t value) {
    if (n >= 0 && n < panel_names::kButtons) {
        input[n] = value;
    }
    decide();
}

void routing_model::on_slot(int32_t slot, const std::string& text) {
    if (slot >= panel_names::kFirstButtonSlot && slot <= panel_names::kLastButtonSlot) {
        const int n = slot - panel_names::kFirstButtonSlot;
        button_source[n] = number_of(text);
        button_name[n] = faults.on("names missing") ? "" : name_of(button_source[n]);
    } else if (slot == panel_names::kMonitorSlot) {
        const int32_t previous = monitor;
        monitor = number_of(text);
        const auto name = dest_names.find(monitor);
        monitor_name = faults.on("names missing") || name == dest_names.end() ? "" : name->second;
        if (registered) {
            registered = false;
            on_monitor_text.clear();
        }
        if (monitor != previous) {
            runs.clear();  // reports for the old destination no longer come
        }
        if (monitor != 0) {
            registered = true;
            // The panel asks for the new destination's source and hears it back.
            const auto it = router.find(monitor);
            emit(it == router.end() ? 0 : it->second);
        }
    }
}

void routing_model::on_router(int32_t source, const std::string& name) {
    on_monitor = source;
    on_monitor_name = name;
    on_monitor_text = std::to_string(source);
    if (!answers_own_crosspoint(source) && !held) {
        restore = source;
    }
}

bool routing_model::expected_control(const std::string& id, std::string& value) const {
    namespace names = panel_names;
    for (int n = 0; n < names::kButtons; ++n) {
        if (id == names::kButtonIds[n]) {
            value = input[n] != 0 ? names::kInputHigh : names::kInputLow;
            return true;
        }
        if (id == names::kSourceIds[n]) {
            value = std::to_string(button_source[n]);
            return true;
        }
        if (id == names::kNameIds[n]) {
            value = button_name[n];
            return true;
        }
    }
    if (id == names::kMonitorId) {
        value = std::to_string(monitor);
    } else if (id == names::kMonitorNameId) {
        value = monitor_name;
    } else if (id == names::kCurrentSourceId) {
        value = on_monitor_text;
    } else if (id == names::kCurrentNameId) {
        value = on_monitor_name;
    } else {
        return false;
    }
    return true;
}

}  // namespace kest_host
