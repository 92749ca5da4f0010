// Which tally makes which of the panel's eight inputs high, and the inputs' states
// as the packets left them.
//
// By default input K follows display index K on screen 0 (version 5.0) and display
// address K (version 3.1). It is high while the display's left or right lamp has its
// red bit (1 red, 3 amber), or while tally 1 is on. The `tsl input` statement
// changes that per input.
//
// Packets are applied in the order they arrive, so where senders disagree the newest
// packet wins. A display message that names no mapped display changes nothing, and
// an input keeps its state until a packet names its display again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tally/tsl_packet.h"

namespace kest_host {

enum class tsl_lamp { either, left, right, text };  // either: left or right
enum class tsl_colour { red, green, amber, any };
const char* lamp_name(tsl_lamp lamp);
const char* colour_name(tsl_colour colour);

// The display and the lamp one input follows.
struct tsl_source {
    // Version 5.0.
    uint16_t screen = 0;
    uint16_t index = 0;
    tsl_lamp lamp = tsl_lamp::either;
    tsl_colour colour = tsl_colour::red;
    // Version 3.1.
    uint8_t address = 0;  // 0 to 126
    uint8_t tally = 1;    // 1 to 4
};

// "index 12 screen 1 lamp left colour red, address 3 tally 1"
std::string describe(const tsl_source& source);

// Whether a version 5.0 lamp value (0 to 3) shows the colour: red and green are the
// lamp's bits (amber, 3, has both), amber is 3 only, any is not off.
bool lamp_shows(uint8_t value, tsl_colour colour);

struct tsl_change {
    int input = 0;  // 1 to 8
    bool high = false;
};

class tsl_inputs {
  public:
    static constexpr int kInputs = 8;

    tsl_inputs();

    // Input 1 to 8 (callers check the range).
    tsl_source& source(int input) { return sources_.at(input - 1); }
    const tsl_source& source(int input) const { return sources_.at(input - 1); }
    const std::array<tsl_source, kInputs>& sources() const { return sources_; }

    // Applies a parsed packet and appends every input whose state it changed (once,
    // with its final state, however many of the packet's messages named it).
    void apply(const tsl_packet& packet, std::vector<tsl_change>& changes);

    bool high(int input) const { return high_.at(input - 1); }
    // Whether any packet has named the input's display yet.
    bool named(int input) const { return named_.at(input - 1); }

  private:
    std::array<tsl_source, kInputs> sources_;
    std::array<bool, kInputs> high_{};
    std::array<bool, kInputs> named_{};
};

}  // namespace kest_host
