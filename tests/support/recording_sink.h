// kest-host's tests: what the simulated devices report, recorded as the event queue
// would receive it, one line a report: "TYPE DEVICE INDEX VALUE TEXT", or with the
// database too, "TYPE DEVICE DATABASE INDEX VALUE TEXT".
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "world/device_world.h"

namespace kest_test {

class recording_sink : public kest_host::revertive_sink {
  public:
    enum class database { left_out, shown };
    explicit recording_sink(database shown = database::left_out) : database_(shown) {}

    void report(int32_t type, const revertive_info& r) override {
        std::string line = std::to_string(type) + " " + std::to_string(r.device) + " ";
        if (database_ == database::shown) {
            line += std::to_string(r.database) + " ";
        }
        reports.push_back(line + std::to_string(r.index) + " " + std::to_string(r.value) + " " +
                          r.text);
    }
    void remark(const std::string& text) override { remarks.push_back(text); }

    // The reports so far, and none kept.
    std::vector<std::string> take() {
        auto out = std::move(reports);
        reports.clear();
        return out;
    }

    std::vector<std::string> reports;
    std::vector<std::string> remarks;

  private:
    database database_;
};

}  // namespace kest_test
