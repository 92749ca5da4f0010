// What a fault statement does: the device world takes the fault, and the trace says
// which faults are in force afterwards.
#include "scenario/scenario_runner.h"

namespace kest_host {

namespace {

void set_fault(device_world& world, const stmt::fault& s) {
    switch (s.kind) {
        case fault_kind::router_offline:
            world.set_router_offline(true);
            break;
        case fault_kind::router_online:
            world.set_router_offline(false);
            break;
        case fault_kind::router_delay:
            world.set_router_delay(s.value);
            break;
        case fault_kind::router_refuse:
            world.set_router_refuse(true);
            break;
        case fault_kind::infodriver_silent:
            world.set_infodriver_silent(true);
            break;
        case fault_kind::infodriver_online:
            world.set_infodriver_silent(false);
            break;
        case fault_kind::gpi_bounce:
            world.set_gpi_bounce(static_cast<int32_t>(s.value));
            break;
        case fault_kind::names_missing:
            world.set_names_missing(true);
            break;
        case fault_kind::lookup_missing:
            world.set_lookup_missing(s.name);
            break;
        case fault_kind::layout_missing:
            world.set_layout_missing(true);
            break;
        case fault_kind::clear:
            world.clear_faults();
            break;
    }
}

}  // namespace

bool scenario_runner::apply(const stmt::fault& s) {
    device_world& world = host().world();
    set_fault(world, s);
    const std::string in_force = world.faults_in_force();
    host().trace().line("host", "faults in force: " + (in_force.empty() ? "none" : in_force));
    return true;
}

}  // namespace kest_host
