#include "world/gpi.h"

namespace kest_host {

void gpi::set_input(int32_t index, int32_t value) {
    inputs[index] = value;
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
