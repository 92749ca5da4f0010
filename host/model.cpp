#include "model.h"

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

void routing_model::crosspoint(int32_t source) {
    // The router takes the crosspoint and reports it for the monitor destination.
    // There is no destination 0 (or below): such a crosspoint changes nothing.
    if (monitor <= 0) {
        return;
    }
    router[monitor] = source;
    router_report(source, name_of(source));
}

void routing_model::decide() {
    int lowest = -1;
    bool any_high = false;
    for (int n = 0; n < 8; ++n) {
        if (input[n] != 0) {
            any_high = true;
        }
        if (lowest < 0 && input[n] == 1) {
            lowest = n;
        }
    }
    if (!any_high) {
        held = false;
        if (on_monitor != restore) {
            crosspoint(restore);
        }
        return;
    }
    held = true;
    if (lowest < 0) {
        return;
    }
    const int32_t wanted = button_source[lowest];
    if (wanted != 0 && wanted != on_monitor) {
        crosspoint(wanted);
    }
}

void routing_model::input_report(int n, int32_t value) {
    if (n >= 0 && n < 8) {
        input[n] = value;
    }
    decide();
}

void routing_model::slot_report(int32_t slot, const std::string& text) {
    if (slot >= 61 && slot <= 68) {
        button_source[slot - 61] = number_of(text);
    } else if (slot == 69) {
        monitor = number_of(text);
        if (registered) {
            registered = false;
            on_monitor_text.clear();
        }
        if (monitor != 0) {
            registered = true;
            // The panel asks for the new destination's source and hears it back.
            const auto it = router.find(monitor);
            const int32_t source = it == router.end() ? 0 : it->second;
            router_report(source, name_of(source));
        }
    }
}

void routing_model::router_report(int32_t source, const std::string& name) {
    on_monitor = source;
    on_monitor_name = name;
    on_monitor_text = std::to_string(source);
    if (!held) {
        restore = source;
    }
}

void routing_model::route_elsewhere(int32_t destination, int32_t source) {
    router[destination] = source;
    if (destination == monitor && registered) {
        router_report(source, name_of(source));
    }
}

void routing_model::rename(int database, int32_t index, const std::string& name) {
    if (database == 0) {
        source_names[index] = name;
        if (index == on_monitor) {
            on_monitor_name = name;
        }
    } else if (database == 1) {
        dest_names[index] = name;
    }
}

bool routing_model::expected_control(const std::string& id, std::string& value) const {
    if (id.size() == 1 && id[0] >= '1' && id[0] <= '8') {
        value = input[id[0] - '1'] != 0 ? "Ryx_TakeHigh" : "RyxGroupDeselected";
        return true;
    }
    if (id.size() == 2 && id[0] == '1' && id[1] >= '1' && id[1] <= '8') {
        value = std::to_string(button_source[id[1] - '1']);
        return true;
    }
    if (id.size() == 2 && id[0] == '2' && id[1] >= '1' && id[1] <= '8') {
        value = name_of(button_source[id[1] - '1']);
        return true;
    }
    if (id == "50") {
        value = std::to_string(monitor);
        return true;
    }
    if (id == "51") {
        const auto it = dest_names.find(monitor);
        value = it == dest_names.end() ? "" : it->second;
        return true;
    }
    if (id == "CurrentSDI_ID") {
        value = on_monitor_text;
        return true;
    }
    if (id == "Current_Name") {
        value = on_monitor_name;
        return true;
    }
    return false;
}

}  // namespace kest_host
