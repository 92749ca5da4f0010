#include "world/faults.h"

#include <algorithm>
#include <stdexcept>

namespace kest_host {

int64_t fault_state::level(const std::string& fault) const {
    const auto it = levels_.find(fault);
    if (it != levels_.end()) {
        return it->second;
    }
    if (find_fault(fault) == nullptr && names_.count(fault) == 0) {
        throw std::logic_error("no fault named \"" + fault + "\"");
    }
    return 0;
}

const std::set<std::string>& fault_state::names(const std::string& fault) const {
    static const std::set<std::string> none;
    const auto it = names_.find(fault);
    return it == names_.end() ? none : it->second;
}

bool fault_state::any() const {
    return std::any_of(levels_.begin(), levels_.end(),
                       [](const auto& l) { return l.second != 0; }) ||
           std::any_of(names_.begin(), names_.end(),
                       [](const auto& n) { return !n.second.empty(); });
}

void fault_entry::apply(fault_state& state, const fault_args& args) const {
    if (change != nullptr) {
        change(state, args);
    } else if (takes == argument::name) {
        state.add_name(words, args.name);
    } else {
        state.set(words, args.value);
    }
}

std::string fault_entry::describe(const fault_state& state) const {
    if (in_force != nullptr) {
        return in_force(state);
    }
    if (shown == nullptr) {
        return "";
    }
    const int64_t value = state.level(words);
    if (value == 0) {
        return "";
    }
    std::string text = shown;
    const auto mark = text.find('#');
    return mark == std::string::npos ? text : text.replace(mark, 1, std::to_string(value));
}

void router_line::report(int32_t type, const revertive_info& record) {
    if (type != KEST_EVENT_REVERTIVE) {
        sink_.report(type, record);  // name changes come from the host's database
        return;
    }
    if (faults_.on("router offline")) {
        sink_.remark("router " + std::to_string(record.device) + " index " +
                     std::to_string(record.index) + " source " + std::to_string(record.value) +
                     ": revertive (lost: router offline)");
        return;
    }
    if (faults_.level("router delay") <= 0 && delayed_.empty()) {
        sink_.report(type, record);
        return;
    }
    int64_t due = clock_.now() + std::max<int64_t>(faults_.level("router delay"), 0);
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
