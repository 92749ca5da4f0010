// no-command-after-delete: nothing arrives after the panel's closing AS, after it
// was deleted, or while the plug-in unloads.
#include "checks/check_list.h"
#include "common/printable.h"
#include "protocol/command_text.h"

namespace kest_host {

namespace {

class no_command_after_delete final : public check {
  public:
    no_command_after_delete()
        : check("no-command-after-delete",
                "No command arrives after the panel's closing AS or after its destructor "
                "returned.",
                "the panel was never deleted", false) {}

    void on_command(const command_seen& seen) override {
        if (seen.null_text || seen.code != KEST_COMMAND_EXECUTE) {
            return;
        }
        if (seen.panel_deleted) {
            finding("`" + printable(seen.text) + "` arrived after the panel was deleted");
            return;
        }
        if (closing_sent_) {
            finding("`" + printable(seen.text) + "` arrived after the panel's closing AS");
        }
        if (seen.parsed != nullptr && seen.parsed->code == "AS") {
            closing_sent_ = true;
        }
    }

    void on_delete() override { exercised(); }
    void on_create() override { closing_sent_ = false; }

  private:
    bool closing_sent_ = false;
};

}  // namespace

std::unique_ptr<check> make_no_command_after_delete() {
    return std::make_unique<no_command_after_delete>();
}

}  // namespace kest_host
