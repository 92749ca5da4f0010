// The tally infodriver: text slots, reported as the revertive's text.
#pragma once

#include <map>
#include <string>

#include "world/device.h"

namespace kest_host {

class infodriver final : public device {
  public:
    infodriver(int32_t number, revertive_sink& sink)
        : device(device_kind::infodriver, number, sink) {}

    std::map<int32_t, std::string> slots;  // set-up: state without reports

    // Changes a slot and reports it if registered.
    void set_slot(int32_t index, const std::string& text);

  protected:
    revertive_info state_of(int32_t index) const override;
};

}  // namespace kest_host
