// A TSL GPI device as one of the live loop's links: the loop closes it with the
// others; its socket was opened when it was declared, so that a port already taken
// is an error in the scenario, on its line.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "live/live_loop.h"
#include "tally/tsl_gpi_device.h"

namespace kest_host::live {

class tsl_link final : public device_link {
  public:
    explicit tsl_link(std::unique_ptr<tsl_gpi_device> device) : device_(std::move(device)) {}

    tsl_gpi_device& device() { return *device_; }
    std::string name() const override { return device_->name(); }
    void start() override {}
    void close() override { device_->close(); }
    bool ready() const override { return true; }
    std::string status() const override { return device_->status(); }

  private:
    std::unique_ptr<tsl_gpi_device> device_;
};

}  // namespace kest_host::live
