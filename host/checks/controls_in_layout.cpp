// controls-in-layout: every control the panel writes, hides or reads exists on a
// panel it has shown.
#include "checks/check_list.h"
#include "common/printable.h"
#include "panel/panel_model.h"
#include "protocol/command_text.h"
#include "world/device_world.h"

namespace kest_host {

namespace {

class controls_in_layout final : public check {
  public:
    controls_in_layout()
        : check("controls-in-layout",
                "Every control the panel writes, hides or reads exists on a panel it has shown.",
                "the panel touched no control", false) {}

    void on_command(const command_seen& seen) override {
        if (seen.parsed == nullptr || seen.panel_deleted) {
            return;
        }
        const parsed_command& cmd = *seen.parsed;
        const auto& a = cmd.arguments;
        if (cmd.code == "TP" && property_assignment_ok(cmd)) {
            control_exists(seen, a[1].text, a[2].text);
        } else if (cmd.code == "CH" || cmd.code == "TG") {
            control_exists(seen, a[0].text, a[1].text);
        } else if (cmd.code == "XI") {
            panel_shown(seen, a[0].text);
        }
    }

  private:
    const panel_state* panel_shown(const command_seen& seen, const std::string& panel) {
        exercised();
        const panel_state* p = seen.panels.find(panel);
        // While the host refuses every layout, a panel that goes on without one is
        // doing what it can; the refusal is the fault under test, not the panel's.
        if (p == nullptr && !seen.world.faults().on("layout missing")) {
            finding("`" + printable(seen.text) + "` names panel \"" + printable(panel) +
                    "\", which was never shown");
        }
        return p;
    }

    void control_exists(const command_seen& seen, const std::string& panel, const std::string& id) {
        const panel_state* p = panel_shown(seen, panel);
        if (p != nullptr && p->find(id) == nullptr) {
            finding("`" + printable(seen.text) + "` names control \"" + printable(id) +
                    "\", which layout " + p->layout_file + " lacks");
        }
    }
};

}  // namespace

std::unique_ptr<check> make_controls_in_layout() {
    return std::make_unique<controls_in_layout>();
}

}  // namespace kest_host
