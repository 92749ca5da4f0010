// The host's side of the plug-in boundary: the kest_host_callback the panel calls.
// Every command is shown to the checks, then carried out by the command dispatcher;
// replies go through the reply ledger; whatever a command or the world causes waits
// in the event queue until the driver calls settle(), after the current call into
// the plug-in has returned.
//
// It owns the device world and the panel model, so that the driver (a scenario, a
// stress run, a test) changes the world through it and reads the results back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "checks/validator.h"
#include "kest_interfaces.h"
#include "panel/panel_model.h"
#include "plugin/command_dispatcher.h"
#include "plugin/event_queue.h"
#include "plugin/tape.h"
#include "plugin/trace_log.h"
#include "reply_ledger.h"
#include "world/device_world.h"

namespace kest_host {

class sim_host final : public kest_host_callback, private revertive_sink {
  public:
    explicit sim_host(validator& checks);
    ~sim_host() override;
    sim_host(const sim_host&) = delete;
    sim_host& operator=(const sim_host&) = delete;

    // --- Set-up --------------------------------------------------------------------
    void set_trace(std::ostream* out, bool color) { trace_.set(out, color); }
    void set_trace_listener(trace_listener* listener) { trace_.set_listener(listener); }
    trace_listener* trace_listener_in_use() const { return trace_.listener(); }
    // Keep at most `count` handed-back replies in quarantine (0: all, until the end).
    void set_quarantine_limit(std::size_t count);
    // Keep the command texts of the current step for `expect sent`.
    void set_record_commands(bool on) { record_commands_ = on; }
    const trace_log& trace() const { return trace_; }

    device_world& world() { return world_; }
    const device_world& world() const { return world_; }
    const panel_model& panels() const { return panels_; }

    // --- The panel object ----------------------------------------------------------
    // Makes the panel through the plug-in's export with `layout_dir` as its path;
    // false when the export gave null.
    bool create(load_kest_client_script_fn factory, const std::string& layout_dir);
    // Drives a panel object made in this process (for tests and embedding). The host
    // deletes it in destroy().
    void attach(kest_client_callback* client);
    // Deletes the panel (its clean-up commands are executed, events they cause dropped).
    void destroy();
    bool panel_live() const { return state_ == lifecycle::live; }
    // End-of-run checks: replies never handed back, quarantined replies written to.
    void finish();

    // --- Events --------------------------------------------------------------------
    void send_request(const std::string* text);  // null: a request without text
    void send_button(const std::string& id, const std::string& request);
    void send_record(int32_t type, const revertive_info& record);
    void send_raw(int32_t type, intptr_t data);
    // Moves the simulated clock on; each timer tick is delivered and settled. An
    // interrupt (Ctrl-C) stops it at the last tick delivered.
    void advance(int64_t ms);
    // Delivers queued events until none is left.
    void settle();

    // --- What the driver reads back ------------------------------------------------
    const control_state* control(const std::string& panel, const std::string& id) const {
        return panels_.control(panel, id);
    }
    std::optional<int32_t> crosspoint(int32_t router_number, int32_t destination) const;
    bool timer_running(int32_t id) const { return world_.clock().running(id); }
    int64_t now() const { return world_.clock().now(); }
    const std::optional<std::string>& last_answer() const { return queue_.last_answer(); }
    const std::vector<std::string>& step_commands() const { return step_commands_; }
    void clear_step_commands() { step_commands_.clear(); }
    const std::string& file_error() const { return dispatcher_.file_error(); }
    uint64_t commands_seen() const { return commands_seen_; }
    uint64_t events_delivered() const { return queue_.delivered(); }

    // --- kest_host_callback ----------------------------------------------------------
    void hostOperation() override {}
    intptr_t command(const char* text, int32_t code) override;

    static constexpr uint64_t kSettleLimit = event_queue::kSettleLimit;

  private:
    enum class lifecycle { none, constructing, live, destroying, gone };

    // revertive_sink: what the devices report.
    void report(int32_t type, const revertive_info& record) override;
    void remark(const std::string& text) override { trace_.line("host", text); }

    void enqueue(host_event event);
    void release(const char* reply);
    intptr_t execute(const std::string& text);

    validator& checks_;
    trace_log trace_;
    device_world world_;
    panel_model panels_;
    kest_ledger::reply_ledger ledger_;
    command_dispatcher dispatcher_;
    event_queue queue_;
    bool record_commands_ = false;

    kest_client_callback* client_ = nullptr;
    // Records the run for another host to play, when KEST_TAPE asks for it.
    std::unique_ptr<tape_recorder> tape_;
    lifecycle state_ = lifecycle::none;

    std::vector<std::string> step_commands_;
    uint64_t commands_seen_ = 0;
};

}  // namespace kest_host
