// known-devices (warning): device commands name devices the host has, of the right
// kind.
#include "checks/check_list.h"
#include "common/printable.h"
#include "protocol/command_text.h"
#include "world/device_world.h"

namespace kest_host {

namespace {

class known_devices final : public check {
  public:
    known_devices()
        : check("known-devices", "Every device command names a device that the host has.",
                "the panel sent no device command", true) {}

    void on_command(const command_seen& seen) override {
        if (seen.parsed == nullptr || seen.panel_deleted) {
            return;
        }
        const auto kind = device_kind_of(seen.parsed->code);
        if (!kind) {
            return;
        }
        exercised();
        const int32_t number = seen.parsed->arguments[0].number;
        const device* d = seen.world.find(number);
        const std::string start =
            "`" + printable(seen.text) + "` names device " + std::to_string(number);
        if (d == nullptr) {
            finding(start + ", which the host does not have");
        } else if (d->kind() != *kind) {
            finding(start + ", which is a " + kind_name(d->kind()) + ", not a " + kind_name(*kind));
        }
    }
};

}  // namespace

std::unique_ptr<check> make_known_devices() {
    return std::make_unique<known_devices>();
}

}  // namespace kest_host
