// What a fault statement does: the device world takes the fault, and the trace says
// which faults are in force afterwards.
#include "scenario/scenario_runner.h"

namespace kest_host {

bool scenario_runner::apply(const stmt::fault& s) {
    device_world& world = host().world();
    world.apply_fault(*s.entry, s.args);
    const std::string in_force = world.faults_in_force();
    host().trace().line("host", "faults in force: " + (in_force.empty() ? "none" : in_force));
    return true;
}

}  // namespace kest_host
