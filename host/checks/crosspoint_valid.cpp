// crosspoint-valid (warning): every crosspoint names a destination and a source the
// host routes: numbers from 1 up.
#include "checks/check_list.h"
#include "common/printable.h"
#include "protocol/command_text.h"

namespace kest_host {

namespace {

class crosspoint_valid final : public check {
  public:
    crosspoint_valid()
        : check("crosspoint-valid", "Every crosspoint names a destination and a source from 1 up.",
                "the panel made no crosspoint", true) {}

    void on_command(const command_seen& seen) override {
        if (seen.parsed == nullptr || seen.panel_deleted || seen.parsed->code != "RC") {
            return;
        }
        exercised();
        const int32_t source = seen.parsed->arguments[1].number;
        const int32_t destination = seen.parsed->arguments[2].number;
        if (destination <= 0) {
            finding("`" + printable(seen.text) + "` names destination " +
                    std::to_string(destination) + "; destinations are numbered from 1");
        } else if (source <= 0) {
            finding("`" + printable(seen.text) + "` names source " + std::to_string(source) +
                    "; sources are numbered from 1");
        }
    }
};

}  // namespace

std::unique_ptr<check> make_crosspoint_valid() {
    return std::make_unique<crosspoint_valid>();
}

}  // namespace kest_host
