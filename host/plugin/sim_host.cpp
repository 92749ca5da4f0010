#include "plugin/sim_host.h"

#include <algorithm>

#include "common/interrupt.h"
#include "common/printable.h"

namespace kest_host {

sim_host::sim_host(validator& checks)
    : checks_(checks),
      world_(*this),
      ledger_({kReplyPoison, kest_ledger::kKeepAll, false}),
      dispatcher_(world_, panels_, ledger_, trace_),
      queue_(checks, trace_, world_) {
    ledger_.on_late_write([this](const std::string& label) { checks_.late_write(label); });
    tape_ = tape_recorder::from_environment();
}

sim_host::~sim_host() {
    if (client_ != nullptr && state_ == lifecycle::live) {
        destroy();
    }
}

void sim_host::set_quarantine_limit(std::size_t count) {
    ledger_.set_quarantine(count == 0 ? kest_ledger::kKeepAll : count);
}

// --- The panel object ----------------------------------------------------------------

bool sim_host::create(load_kest_client_script_fn factory, const std::string& layout_dir) {
    trace_.line("host -> plug-in", "load_kest_client_script(host, " + quoted(layout_dir) + ")");
    trace_.item(trace_kind::event, "load_kest_client_script(host, " + quoted(layout_dir) + ")");
    destroy();  // one panel at a time: a panel still live goes before the next is made
    state_ = lifecycle::constructing;
    if (tape_) {
        tape_->panel(layout_dir.c_str());
        client_ = factory(tape_->host(this), layout_dir.c_str());
        tape_->made(client_ != nullptr);
        if (client_ != nullptr) {
            client_ = tape_->client(client_);
        }
    } else {
        client_ = factory(this, layout_dir.c_str());
    }
    if (client_ == nullptr) {
        state_ = lifecycle::gone;
        return false;
    }
    state_ = lifecycle::live;
    return true;
}

void sim_host::attach(kest_client_callback* client) {
    client_ = client;
    state_ = client != nullptr ? lifecycle::live : lifecycle::gone;
}

void sim_host::destroy() {
    if (client_ == nullptr) {
        return;
    }
    settle();
    trace_.line("host -> plug-in", "delete panel");
    trace_.item(trace_kind::event, "delete panel");
    state_ = lifecycle::destroying;
    delete client_;
    client_ = nullptr;
    state_ = lifecycle::gone;
    checks_.deleted();
    const std::size_t dropped = queue_.clear();
    if (dropped != 0) {
        trace_.line("host", std::to_string(dropped) + " events for the deleted panel dropped");
    }
}

void sim_host::finish() {
    checks_.never_released(ledger_.finish());
}

// --- Events ----------------------------------------------------------------------------

void sim_host::enqueue(host_event event) {
    if (state_ != lifecycle::live && state_ != lifecycle::constructing) {
        return;
    }
    queue_.push(std::move(event));
}

void sim_host::report(int32_t type, const revertive_info& record) {
    host_event e;
    e.type = type;
    e.record = record;
    enqueue(std::move(e));
}

void sim_host::send_request(const std::string* text) {
    host_event e;
    e.type = KEST_EVENT_PARENT_REQUEST;
    if (text == nullptr) {
        e.null_text = true;
    } else {
        e.text = *text;
    }
    enqueue(std::move(e));
}

void sim_host::send_button(const std::string& id, const std::string& request) {
    host_event e;
    e.type = KEST_EVENT_BUTTON;
    e.text = id;
    e.request = request;
    enqueue(std::move(e));
}

void sim_host::send_record(int32_t type, const revertive_info& record) {
    host_event e;
    e.type = type;
    e.record = record;
    e.record.text[KEST_REVERTIVE_TEXT_CAPACITY - 1] = '\0';
    enqueue(std::move(e));
}

void sim_host::send_raw(int32_t type, intptr_t data) {
    host_event e;
    e.type = type;
    e.data = data;
    enqueue(std::move(e));
}

void sim_host::settle() {
    queue_.settle(state_ == lifecycle::live ? client_ : nullptr);
}

void sim_host::advance(int64_t ms) {
    sim_clock& clock = world_.clock();
    router_line& line = world_.routers_line();
    const int64_t target = clock.now() + ms;
    for (;;) {
        if (interrupt_requested()) {
            trace_.line("host", "interrupted at " + std::to_string(clock.now()) + " ms");
            return;  // the clock stays at the last event delivered
        }
        // Timer ticks and delayed router revertives in time order; at the same time
        // the revertive first, as it left the router before the tick.
        int64_t report_due = 0;
        int64_t tick_due = 0;
        const bool report = line.waiting(report_due) && report_due <= target;
        const bool tick = clock.next_due(tick_due) && tick_due <= target;
        if (report && (!tick || report_due <= tick_due)) {
            clock.move_to(std::max(clock.now(), report_due));
            trace_.line("host", "clock " + std::to_string(clock.now()) + " ms");
            line.deliver_due(report_due);
            settle();
        } else if (tick) {
            const auto id = clock.next_tick(target);
            trace_.line("host", "clock " + std::to_string(clock.now()) + " ms");
            send_raw(KEST_EVENT_TIMER, *id);
            settle();
        } else {
            break;
        }
    }
    clock.move_to(target);
}

std::optional<int32_t> sim_host::crosspoint(int32_t router_number, int32_t destination) const {
    const auto* r = world_.find_as<router>(router_number);
    if (r == nullptr) {
        return std::nullopt;
    }
    return r->source_at(destination);
}

// --- Commands --------------------------------------------------------------------------

intptr_t sim_host::command(const char* text, int32_t code) {
    if (code == KEST_COMMAND_RELEASE) {
        release(text);
        return 0;
    }
    static const std::string kNone;
    if (text == nullptr) {
        checks_.command({kNone, code, true, nullptr, kNone, false, world_, panels_});
        return 0;
    }
    const std::string command_text(text);
    ++commands_seen_;
    if (code != KEST_COMMAND_EXECUTE) {
        const std::string shown = "(code " + std::to_string(code) + ") " + printable(command_text);
        trace_.line("plug-in -> host", shown);
        trace_.item(trace_kind::command, shown);
        checks_.command({command_text, code, false, nullptr, kNone, false, world_, panels_});
        return 0;
    }
    if (record_commands_) {
        step_commands_.push_back(command_text);
    }
    return execute(command_text);
}

intptr_t sim_host::execute(const std::string& text) {
    parsed_command parsed;
    std::string error;
    const bool deleted = state_ == lifecycle::gone;
    const bool ok = !deleted && parse_command(text, parsed, error);
    // A command that a fault swallows is marked where it is shown.
    const std::string mark = ok && trace_.wanted() ? dispatcher_.fault_mark(parsed) : std::string();
    trace_.line("plug-in -> host", printable(text) + mark);
    if (ok && device_kind_of(parsed.code)) {
        trace_.item(trace_kind::command, text + mark, parsed.arguments[0].number);
    } else {
        trace_.item(trace_kind::command, text);
    }
    checks_.command({text, KEST_COMMAND_EXECUTE, false, ok ? &parsed : nullptr, error, deleted,
                     world_, panels_});
    if (!ok || !property_assignment_ok(parsed)) {
        return 0;
    }
    return dispatcher_.dispatch(parsed, text);
}

void sim_host::release(const char* pointer) {
    const kest_ledger::release_outcome outcome = ledger_.release(pointer);
    std::string what;
    switch (outcome.kind) {
        case kest_ledger::released::null_reply:
            what = "release  (no reply)";
            break;
        case kest_ledger::released::first:
            what = "release  reply to `" + printable(outcome.label) + "`";
            break;
        case kest_ledger::released::again:
            what = "release  reply to `" + printable(outcome.label) + "` AGAIN";
            break;
        case kest_ledger::released::unknown:
            what = "release  unknown pointer";
            break;
    }
    trace_.line("plug-in -> host", what);
    trace_.item(trace_kind::release, what);
    checks_.release(outcome);
}

}  // namespace kest_host
