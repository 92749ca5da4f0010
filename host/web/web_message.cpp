#include "web/web_message.h"

#include <algorithm>

namespace kest_host::web {

namespace {

bool printable_ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

// "press 3" -> 3; 0 when the rest is not exactly one digit from 1 to 8.
int input_number(std::string_view rest) {
    if (rest.size() != 1 || rest[0] < '1' || rest[0] > '8') {
        return 0;
    }
    return rest[0] - '0';
}

}  // namespace

std::optional<std::string> page_statement(std::string_view message,
                                          const std::vector<std::string>& offered_faults,
                                          std::string& why) {
    if (message.size() > kMaxPageMessage) {
        why = "a message longer than " + std::to_string(kMaxPageMessage) + " bytes";
        return std::nullopt;
    }
    if (!printable_ascii(message)) {
        why = "a message with bytes other than printable ASCII";
        return std::nullopt;
    }
    for (const std::string_view verb : {"press ", "release "}) {
        if (message.substr(0, verb.size()) == verb) {
            if (input_number(message.substr(verb.size())) == 0) {
                why = "inputs are numbered 1 to 8";
                return std::nullopt;
            }
            return std::string(message);
        }
    }
    if (std::find(offered_faults.begin(), offered_faults.end(), message) != offered_faults.end()) {
        return std::string(message);
    }
    why = "not a statement a page may send";
    return std::nullopt;
}

std::vector<std::string> offered_faults(bool router, bool infodriver, bool gpi) {
    std::vector<std::string> out;
    if (router) {
        out.insert(out.end(), {"fault router offline", "fault router online", "fault router refuse",
                               "fault router delay 500", "fault router delay 0"});
    }
    if (infodriver) {
        out.insert(out.end(), {"fault infodriver silent", "fault infodriver online"});
    }
    if (gpi) {
        out.insert(out.end(), {"fault gpi bounce 2", "fault gpi bounce 0"});
    }
    if (router || infodriver || gpi) {
        out.insert(out.end(), {"fault names missing", "fault clear"});
    }
    return out;
}

std::string part_message(std::string_view part, std::string_view body) {
    std::string out;
    out.reserve(part.size() + 1 + body.size());
    out += part;
    out += '\n';
    out += body;
    return out;
}

}  // namespace kest_host::web
