// The GPI device: input states, reported as the revertive's value.
#pragma once

#include <map>
#include <string>

#include "world/device.h"

namespace kest_host {

// A GPI device whose inputs follow a device on the network instead of contacts.
class gpi_remote {
  public:
    virtual ~gpi_remote() = default;
    // What the inputs follow, for refusing press and release ("TSL tally on UDP
    // 127.0.0.1:8900").
    virtual std::string follows() const = 0;
    // For the devices line: "TSL: last packet 42 s ago".
    virtual std::string status() const = 0;
};

class gpi final : public device {
  public:
    gpi(int32_t number, revertive_sink& sink) : device(device_kind::gpi, number, sink) {}

    std::map<int32_t, int32_t> inputs;  // set-up: state without reports

    // Changes an input and reports it if registered.
    void set_input(int32_t index, int32_t value);
    int32_t input(int32_t index) const;

    // The network device the inputs follow (null: contacts, pressed at the console).
    void set_remote(const gpi_remote* remote) { remote_ = remote; }
    const gpi_remote* remote() const { return remote_; }

  protected:
    revertive_info state_of(int32_t index) const override;

  private:
    const gpi_remote* remote_ = nullptr;
};

}  // namespace kest_host
