// The SDI router: crosspoints (destination -> source) and two name databases
// (0 sources, 1 destinations). A crosspoint is reported to registered destinations
// with the source's name as text.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "world/device.h"

namespace kest_host {

class router final : public device {
  public:
    std::string fault_mark(const std::string& code) const override;
    router(int32_t number, revertive_sink& sink) : device(device_kind::router, number, sink) {}

    static constexpr int kSources = 0;
    static constexpr int kDestinations = 1;

    // Set-up: state without reports.
    std::map<int32_t, int32_t> crosspoints;   // destination -> source
    std::map<int32_t, std::string> names[2];  // kSources, kDestinations

    // Makes a crosspoint (from the panel or from elsewhere) and reports it if the
    // destination is registered.
    void route(int32_t destination, int32_t source);
    // A crosspoint the panel asked for: lost while the router is offline, not made
    // (the unchanged source reported) while it refuses. True when it was made.
    bool take_crosspoint(int32_t destination, int32_t source);
    // Back on the network: reports every registered destination again.
    void reconnect();
    // Changes a name and reports the database change.
    void rename(int database, int32_t index, const std::string& name);

    std::optional<int32_t> source_at(int32_t destination) const;
    // The name in `database` ("" when it has none).
    std::string name_of(int database, int32_t index) const;

  protected:
    revertive_info state_of(int32_t index) const override;
};

}  // namespace kest_host
