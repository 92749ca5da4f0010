// commands-well-formed: every command text matches its form in the command table,
// comes with code 0 (or 5 for a release) and has a text.
#include "checks/check_list.h"
#include "common/printable.h"
#include "protocol/command_text.h"

namespace kest_host {

namespace {

class commands_well_formed final : public check {
  public:
    commands_well_formed()
        : check("commands-well-formed",
                "Every command text matches the form of its code in the command table.",
                "the panel sent no command", false) {}

    void on_command(const command_seen& seen) override {
        if (seen.null_text) {
            finding("a command with code " + std::to_string(seen.code) + " came with a null text");
            return;
        }
        const std::string text = "`" + printable(seen.text) + "`";
        if (seen.code != KEST_COMMAND_EXECUTE) {
            finding(text + " came with code " + std::to_string(seen.code) + "; only 0 and 5 exist");
            return;
        }
        if (seen.panel_deleted) {
            return;  // not executed: no-command-after-delete speaks for it
        }
        exercised();
        if (seen.parsed == nullptr) {
            finding(text + " is malformed: " + seen.parse_error);
        } else if (!property_assignment_ok(*seen.parsed)) {
            finding(text + " is malformed: its first field must be property=value");
        }
    }
};

}  // namespace

std::unique_ptr<check> make_commands_well_formed() {
    return std::make_unique<commands_well_formed>();
}

}  // namespace kest_host
