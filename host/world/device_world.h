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
    // Ending `offline` makes every router report its registered destinations again.
    void set_router_offline(bool on);
    void set_router_delay(int64_t ms) { faults_.router_delay_ms = ms; }
    void set_router_refuse(bool on) { faults_.router_refuse = on; }
    // Ending `silent` answers the outstanding polls and reports the changed slots.
    void set_infodriver_silent(bool on);
    void set_gpi_bounce(int32_t extra) { faults_.gpi_bounce = extra; }
    void set_names_missing(bool on) { faults_.names_missing = on; }
    void set_lookup_missing(const std::string& name) { faults_.lookups_missing.insert(name); }
    void set_layout_missing(bool on) { faults_.layout_missing = on; }
    // Ends every fault, the `online` ones first, with their effects.
    void clear_faults();
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
