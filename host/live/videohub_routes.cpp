// The router link's rules for crosspoints and what it makes of the router's blocks
// (videohub_link.cpp holds the connection, the keepalive and the reconnect).
#include <algorithm>

#include "common/numbers.h"
#include "common/printable.h"
#include "live/videohub_link.h"
#include "world/faults.h"

namespace kest_host::live {

// --- Crosspoints ---------------------------------------------------------------------

videohub_link::verdict videohub_link::judge(int32_t destination, int32_t source) const {
    if (guard_.read_only) {
        return verdict::read_only;
    }
    if (!guard_.allows(destination)) {
        return verdict::not_allowed;
    }
    if (state_ != state::up) {
        return verdict::link_down;
    }
    if (source < 1 || static_cast<uint32_t>(source) > inputs_ ||
        static_cast<uint32_t>(destination) > outputs_) {
        return verdict::out_of_range;
    }
    const auto lock = locks_.find(destination - 1);
    if (lock != locks_.end() && lock->second == 'L') {
        return verdict::locked;
    }
    return verdict::send;
}

namespace {

std::string lost_mark() {
    return std::string("  (") + link_state("router link down").mark + ")";
}

}  // namespace

std::string videohub_link::mark(bool crosspoint, int32_t destination, int32_t source) const {
    if (!crosspoint) {
        return state_ == state::up ? "" : lost_mark();
    }
    const std::string d = std::to_string(destination);
    switch (judge(destination, source)) {
        case verdict::send:
            return "";
        case verdict::read_only:
            return "  (not sent: read-only)";
        case verdict::not_allowed:
            return "  (refused: destination " + d + " not allowed)";
        case verdict::link_down:
            return lost_mark();
        case verdict::out_of_range:
            return "  (refused: source " + std::to_string(source) + " or destination " + d +
                   " not on the router)";
        case verdict::locked:
            return "  (refused: destination " + d + " locked by another client)";
    }
    return "";
}

void videohub_link::take_crosspoint(int32_t destination, int32_t source) {
    switch (judge(destination, source)) {
        case verdict::send:
            send_route(destination, source);
            return;
        case verdict::read_only:
            return;
        case verdict::link_down:
            lost_[destination] = source;
            return;
        case verdict::not_allowed:
            ++guard_.refused;
            return;
        case verdict::out_of_range:
        case verdict::locked:
            ++guard_.refused;
            mirror_.report_held(destination);  // as a router that refuses
            return;
    }
}

void videohub_link::send_route(int32_t destination, int32_t source) {
    awaiting_.push_back({destination, source, loop_.now_ms()});
    ++routes_sent_;
    write("VIDEO OUTPUT ROUTING:\n" + std::to_string(destination - 1) + " " +
          std::to_string(source - 1) + "\n\n");
    if (written_) {
        written_();
    }
}

// After the reconnect dump: each destination's newest lost crosspoint, once, unless
// the router shows that source already or the guard or a lock stops it now.
void videohub_link::send_lost() {
    std::map<int32_t, int32_t> lost;
    lost.swap(lost_);
    for (const auto& [destination, source] : lost) {
        if (mirror_.source_at(destination) == source) {
            note_("router " + std::to_string(mirror_.number()) + " destination " +
                  std::to_string(destination) + " already on source " + std::to_string(source) +
                  ": lost crosspoint not sent again");
            continue;
        }
        if (judge(destination, source) != verdict::send) {
            note_("router " + std::to_string(mirror_.number()) + " lost crosspoint " +
                  std::to_string(source) + " to " + std::to_string(destination) +
                  " dropped:" + mark(true, destination, source));
            continue;
        }
        note_("router " + std::to_string(mirror_.number()) + " sends the crosspoint lost while " +
              "the link was down: source " + std::to_string(source) + " to destination " +
              std::to_string(destination));
        send_route(destination, source);
    }
}

// --- What the router says ------------------------------------------------------------

void videohub_link::take(videohub_message&& message) {
    if (state_ != state::dumping && state_ != state::up) {
        return;  // the rest of a read whose connection was just given up
    }
    switch (message.what) {
        case videohub_message::kind::ack:
            take_reply(true);
            return;
        case videohub_message::kind::nak:
            take_reply(false);
            return;
        case videohub_message::kind::block:
            break;
    }
    if (message.header == "VIDEOHUB DEVICE") {
        take_device(message);
    } else if (message.header == "INPUT LABELS") {
        take_labels(message, router::kSources);
    } else if (message.header == "OUTPUT LABELS") {
        take_labels(message, router::kDestinations);
    } else if (message.header == "VIDEO OUTPUT LOCKS") {
        take_locks(message);
    } else if (message.header == "VIDEO OUTPUT ROUTING") {
        take_routing(message);
    }
    // Every other block is someone else's business.
}

void videohub_link::take_reply(bool ack) {
    if (awaiting_.empty()) {
        problem(std::string(ack ? "ACK" : "NAK") + " without a request");
        return;
    }
    const outstanding o = awaiting_.front();
    awaiting_.pop_front();
    if (ack || o.destination == 0) {
        return;
    }
    ++guard_.refused;
    note_("router " + std::to_string(mirror_.number()) + " NAK: source " +
          std::to_string(o.source) + " to destination " + std::to_string(o.destination) +
          " (refused: router said NAK)");
    mirror_.report_held(o.destination);
}

void videohub_link::take_device(const videohub_message& block) {
    for (const auto& line : block.lines) {
        const auto field = videohub_field(line);
        if (!field) {
            continue;
        }
        const bool in = field->first == "Video inputs";
        if (!in && field->first != "Video outputs") {
            if (field->first == "Device present" && field->second != "true") {
                problem("device present: " + excerpt(field->second));
            }
            continue;
        }
        auto count = decimal<uint32_t>(field->second);
        if (!count) {
            problem(field->first + " is not a number: " + excerpt(field->second));
            continue;
        }
        if (*count > kMaxPorts) {
            problem(field->first + " " + std::to_string(*count) + ": kest-host takes at most " +
                    std::to_string(kMaxPorts));
            count = kMaxPorts;
        }
        (in ? inputs_ : outputs_) = *count;
    }
    device_known_ = true;
}

void videohub_link::take_labels(const videohub_message& block, int database) {
    const uint32_t count = database == router::kSources ? inputs_ : outputs_;
    for (const auto& line : block.lines) {
        const auto port = videohub_port_line(line);
        if (!port || port->first >= count) {
            problem("label line " + quoted(excerpt(line)) +
                    (port ? " names a port the router does not have" : " is malformed"));
            continue;
        }
        const int32_t index = static_cast<int32_t>(port->first) + 1;
        const std::string label =
            clean_videohub_label(port->second, KEST_REVERTIVE_TEXT_CAPACITY - 1);
        if (mirror_.name_of(database, index) != label ||
            mirror_.names[database].count(index) == 0) {
            mirror_.rename(database, index, label);
        }
    }
}

void videohub_link::take_locks(const videohub_message& block) {
    for (const auto& line : block.lines) {
        const auto port = videohub_port_line(line);
        const bool known =
            port && (port->second == "O" || port->second == "L" || port->second == "U");
        if (!known || port->first >= outputs_) {
            problem("lock line " + quoted(excerpt(line)) + " is malformed or out of range");
            continue;
        }
        locks_[static_cast<int32_t>(port->first)] = port->second[0];
    }
}

void videohub_link::take_routing(const videohub_message& block) {
    for (const auto& line : block.lines) {
        const auto route = videohub_route_line(line);
        if (!route || route->first >= outputs_ || route->second >= inputs_) {
            problem("routing line " + quoted(excerpt(line)) +
                    (route ? " names a port the router does not have" : " is malformed"));
            continue;
        }
        mirror_.route(static_cast<int32_t>(route->first) + 1,
                      static_cast<int32_t>(route->second) + 1);
    }
    if (state_ == state::dumping) {
        if (!device_known_) {
            problem("routing before the device block: no port counts known");
        }
        state_ = state::up;
        state_since_ms_ = loop_.now_ms();
        backoff_ms_ = timing_.backoff_first_ms;
        note_("router " + std::to_string(mirror_.number()) + " LINK UP: " +
              std::to_string(inputs_) + " inputs, " + std::to_string(outputs_) + " outputs");
        down_since_.clear();
        send_lost();
    }
}

}  // namespace kest_host::live
