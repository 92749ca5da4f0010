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
    if (n >= 0 && n < panel_names::kButtons) {
        input[n] = value;
    }
    decide();
}

void routing_model::slot_report(int32_t slot, const std::string& text) {
    if (slot >= panel_names::kFirstButtonSlot && slot <= panel_names::kLastButtonSlot) {
        button_source[slot - panel_names::kFirstButtonSlot] = number_of(text);
    } else if (slot == panel_names::kMonitorSlot) {
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
            value = name_of(button_source[n]);
            return true;
        }
    }
    if (id == names::kMonitorId) {
        value = std::to_string(monitor);
    } else if (id == names::kMonitorNameId) {
        const auto it = dest_names.find(monitor);
        value = it == dest_names.end() ? "" : it->second;
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
