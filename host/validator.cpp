#include "validator.h"

#include <sstream>

namespace kest_host {

namespace {

const check_info kChecks[] = {
    {"replies-released-once",
     "Every query reply is handed back exactly once with code 5, and only replies the host "
     "gave are handed back.",
     false},
    {"replies-untouched",
     "No reply is read or written after it was handed back: its poisoned bytes stay intact and "
     "never reappear in a command.",
     false},
    {"answers-well-formed",
     "Answers come only for parent requests, each a NUL-terminated string the host can hand back "
     "with type 5.",
     false},
    {"no-command-after-delete",
     "No command arrives after the panel's closing AS or after its destructor returned.", false},
    {"commands-well-formed",
     "Every command text matches the form of its code in the command table.", false},
    {"controls-in-layout",
     "Every control the panel writes, hides or reads exists on a panel it has shown.", false},
    {"crosspoint-nonzero", "No crosspoint names destination 0 or source 0.", true},
    {"known-devices", "Every device command names a device that the host has.", true},
    {"events-settle", "Every step settles: the events the panel's commands cause come to an end.",
     false},
    {"routing-model",
     "After every event the monitor route and the panel's controls agree with an independent "
     "model of the routing rules.",
     false},
};
static_assert(sizeof kChecks / sizeof kChecks[0] == static_cast<std::size_t>(check_id::count_),
              "one catalogue entry per check");

}  // namespace

const check_info& info(check_id id) {
    return kChecks[static_cast<std::size_t>(id)];
}

const char* result_name(check_result result) {
    switch (result) {
        case check_result::passed:
            return "passed";
        case check_result::skipped:
            return "skipped";
        case check_result::warning:
            return "warning";
        case check_result::failed:
            return "FAILED";
    }
    return "?";
}

void validator::finding(check_id id, const std::string& message) {
    check_state& s = state(id);
    s.exercised++;
    s.findings++;
    if (s.messages.size() < kMessagesKept) {
        s.messages.push_back(message);
    }
    if (report_) {
        report_(id, !info(id).warning_only, message);
    }
}

check_result validator::result(check_id id) const {
    const check_state& s = state(id);
    if (s.findings > 0) {
        return info(id).warning_only ? check_result::warning : check_result::failed;
    }
    return s.exercised > 0 ? check_result::passed : check_result::skipped;
}

bool validator::any_failed() const {
    for (std::size_t i = 0; i < states_.size(); ++i) {
        if (result(static_cast<check_id>(i)) == check_result::failed) {
            return true;
        }
    }
    return false;
}

std::string validator::table(bool color) const {
    std::ostringstream out;
    out << "Checks:\n";
    for (std::size_t i = 0; i < states_.size(); ++i) {
        const auto id = static_cast<check_id>(i);
        const check_result r = result(id);
        const char* colour = "";
        if (color) {
            colour = r == check_result::failed    ? "\033[1;31m"
                     : r == check_result::warning ? "\033[33m"
                     : r == check_result::passed  ? "\033[32m"
                                                  : "\033[2m";
        }
        std::string name = result_name(r);
        out << "  " << colour << name << (color ? "\033[0m" : "")
            << std::string(name.size() < 8 ? 8 - name.size() : 1, ' ') << info(id).id;
        const check_state& s = states_[i];
        if (r == check_result::skipped) {
            out << " (" << (s.skip_reason.empty() ? "nothing exercised it" : s.skip_reason) << ")";
        } else if (s.findings > 0) {
            out << " (" << s.findings << (s.findings == 1 ? " finding" : " findings") << ")";
        }
        out << "\n          " << info(id).description << "\n";
        for (const auto& m : s.messages) {
            out << "          - " << m << "\n";
        }
        if (s.findings > s.messages.size()) {
            out << "          - ... and " << (s.findings - s.messages.size()) << " more\n";
        }
    }
    return out.str();
}

}  // namespace kest_host
