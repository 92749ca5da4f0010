// The time of day on the machine's clock, for messages an engineer reads beside the
// studio's own clocks ("LINK DOWN since 14:02:11").
#pragma once

#include <string>

namespace kest_host {

// Local time now as "HH:MM:SS".
std::string wall_clock();

}  // namespace kest_host
