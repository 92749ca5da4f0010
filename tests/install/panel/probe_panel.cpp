// The smallest panel: shows its layout, starts a timer, writes a control on each
// tick and answers a parent request with its value.
#include <new>

#include "kest_interfaces.h"
#include "kest_script_helper.h"

namespace {

class probe_panel : public kest_script_helper {
  public:
    probe_panel(kest_host_callback* host, const char* path) : kest_script_helper(host, path) {
        panelShow("1", "probe.kest_ui", "");
        timerStart(1, 100);
    }
    ~probe_panel() override { timerStop(1); }

    probe_panel(const probe_panel&) = delete;
    probe_panel& operator=(const probe_panel&) = delete;

  protected:
    void onButton(button_event* /*event*/) override {}
    void onRevertive(revertive_event* /*event*/) override {}
    kest_string onParentRequest(request_event* request) override { return request->value(); }
    void onTimer(int32_t id) override { textPut("text", id == 1 ? "tick" : "other", "1", "probe"); }
};

}  // namespace

extern "C" KEST_PLUGIN_EXPORT kest_client_callback* load_kest_client_script(
    kest_host_callback* host, const char* path) {
    return new (std::nothrow) probe_panel(host, path);
}
