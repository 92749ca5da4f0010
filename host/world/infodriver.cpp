#include "world/infodriver.h"

namespace kest_host {

void infodriver::set_slot(int32_t index, const std::string& text) {
    slots[index] = text;
    report_if_registered(index, 0, text);
}

revertive_info infodriver::state_of(int32_t index) const {
    const auto s = slots.find(index);
    return make_record(number(), 0, index, 0, s == slots.end() ? std::string() : s->second);
}

}  // namespace kest_host
