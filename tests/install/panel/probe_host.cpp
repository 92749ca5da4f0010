// Drives the probe panel through its export as a host would and checks the commands
// it sends and the answer it gives. Exit 0 when all is as expected.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kest_interfaces.h"

namespace {

class probe_host : public kest_host_callback {
  public:
    void hostOperation() override {}
    intptr_t command(const char* text, int32_t code) override {
        if (code == KEST_COMMAND_EXECUTE) {
            commands.emplace_back(text);
            return 1;  // PS succeeds; nothing here is a query
        }
        return 0;
    }
    std::vector<std::string> commands;
};

}  // namespace

int main() {
    probe_host host;
    kest_client_callback* panel = load_kest_client_script(&host, "/panels");
    if (panel == nullptr) {
        std::puts("probe: the factory gave no panel");
        return 1;
    }
    panel->callback(1, KEST_EVENT_TIMER);
    char* answer =
        panel->callback(reinterpret_cast<intptr_t>("probe=42"), KEST_EVENT_PARENT_REQUEST);
    const std::string answered = answer != nullptr ? answer : "(null)";
    panel->callback(reinterpret_cast<intptr_t>(answer), KEST_EVENT_RELEASE);
    delete panel;

    const std::vector<std::string> expected = {"PS '1' '/panels/probe.kest_ui'", "ET 1 100",
                                               "TP 'text=tick' '1' 'probe'", "ET 1", "AS"};
    bool ok = host.commands == expected && answered == "42";
    for (const std::string& command : host.commands) {
        std::printf("probe: sent %s\n", command.c_str());
    }
    std::printf("probe: answer %s\n", answered.c_str());
    if (!ok) {
        std::puts("probe: not what the panel should send and answer");
    }
    return ok ? 0 : 1;
}
