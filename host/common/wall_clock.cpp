#include "common/wall_clock.h"

#include <ctime>

namespace kest_host {

std::string wall_clock() {
    const std::time_t t = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &t);
#else
    localtime_r(&t, &parts);
#endif
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &parts);
    return text;
}

}  // namespace kest_host
