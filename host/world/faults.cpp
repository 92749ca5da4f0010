#include "world/faults.h"

#include <algorithm>

namespace kest_host {

void router_line::report(int32_t type, const revertive_info& record) {
    if (type != KEST_EVENT_REVERTIVE) {
        sink_.report(type, record);  // name changes come from the host's database
        return;
    }
    if (faults_.router_offline) {
        sink_.remark("router " + std::to_string(record.device) + " index " +
                     std::to_string(record.index) + " source " + std::to_string(record.value) +
                     ": revertive (lost: router offline)");
        return;
    }
    if (faults_.router_delay_ms <= 0 && delayed_.empty()) {
        sink_.report(type, record);
        return;
    }
    int64_t due = clock_.now() + std::max<int64_t>(faults_.router_delay_ms, 0);
    if (!delayed_.empty()) {
        due = std::max(due, delayed_.back().due);
    }
    delayed_.push_back({due, type, record});
}

bool router_line::waiting(int64_t& due) const {
    if (delayed_.empty()) {
        return false;
    }
    due = delayed_.front().due;
    return true;
}

bool router_line::deliver_due(int64_t until) {
    if (delayed_.empty() || delayed_.front().due > until) {
        return false;
    }
    const delayed next = delayed_.front();
    delayed_.pop_front();
    sink_.report(next.type, next.record);
    return true;
}

int64_t router_line::all_due_by() const {
    return delayed_.empty() ? clock_.now() : std::max(clock_.now(), delayed_.back().due);
}

}  // namespace kest_host
