// The GPI device: input states, reported as the revertive's value.
#pragma once

#include <map>

#include "world/device.h"

namespace kest_host {

class gpi final : public device {
  public:
    gpi(int32_t number, revertive_sink& sink) : device(device_kind::gpi, number, sink) {}

    std::map<int32_t, int32_t> inputs;  // set-up: state without reports

    // Changes an input and reports it if registered.
    void set_input(int32_t index, int32_t value);
    int32_t input(int32_t index) const;

  protected:
    revertive_info state_of(int32_t index) const override;
};

}  // namespace kest_host
