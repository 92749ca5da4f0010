#include "world/device_world.h"

namespace kest_host {

device* device_world::add(device_kind kind, int32_t number) {
    if (devices_.count(number) != 0) {
        return nullptr;
    }
    std::unique_ptr<device> made;
    switch (kind) {
        case device_kind::router:
            made = std::make_unique<router>(number, sink_);
            break;
        case device_kind::infodriver:
            made = std::make_unique<infodriver>(number, sink_);
            break;
        case device_kind::gpi:
            made = std::make_unique<gpi>(number, sink_);
            break;
    }
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

}  // namespace kest_host
