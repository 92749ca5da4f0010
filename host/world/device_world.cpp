#include "world/device_world.h"

namespace kest_host {

device* device_world::add(device_kind kind, int32_t number) {
    if (devices_.count(number) != 0) {
        return nullptr;
    }
    std::unique_ptr<device> made;
    switch (kind) {
        case device_kind::router:
            made = std::make_unique<router>(number, router_line_);
            break;
        case device_kind::infodriver:
            made = std::make_unique<infodriver>(number, sink_);
            break;
        case device_kind::gpi:
            made = std::make_unique<gpi>(number, sink_);
            break;
    }
    made->set_faults(&faults_);
    device* pointer = made.get();
    devices_.emplace(number, std::move(made));
    return pointer;
}

router* device_world::add_router(int32_t number) {
    return static_cast<router*>(add(device_kind::router, number));
}

infodriver* device_world::add_infodriver(int32_t number) {
    return static_cast<infodriver*>(add(device_kind::infodriver, number));
}

gpi* device_world::add_gpi(int32_t number) {
    return static_cast<gpi*>(add(device_kind::gpi, number));
}

device* device_world::find(int32_t number) {
    const auto it = devices_.find(number);
    return it == devices_.end() ? nullptr : it->second.get();
}

const device* device_world::find(int32_t number) const {
    const auto it = devices_.find(number);
    return it == devices_.end() ? nullptr : it->second.get();
}

device* device_world::first(device_kind kind) {
    for (auto& entry : devices_) {
        if (entry.second->kind() == kind) {
            return entry.second.get();
        }
    }
    return nullptr;
}

void device_world::set_router_offline(bool on) {
    const bool back = faults_.router_offline && !on;
    faults_.router_offline = on;
    if (!back) {
        return;
    }
    for (auto& entry : devices_) {
        if (auto* r = dynamic_cast<router*>(entry.second.get())) {
            r->reconnect();
        }
    }
}

void device_world::set_infodriver_silent(bool on) {
    const bool back = faults_.infodriver_silent && !on;
    faults_.infodriver_silent = on;
    if (!back) {
        return;
    }
    for (auto& entry : devices_) {
        if (auto* d = dynamic_cast<infodriver*>(entry.second.get())) {
            d->come_back();
        }
    }
}

void device_world::clear_faults() {
    set_router_offline(false);
    set_infodriver_silent(false);
    faults_ = fault_state{};
}

std::string device_world::faults_in_force() const {
    std::string out;
    const auto add = [&out](const std::string& text) { out += (out.empty() ? "" : ", ") + text; };
    for (const auto& entry : devices_) {
        const std::string device =
            std::string(kind_name(entry.second->kind())) + " " + std::to_string(entry.first);
        switch (entry.second->kind()) {
            case device_kind::router:
                if (const auto* remote = static_cast<const router&>(*entry.second).remote();
                    remote != nullptr && !remote->status().empty()) {
                    add(device + " " + remote->status());
                }
                if (faults_.router_offline) {
                    add(device + " OFFLINE");
                }
                if (faults_.router_delay_ms > 0) {
                    add(device + " DELAY " + std::to_string(faults_.router_delay_ms) + " ms");
                }
                if (faults_.router_refuse) {
                    add(device + " REFUSES");
                }
                break;
            case device_kind::infodriver:
                if (faults_.infodriver_silent) {
                    add(device + " SILENT");
                }
                break;
            case device_kind::gpi:
                if (faults_.gpi_bounce > 0) {
                    add(device + " BOUNCE " + std::to_string(faults_.gpi_bounce));
                }
                break;
        }
    }
    if (faults_.names_missing) {
        add("names MISSING");
    }
    for (const auto& name : faults_.lookups_missing) {
        add("lookup \"" + name + "\" MISSING");
    }
    if (faults_.layout_missing) {
        add("layout MISSING");
    }
    return out;
}

}  // namespace kest_host
