// The device world: every simulated device by number, the instance table and the
// clock. It answers "which device is N" for the dispatcher, the checks, the scenario
// runner and rendering.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "world/device.h"
#include "world/faults.h"
#include "world/gpi.h"
#include "world/infodriver.h"
#include "world/instance_table.h"
#include "world/router.h"
#include "world/sim_clock.h"

namespace kest_host {

class device_world {
  public:
    explicit device_world(revertive_sink& sink)
        : sink_(sink), router_line_(sink, faults_, clock_) {}

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

    // --- Faults --------------------------------------------------------------------
    const fault_state& faults() const { return faults_; }
    // Switches a fault of fault_table(). A router that comes back online reports its
    // registered destinations again, an infodriver that comes back answers its
    // outstanding polls and reports the changed slots; both before any other fault
    // ends with it ("clear").
    void apply_fault(const fault_entry& fault, const fault_args& args);
    // The same by the fault's words ("router delay"); false when there is none.
    bool switch_fault(const std::string& words, int64_t value = 1, const std::string& name = "");
    // Ends every fault, the `online` ones first, with their effects.
    void clear_faults() { switch_fault("clear"); }
    // "router 12 OFFLINE, gpi 40 BOUNCE 3, ...": the faults in force ("" for none).
    std::string faults_in_force() const;
    // The routers' revertives on their way to the panel.
    router_line& routers_line() { return router_line_; }
    const router_line& routers_line() const { return router_line_; }

  private:
    revertive_sink& sink_;
    fault_state faults_;
    std::map<int32_t, std::unique_ptr<device>> devices_;
    instance_table instances_;
    sim_clock clock_;
    router_line router_line_;
};

}  // namespace kest_host
