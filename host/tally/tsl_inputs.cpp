#include "tally/tsl_inputs.h"

namespace kest_host {

namespace {

bool names(const tsl_source& s, const tsl_display& d, int version) {
    if (version == 3) {
        return d.index == s.address;
    }
    return (d.screen == s.screen || d.screen == kTslEveryone) &&
           (d.index == s.index || d.index == kTslEveryone);
}

bool is_high(const tsl_source& s, const tsl_display& d, int version) {
    if (version == 3) {
        return (d.tallies & (1U << (s.tally - 1))) != 0;
    }
    switch (s.lamp) {
        case tsl_lamp::left:
            return lamp_shows(d.left, s.colour);
        case tsl_lamp::right:
            return lamp_shows(d.right, s.colour);
        case tsl_lamp::text:
            return lamp_shows(d.text_lamp, s.colour);
        case tsl_lamp::either:
            break;
    }
    return lamp_shows(d.left, s.colour) || lamp_shows(d.right, s.colour);
}

}  // namespace

const char* lamp_name(tsl_lamp lamp) {
    switch (lamp) {
        case tsl_lamp::left:
            return "left";
        case tsl_lamp::right:
            return "right";
        case tsl_lamp::text:
            return "text";
        case tsl_lamp::either:
            break;
    }
    return "either";
}

const char* colour_name(tsl_colour colour) {
    switch (colour) {
        case tsl_colour::green:
            return "green";
        case tsl_colour::amber:
            return "amber";
        case tsl_colour::any:
            return "any";
        case tsl_colour::red:
            break;
    }
    return "red";
}

std::string describe(const tsl_source& s) {
    return "index " + std::to_string(s.index) + " screen " + std::to_string(s.screen) + " lamp " +
           lamp_name(s.lamp) + " colour " + colour_name(s.colour) + ", address " +
           std::to_string(s.address) + " tally " + std::to_string(s.tally);
}

bool lamp_shows(uint8_t value, tsl_colour colour) {
    switch (colour) {
        case tsl_colour::red:
            return (value & 1U) != 0;
        case tsl_colour::green:
            return (value & 2U) != 0;
        case tsl_colour::amber:
            return value == 3;
        case tsl_colour::any:
            break;
    }
    return value != 0;
}

tsl_inputs::tsl_inputs() {
    for (int k = 1; k <= kInputs; ++k) {
        source(k).index = static_cast<uint16_t>(k);
        source(k).address = static_cast<uint8_t>(k);
    }
}

void tsl_inputs::apply(const tsl_packet& packet, std::vector<tsl_change>& changes) {
    const std::array<bool, kInputs> before = high_;
    for (const tsl_display& d : packet.displays) {
        for (std::size_t i = 0; i < sources_.size(); ++i) {
            if (names(sources_[i], d, packet.version)) {
                named_[i] = true;
                high_[i] = is_high(sources_[i], d, packet.version);
            }
        }
    }
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        if (high_[i] != before[i]) {
            changes.push_back({static_cast<int>(i) + 1, high_[i]});
        }
    }
}

}  // namespace kest_host
