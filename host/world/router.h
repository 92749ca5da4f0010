// The SDI router: crosspoints (destination -> source) and two name databases
// (0 sources, 1 destinations). A crosspoint is reported to registered destinations
// with the source's name as text.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "world/device.h"

namespace kest_host {

// A router whose state lives in a real device: the panel's crosspoints and polls go
// to it, and it changes the router's state when the device reports.
class router_remote {
  public:
    virtual ~router_remote() = default;
    // The panel asked for a crosspoint: sent, or refused or lost (see mark()).
    virtual void take_crosspoint(int32_t destination, int32_t source) = 0;
    // False while the device cannot be reached: polls are lost as when offline.
    virtual bool reachable() const = 0;
    // "  (lost: router link down)" and the like for a crosspoint (or a poll) about to
    // be taken; "" when it goes to the device.
    virtual std::string mark(bool crosspoint, int32_t destination, int32_t source) const = 0;
    // "LINK DOWN since 14:02:11, retry in 4 s" ("" when all is well).
    virtual std::string status() const = 0;
};

class router final : public device {
  public:
    std::string fault_mark(const std::string& code) const override;
    void fault_ended(const std::string& fault) override;
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

    // Reports the destination's source (0 when unknown) if it is registered, as a
    // refused crosspoint does.
    void report_held(int32_t destination);
    // Polls are answered from the state the device last reported.
    void poll(int32_t first, int32_t last) override;

    // The real device behind this router (null: simulated).
    void set_remote(router_remote* remote) { remote_ = remote; }
    router_remote* remote() const { return remote_; }

    std::optional<int32_t> source_at(int32_t destination) const;
    // The name in `database` ("" when it has none).
    std::string name_of(int database, int32_t index) const;

  protected:
    revertive_info state_of(int32_t index) const override;

  private:
    router_remote* remote_ = nullptr;
};

}  // namespace kest_host
