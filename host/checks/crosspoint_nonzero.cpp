// crosspoint-nonzero (warning): no crosspoint names destination 0 or source 0.
#include "checks/check_list.h"
#include "common/printable.h"
#include "plugin/command_text.h"

namespace kest_host {

namespace {

class crosspoint_nonzero final : public check {
  public:
    crosspoint_nonzero()
        : check("crosspoint-nonzero", "No crosspoint names destination 0 or source 0.",
                "the panel made no crosspoint", true) {}

    void on_command(const command_seen& seen) override {
        if (seen.parsed == nullptr || seen.panel_deleted || seen.parsed->code != "RC") {
            return;
        }
        exercised();
        const int32_t source = seen.parsed->arguments[1].number;
        const int32_t destination = seen.parsed->arguments[2].number;
        if (destination == 0 || source == 0) {
            finding("`" + printable(seen.text) + "` names " +
                    (destination == 0 ? "destination 0" : "source 0"));
        }
    }
};

}  // namespace

std::unique_ptr<check> make_crosspoint_nonzero() {
    return std::make_unique<crosspoint_nonzero>();
}

}  // namespace kest_host
