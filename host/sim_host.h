// The simulated host: it loads a panel plug-in, plays the devices the panel talks
// to, keeps the panel's controls, runs timers on a simulated clock and delivers
// events from a queue. Every command the plug-in sends is parsed, executed and
// checked; findings go to the validator.
//
// Events are never delivered from inside `command`: whatever a command causes is
// queued and arrives when the driver calls settle(), after the current call into the
// plug-in has returned.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kest_interfaces.h"
#include "layout.h"
#include "platform.h"
#include "validator.h"

namespace kest_host {

enum class device_kind { router, infodriver, gpi };
const char* kind_name(device_kind kind);

// Registered index ranges of one device.
class range_set {
  public:
    bool contains(int32_t index) const;
    void add(int32_t first, int32_t last);
    void clear() { ranges_.clear(); }
    bool empty() const { return ranges_.empty(); }

  private:
    std::vector<std::pair<int32_t, int32_t>> ranges_;
};

struct device {
    device_kind kind = device_kind::router;
    int32_t number = 0;
    range_set registered;
    std::map<int32_t, int32_t> crosspoints;   // router: destination -> source
    std::map<int32_t, std::string> names[2];  // router: 0 sources, 1 destinations
    std::map<int32_t, std::string> slots;     // infodriver
    std::map<int32_t, int32_t> inputs;        // gpi
};

struct control_state {
    layout_control def;
    std::string text;
    std::string statesheet;
    bool hidden = false;
    std::map<std::string, std::string> other;  // any other property, by name
};

struct panel_state {
    std::string layout_file;
    std::vector<control_state> controls;
    std::unordered_map<std::string, std::size_t> index;

    const control_state* find(const std::string& id) const;
};

class sim_host final : public kest_host_callback {
  public:
    explicit sim_host(validator& checks);
    ~sim_host();
    sim_host(const sim_host&) = delete;
    sim_host& operator=(const sim_host&) = delete;

    // --- Set-up --------------------------------------------------------------------
    void set_trace(std::ostream* out, bool color) {
        trace_ = out;
        color_ = color;
    }
    // Keep at most `count` handed-back replies in quarantine (0: all, until the end).
    void set_quarantine_limit(std::size_t count) { quarantine_limit_ = count; }
    // Keep the command texts of the current step for `expect sent`.
    void set_record_commands(bool on) { record_commands_ = on; }
    // Text appended to every finding, e.g. "at demo:12".
    void set_location(std::string where) { location_ = std::move(where); }

    // Returns null when a device with this number exists already.
    device* add_device(device_kind kind, int32_t number);
    device* find_device(int32_t number);
    const device* find_device(int32_t number) const;
    device* first_device(device_kind kind);
    const std::map<int32_t, device>& devices() const { return devices_; }
    void add_instance(const std::string& name, int32_t device, int32_t offset);
    const std::map<std::string, std::pair<int32_t, int32_t>>& instances() const {
        return instances_;
    }

    // --- The plug-in ---------------------------------------------------------------
    // Loads the binary and resolves its export. On failure `error` names the path.
    bool load(const std::string& path, std::string& error);
    // Makes the panel with `layout_dir` as its path; false when the export gave null.
    bool create(const std::string& layout_dir);
    // Deletes the panel (its clean-up commands are executed, events they cause dropped).
    void destroy();
    // Unloads the binary; commands that arrive while it unloads are checked too.
    void unload();
    // Drives a panel object made in this process instead of one from a plug-in
    // binary (for tests and embedding). The host deletes it in destroy().
    void attach(kest_client_callback* client) {
        client_ = client;
        state_ = client != nullptr ? lifecycle::live : lifecycle::gone;
    }
    bool panel_live() const { return state_ == lifecycle::live; }
    // End-of-run checks: replies never handed back, quarantined replies written to.
    void finish();

    // --- The world: changes that reach the panel as events ------------------------
    void set_slot(device& info, int32_t index, const std::string& text);
    void set_input(device& gpi, int32_t index, int32_t value);
    void rename(device& router, int database, int32_t index, const std::string& name);
    void route(device& router, int32_t destination, int32_t source);  // from elsewhere
    void advance(int64_t ms);

