// What a scenario needs from devices on the network, when kest-host has them: the
// live layer (live/) implements it; a build without it has none, and a scenario
// that declares a real device is refused with a message.
//
// With a real device the scenario runs on the real clock: advance and `within`
// let real time pass while the links are served.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kest_host {

class router;
class sim_host;

class real_devices {
  public:
    virtual ~real_devices() = default;
    // Makes router `r` the router at `address` (HOST[:PORT]) and waits a short while
    // for its state. False with `error` for an address that cannot be used.
    virtual bool add_videohub(sim_host& host, router& r, const std::string& address,
                              std::string& error) = 0;
    // A destination the panel may route to besides the monitor's.
    virtual void allow_destination(int32_t destination) = 0;
    // The panel started with `monitor` (the destination the tally slot names, 0 for
    // none): from now on it is the one destination allowed without `allow dest`.
    virtual void panel_started(int32_t monitor) = 0;
    // True once a real device was declared: time is real from then on.
    virtual bool active() const = 0;
    // Lets `ms` of real time pass, serving the links and the panel's timers.
    virtual void advance(int64_t ms) = 0;
    // As advance(), but returns as soon as `holds` is true; true when it was.
    virtual bool wait(int64_t ms, const std::function<bool()>& holds) = 0;
    // Crosspoints the host refused or the router rejected.
    virtual uint64_t refused() const = 0;
    // Closes every link.
    virtual void close() = 0;
};

}  // namespace kest_host
