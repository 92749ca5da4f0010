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

void device_world::apply_fault(const fault_entry& fault, const fault_args& args) {
    fault_state next = faults_;
    fault.apply(next, args);
    for (const auto& ending : fault_table()) {
        if (!faults_.on(ending.words) || next.on(ending.words)) {
            continue;
        }
        faults_.set(ending.words, 0);
        for (auto& entry : devices_) {
            entry.second->fault_ended(ending.words);
        }
    }
    faults_ = std::move(next);
}

bool device_world::switch_fault(const std::string& words, int64_t value, const std::string& name) {
    const fault_entry* fault = find_fault(words);
    if (fault == nullptr) {
        return false;
    }
    apply_fault(*fault, {value, name});
    return true;
}

std::string device_world::faults_in_force() const {
    std::string out;
    const auto add = [&out](const std::string& text) {
        if (!text.empty()) {
            out += (out.empty() ? "" : ", ") + text;
        }
    };
    for (const auto& entry : devices_) {
        const std::string device =
            std::string(kind_name(entry.second->kind())) + " " + std::to_string(entry.first);
        if (entry.second->kind() == device_kind::router) {
            if (const auto* remote = static_cast<const router&>(*entry.second).remote();
                remote != nullptr && !remote->status().empty()) {
                add(device + " " + remote->status());
            }
        } else if (entry.second->kind() == device_kind::gpi) {
            if (const gpi_remote* remote = static_cast<const gpi&>(*entry.second).remote()) {
                add(device + " " + remote->status());
            }
        }
        for (const auto& fault : fault_table()) {
            const std::string text =
                fault.on == entry.second->kind() ? fault.describe(faults_) : "";
            if (!text.empty()) {
                std::string line = device;
                add(line.append(" ").append(text));
            }
        }
    }
    for (const auto& fault : fault_table()) {
        if (!fault.on) {
            add(fault.describe(faults_));
        }
    }
    return out;
}

}  // namespace kest_host