    // --- Events sent directly ---------------------------------------------------
    void send_request(const std::string* text);  // null: a request without text
    void send_button(const std::string& id, const std::string& request);
    void send_record(int32_t type, const revertive_info& record);
    void send_raw(int32_t type, intptr_t data);
    // Delivers queued events until none is left.
    void settle();

    // --- What the driver reads back ----------------------------------------------
    const std::map<std::string, panel_state>& panels() const { return panels_; }
    const control_state* control(const std::string& panel, const std::string& id) const;
    std::optional<int32_t> crosspoint(int32_t router, int32_t destination) const;
    bool timer_running(int32_t id) const { return timers_.count(id) != 0; }
    int64_t now() const { return now_; }
    // The answer to the last parent request (nullopt: none was given).
    const std::optional<std::string>& last_answer() const { return last_answer_; }
    const std::vector<std::string>& step_commands() const { return step_commands_; }
    void clear_step_commands() { step_commands_.clear(); }
    // A layout that PS could not read: a file error that ends the run.
    const std::string& file_error() const { return file_error_; }
    uint64_t commands_seen() const { return commands_seen_; }
    uint64_t events_delivered() const { return events_delivered_; }

    // --- kest_host_callback ------------------------------------------------------
    void hostOperation() override {}
    intptr_t command(const char* text, int32_t code) override;

    // Longest a parent request's answer may be before it counts as unterminated.
    static constexpr std::size_t kAnswerScanLimit = 64 * 1024;
    // Events one settle() delivers before it gives up on the step.
    static constexpr uint64_t kSettleLimit = 200000;
    // Indices one poll answers at most.
    static constexpr int64_t kPollLimit = 4096;
    // Fills a released reply. 0xFE never occurs in UTF-8 text, and scenario texts
    // may not hold it, so a command carrying it can only come from a released reply.
    static constexpr unsigned char kPoison = 0xFE;

  private:
    enum class lifecycle { none, constructing, live, destroying, gone };

    struct host_event {
        int32_t type = 0;
        revertive_info record{};
        intptr_t data = 0;
        std::string text;
        std::string request;
        bool null_text = false;
    };

    struct reply_record {
        std::unique_ptr<char[]> bytes;
        std::size_t length = 0;
        std::string command;
    };

    void find(check_id id, const std::string& message);
    void trace(const char* direction, const std::string& line);
    void enqueue(host_event event);
    void deliver(host_event& event);
    void check_answer(char* answer, const host_event& event);
    void queue_revertive(int32_t type, int32_t device, int32_t database, int32_t index,
                         int32_t value, const std::string& text);

    intptr_t execute(const std::string& text);
    intptr_t reply(const std::string& text, const std::string& command);
    void release(const char* reply);
    void evict_oldest();
    void check_poison(const reply_record& record);
    device* device_for(const std::string& text, int32_t number, device_kind kind);
    control_state* writable_control(const std::string& text, const std::string& panel,
                                    const std::string& id);
    void poll(device& d, int32_t first, int32_t last);

    validator& checks_;
    std::ostream* trace_ = nullptr;
    bool color_ = false;
    std::size_t quarantine_limit_ = 0;
    bool record_commands_ = false;
    std::string location_;

    std::map<int32_t, device> devices_;
    std::map<std::string, std::pair<int32_t, int32_t>> instances_;
    std::map<std::string, panel_state> panels_;

    shared_library library_;
    std::string library_path_;
    load_kest_client_script_fn factory_ = nullptr;
    kest_client_callback* client_ = nullptr;
    lifecycle state_ = lifecycle::none;
    bool closing_sent_ = false;

    std::deque<host_event> queue_;
    std::map<int32_t, std::pair<int64_t, int64_t>> timers_;  // id -> (period, next due)
    int64_t now_ = 0;

    std::unordered_map<const char*, reply_record> live_replies_;
    std::unordered_map<const char*, reply_record> quarantine_;
    std::deque<const char*> quarantine_order_;

    std::optional<std::string> last_answer_;
    std::vector<std::string> step_commands_;
    std::string file_error_;
    uint64_t commands_seen_ = 0;
    uint64_t events_delivered_ = 0;
};

// A text made printable for a trace or a message: bytes outside ASCII 32..126 become
// \xHH.
std::string printable(const std::string& text);

}  // namespace kest_host
