// The device world: every simulated device by number, the instance table and the
// clock. It answers "which device is N" for the dispatcher, the checks, the scenario
// runner and rendering.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "world/device.h"
#include "world/gpi.h"
#include "world/infodriver.h"
#include "world/instance_table.h"
#include "world/router.h"
#include "world/sim_clock.h"

namespace kest_host {

class device_world {
  public:
    explicit device_world(revertive_sink& sink) : sink_(sink) {}

    // Null when a device with this number exists already.
    device* add(device_kind kind, int32_t number);
    router* add_router(int32_t number);
    infodriver* add_infodriver(int32_t number);
    gpi* add_gpi(int32_t number);

    device* find(int32_t number);
    const device* find(int32_t number) const;
    // The device with this number if it is of type T.
    template <class T>
    T* find_as(int32_t number) {
        return dynamic_cast<T*>(find(number));
    }
    template <class T>
    const T* find_as(int32_t number) const {
        return dynamic_cast<const T*>(find(number));
    }
    // The lowest-numbered device of a kind, or null.
    device* first(device_kind kind);

    const std::map<int32_t, std::unique_ptr<device>>& devices() const { return devices_; }
    instance_table& instances() { return instances_; }
    const instance_table& instances() const { return instances_; }
    sim_clock& clock() { return clock_; }
    const sim_clock& clock() const { return clock_; }

  private:
    revertive_sink& sink_;
    std::map<int32_t, std::unique_ptr<device>> devices_;
    instance_table instances_;
    sim_clock clock_;
};

}  // namespace kest_host
