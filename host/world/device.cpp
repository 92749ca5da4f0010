#include "world/device.h"

#include <algorithm>
#include <cstring>

#include "world/faults.h"

namespace kest_host {

const char* kind_name(device_kind kind) {
    switch (kind) {
        case device_kind::router:
            return "router";
        case device_kind::infodriver:
            return "infodriver";
        case device_kind::gpi:
            return "gpi";
    }
    return "?";
}

revertive_info make_record(int32_t device, int32_t database, int32_t index, int32_t value,
                           const std::string& text) {
    revertive_info record{};
    record.device = device;
    record.database = database;
    record.index = index;
    record.value = value;
    const std::size_t n = std::min(text.size(), KEST_REVERTIVE_TEXT_CAPACITY - 1);
    std::memcpy(record.text, text.data(), n);
    record.text[n] = '\0';
    return record;
}

bool range_set::contains(int32_t index) const {
    return std::any_of(ranges_.begin(), ranges_.end(),
                       [index](const auto& r) { return index >= r.first && index <= r.second; });
}

void range_set::add(int32_t first, int32_t last) {
    if (first > last || contains_range(first, last)) {
        return;
    }
    ranges_.emplace_back(first, last);
}

bool range_set::contains_range(int32_t first, int32_t last) const {
    return std::any_of(ranges_.begin(), ranges_.end(), [first, last](const auto& r) {
        return first >= r.first && last <= r.second;
    });
}

const fault_state& device::faults() const {
    static const fault_state kNone;
    return faults_ != nullptr ? *faults_ : kNone;
}

void device::poll(int32_t first, int32_t last) {
    if (static_cast<int64_t>(last) - first >= kPollLimit) {
        sink_.remark("poll range cut to " + std::to_string(kPollLimit) + " indices");
        last = static_cast<int32_t>(first + kPollLimit - 1);
    }
    for (int64_t i = first; i <= last; ++i) {
        sink_.report(KEST_EVENT_REVERTIVE, state_of(static_cast<int32_t>(i)));
    }
}

void device::report_if_registered(int32_t index, int32_t value, const std::string& text) {
    if (registered_.contains(index)) {
        sink_.report(KEST_EVENT_REVERTIVE, make_record(number_, 0, index, value, text));
    }
}

}  // namespace kest_host
