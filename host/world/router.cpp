#include "world/router.h"

#include "world/faults.h"

namespace kest_host {

void router::route(int32_t destination, int32_t source) {
    crosspoints[destination] = source;
    report_if_registered(destination, source, name_of(kSources, source));
}

bool router::take_crosspoint(int32_t destination, int32_t source) {
    if (remote_ != nullptr) {
        remote_->take_crosspoint(destination, source);
        return false;  // made when the device reports it
    }
    if (faults().on("router offline")) {
        return false;
    }
    if (faults().on("router refuse")) {
        report_held(destination);
        return false;
    }
    route(destination, source);
    return true;
}

void router::report_held(int32_t destination) {
    const int32_t held = source_at(destination).value_or(0);
    report_if_registered(destination, held, name_of(kSources, held));
}

void router::poll(int32_t first, int32_t last) {
    if (remote_ != nullptr && !remote_->reachable()) {
        return;  // lost, as the trace's mark says
    }
    device::poll(first, last);
}

std::string router::fault_mark(const std::string& code) const {
    const bool crosspoint = code == "RC";
    if (faults().on("router offline") && (crosspoint || code == "RP")) {
        return "lost: router offline";
    }
    return crosspoint && faults().on("router refuse") ? "refused: router refuse" : "";
}

void router::fault_ended(const std::string& fault) {
    if (fault == "router offline") {
        reconnect();
    }
}

void router::reconnect() {
    const auto ranges = registered().ranges();
    for (const auto& range : ranges) {
        poll(range.first, range.second);
    }
}

void router::rename(int database, int32_t index, const std::string& name) {
    names[database][index] = name;
    report(KEST_EVENT_DATABASE_CHANGE, make_record(number(), database, index, 0, name));
}

std::optional<int32_t> router::source_at(int32_t destination) const {
    const auto x = crosspoints.find(destination);
    if (x == crosspoints.end()) {
        return std::nullopt;
    }
    return x->second;
}

std::string router::name_of(int database, int32_t index) const {
    const auto& names_in = names[database];
    const auto it = names_in.find(index);
    return it == names_in.end() ? std::string() : it->second;
}

revertive_info router::state_of(int32_t index) const {
    const int32_t source = source_at(index).value_or(0);
    return make_record(number(), 0, index, source, name_of(kSources, source));
}

}  // namespace kest_host
