#include "world/gpi.h"

#include "world/faults.h"

namespace kest_host {

void gpi::set_input(int32_t index, int32_t value) {
    const int32_t before = input(index);
    inputs[index] = value;
    // A bouncing contact: the change arrives after `bounce` extra reports that
    // alternate between the two states and end just before the final one.
    const auto bounce = static_cast<int32_t>(faults().level("gpi bounce"));
    if (bounce > 0 && before != value) {
        for (int32_t i = 0; i < bounce; ++i) {
            report_if_registered(index, (bounce - i) % 2 == 0 ? value : before, std::string());
        }
    }
    report_if_registered(index, value, std::string());
}

int32_t gpi::input(int32_t index) const {
    const auto s = inputs.find(index);
    return s == inputs.end() ? 0 : s->second;
}

revertive_info gpi::state_of(int32_t index) const {
    return make_record(number(), 0, index, input(index), std::string());
}

}  // namespace kest_host
