// The studio's TSL GPI devices: declared by `device gpi N tsl udp|tcp [ADDR:]PORT`,
// mapped by `tsl input`.
#include "live/live_studio.h"
#include "plugin/sim_host.h"
#include "scenario/statements.h"

namespace kest_host::live {

namespace {

tsl_source source_of(const stmt::tsl_input& m, tsl_source s) {
    if (m.address) {
        s.address = static_cast<uint8_t>(m.index);
        s.tally = static_cast<uint8_t>(m.tally);
        return s;
    }
    static constexpr tsl_lamp kLamps[] = {tsl_lamp::either, tsl_lamp::left, tsl_lamp::right,
                                          tsl_lamp::text};
    static constexpr tsl_colour kColours[] = {tsl_colour::red, tsl_colour::green, tsl_colour::amber,
                                              tsl_colour::any};
    s.index = static_cast<uint16_t>(m.index);
    s.screen = static_cast<uint16_t>(m.screen);
    s.lamp = kLamps[m.lamp];
    s.colour = kColours[m.colour];
    return s;
}

}  // namespace

bool live_studio::add_tsl(sim_host& host, gpi& g, const std::string& transport,
                          const std::string& address, std::string& error) {
    tsl_address at;
    at.tcp = transport == "tcp";
    if (!parse_tsl_address(address, at, error)) {
        error = "gpi " + std::to_string(g.number()) + " tsl: " + error;
        return false;
    }
    start_real_time(host);
    device_world& world = host.world();
    const int32_t number = g.number();
    auto device = std::make_unique<tsl_gpi_device>(
        loop_.context(), g, [&world, number] { return world.instances().first_offset_on(number); },
        [&trace = host.trace()](const std::string& text) { trace.line("host", text); }, at);
    for (int k = 1; k <= tsl_inputs::kInputs; ++k) {
        device->feed().inputs().source(k) = tsl_mapping_.at(k - 1);
    }
    if (!device->start(error)) {
        return false;
    }
    tsl_.push_back(std::make_unique<tsl_link>(std::move(device)));
    loop_.add(*tsl_.back());
    return true;
}

void live_studio::map_tsl_input(const stmt::tsl_input& mapping) {
    tsl_source& s = tsl_mapping_.at(mapping.input - 1);
    s = source_of(mapping, s);
    for (const auto& t : tsl_) {
        t->device().feed().inputs().source(mapping.input) = s;
    }
}

}  // namespace kest_host::live
