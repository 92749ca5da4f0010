// commands-well-formed: every command text matches its form in the command table,
// comes with code 0 (or 5 for a release) and has a text.
#include <algorithm>
#include <iterator>

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
        } else if (wraps(*seen.parsed)) {
            finding(text + " names the indices " +
                    std::to_string(seen.parsed->arguments[1].number) + " to " +
                    std::to_string(seen.parsed->arguments[2].number) +
                    ": the last comes before the first (a range that wrapped past the largest "
                    "32-bit number?)");
        }
    }

  private:
    // A register or poll command whose range ends before it starts.
    static bool wraps(const parsed_command& c) {
        static const char* const kRanges[] = {"RR", "RP", "IR", "IP", "GR", "GP"};
        const bool ranged = std::any_of(std::begin(kRanges), std::end(kRanges),
                                        [&c](const char* code) { return c.code == code; });
        return ranged && c.arguments.size() >= 3 && c.arguments[2].number < c.arguments[1].number;
    }
};

}  // namespace

std::unique_ptr<check> make_commands_well_formed() {
    return std::make_unique<commands_well_formed>();
}

}  // namespace kest_host
