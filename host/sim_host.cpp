#include "sim_host.h"

#include <algorithm>
#include <cstring>

#include "command_text.h"

namespace kest_host {

namespace {

const char* event_name(int32_t type) {
    switch (type) {
        case KEST_EVENT_REVERTIVE:
            return "revertive";
        case KEST_EVENT_BUTTON:
            return "button";
        case KEST_EVENT_PARENT_REQUEST:
            return "parent request";
        case KEST_EVENT_TIMER:
            return "timer";
        case KEST_EVENT_RELEASE:
            return "release of an answer";
        case KEST_EVENT_DATABASE_CHANGE:
            return "database change";
        case KEST_EVENT_INTEGER:
            return "integer event";
        default:
            return "unknown event";
    }
}

std::string quoted(const std::string& text) {
    return "\"" + printable(text) + "\"";
}

}  // namespace

std::string printable(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

const char* kind_name(device_kind kind) {
    switch (kind) {
        case device_kind::router:
            return "router";
        case device_kind::infodriver:
            return "infodriver";
        case device_kind::gpi:
            return "gpi";
    }
    return "?";
}

bool range_set::contains(int32_t index) const {
    for (const auto& r : ranges_) {
        if (index >= r.first && index <= r.second) {
            return true;
        }
    }
    return false;
}

void range_set::add(int32_t first, int32_t last) {
    if (first > last) {
        return;
    }
    for (const auto& r : ranges_) {
        if (first >= r.first && last <= r.second) {
            return;
        }
    }
    ranges_.emplace_back(first, last);
}

const control_state* panel_state::find(const std::string& id) const {
    const auto it = index.find(id);
    return it == index.end() ? nullptr : &controls[it->second];
}

sim_host::sim_host(validator& checks) : checks_(checks) {
    checks_.set_skip_reason(check_id::routing_model, "runs in stress mode only");
    checks_.set_skip_reason(check_id::replies_released_once, "the panel sent no query");
    checks_.set_skip_reason(check_id::replies_untouched, "no reply was handed back");
    checks_.set_skip_reason(check_id::answers_well_formed, "no parent request was sent");
    checks_.set_skip_reason(check_id::no_command_after_delete, "the panel was never deleted");
    checks_.set_skip_reason(check_id::commands_well_formed, "the panel sent no command");
    checks_.set_skip_reason(check_id::controls_in_layout, "the panel touched no control");
    checks_.set_skip_reason(check_id::crosspoint_nonzero, "the panel made no crosspoint");
    checks_.set_skip_reason(check_id::known_devices, "the panel sent no device command");
    checks_.set_skip_reason(check_id::events_settle, "no step ran");
}

sim_host::~sim_host() {
    if (client_ != nullptr && state_ == lifecycle::live) {
        destroy();
    }
    unload();
}

void sim_host::find(check_id id, const std::string& message) {
    checks_.finding(id, location_.empty() ? message : message + " (" + location_ + ")");
}

void sim_host::trace(const char* direction, const std::string& line) {
    if (trace_ == nullptr) {
        return;
    }
    if (color_) {
        const bool outgoing = direction[0] == 'p';
        *trace_ << (outgoing ? "\033[36m" : "\033[33m") << direction << "\033[0m  " << line << "\n";
    } else {
        *trace_ << direction << "  " << line << "\n";
    }
}

device* sim_host::add_device(device_kind kind, int32_t number) {
    if (devices_.count(number) != 0) {
        return nullptr;
    }
    device& d = devices_[number];
    d.kind = kind;
    d.number = number;
    return &d;
}

device* sim_host::find_device(int32_t number) {
    const auto it = devices_.find(number);
    return it == devices_.end() ? nullptr : &it->second;
}

const device* sim_host::find_device(int32_t number) const {
    const auto it = devices_.find(number);
    return it == devices_.end() ? nullptr : &it->second;
}

device* sim_host::first_device(device_kind kind) {
    for (auto& entry : devices_) {
        if (entry.second.kind == kind) {
            return &entry.second;
        }
    }
    return nullptr;
}

void sim_host::add_instance(const std::string& name, int32_t device, int32_t offset) {
    instances_[name] = {device, offset};
}

// --- The plug-in -------------------------------------------------------------------

bool sim_host::load(const std::string& path, std::string& error) {
    std::string reason;
    if (!library_.open(path, reason)) {
        error = "cannot load plug-in " + path + ": " + reason;
        return false;
    }
    void* entry = library_.symbol("load_kest_client_script");
    if (entry == nullptr) {
        library_.close();
        error = "plug-in " + path + " does not export load_kest_client_script";
        return false;
    }
    factory_ = reinterpret_cast<load_kest_client_script_fn>(entry);
    library_path_ = path;
    return true;
}

bool sim_host::create(const std::string& layout_dir) {
    trace("host -> plug-in", "load_kest_client_script(host, " + quoted(layout_dir) + ")");
    state_ = lifecycle::constructing;
    client_ = factory_(this, layout_dir.c_str());
    if (client_ == nullptr) {
        state_ = lifecycle::gone;
        return false;
    }
    state_ = lifecycle::live;
    return true;
}

void sim_host::destroy() {
    if (client_ == nullptr) {
        return;
    }
    settle();
    trace("host -> plug-in", "delete panel");
    state_ = lifecycle::destroying;
    delete client_;
    client_ = nullptr;
    state_ = lifecycle::gone;
    checks_.exercised(check_id::no_command_after_delete);
    if (!queue_.empty()) {
        trace("host", std::to_string(queue_.size()) + " events for the deleted panel dropped");
        queue_.clear();
    }
}

void sim_host::unload() {
    if (library_.is_open()) {
        library_.close();
    }
}

void sim_host::finish() {
    for (const auto& entry : live_replies_) {
        find(check_id::replies_released_once,
             "reply to `" + printable(entry.second.command) + "` was never released");
    }
    live_replies_.clear();
    for (const auto& entry : quarantine_) {
        check_poison(entry.second);
    }
    quarantine_.clear();
    quarantine_order_.clear();
}

// --- Events ----------------------------------------------------------------------

void sim_host::enqueue(host_event event) {
    if (state_ != lifecycle::live && state_ != lifecycle::constructing) {
        return;
    }
    queue_.push_back(std::move(event));
}

void sim_host::queue_revertive(int32_t type, int32_t device, int32_t database, int32_t index,
                               int32_t value, const std::string& text) {
    host_event e;
    e.type = type;
    e.record.device = device;
    e.record.database = database;
    e.record.index = index;
    e.record.value = value;
    const std::size_t n = std::min(text.size(), KEST_REVERTIVE_TEXT_CAPACITY - 1);
    std::memcpy(e.record.text, text.data(), n);
    e.record.text[n] = '\0';
    enqueue(std::move(e));
}

void sim_host::settle() {
    checks_.exercised(check_id::events_settle);
    uint64_t delivered = 0;
    while (!queue_.empty()) {
        if (++delivered > kSettleLimit) {
            find(check_id::events_settle,
                 "more than " + std::to_string(kSettleLimit) +
                     " events in one step: the panel's commands keep causing events (" +
                     std::to_string(queue_.size()) + " dropped)");
            queue_.clear();
            return;
        }
        host_event e = std::move(queue_.front());
        queue_.pop_front();
        deliver(e);
    }
}

void sim_host::deliver(host_event& e) {
    if (client_ == nullptr || state_ != lifecycle::live) {
        return;
    }
    ++events_delivered_;
    char* result = nullptr;
    switch (e.type) {
        case KEST_EVENT_REVERTIVE:
        case KEST_EVENT_DATABASE_CHANGE: {
            if (trace_ != nullptr) {
                std::string line =
                    std::string(event_name(e.type)) + "  device " + std::to_string(e.record.device);
                const device* d = find_device(e.record.device);
                line += d != nullptr ? std::string(" (") + kind_name(d->kind) + ")" : " (unknown)";
                if (e.type == KEST_EVENT_DATABASE_CHANGE) {
                    line += " database " + std::to_string(e.record.database);
                }
                line += " index " + std::to_string(e.record.index) + " value " +
                        std::to_string(e.record.value) + " text " + quoted(e.record.text);
                trace("host -> plug-in", line);
            }
            revertive_info record = e.record;  // the plug-in may only read it during the call
            result = client_->callback(reinterpret_cast<intptr_t>(&record), e.type);
            break;
        }
        case KEST_EVENT_BUTTON: {
            trace("host -> plug-in",
                  "button  id " + quoted(e.text) + " request " + quoted(e.request));
            parsed_request request(e.request.c_str());
            button_info record{};
            record.id = e.text.c_str();
            record.request = &request;
            result = client_->callback(reinterpret_cast<intptr_t>(&record), e.type);
            break;
        }
        case KEST_EVENT_PARENT_REQUEST: {
            trace("host -> plug-in",
                  "parent request  " + (e.null_text ? std::string("(no text)") : quoted(e.text)));
            const char* text = e.null_text ? nullptr : e.text.c_str();
            result = client_->callback(reinterpret_cast<intptr_t>(text), e.type);
            checks_.exercised(check_id::answers_well_formed);
            check_answer(result, e);
            return;
        }
        case KEST_EVENT_RELEASE:
            trace("host -> plug-in", "release answer");
            result = client_->callback(e.data, e.type);
            break;
        default:
            trace("host -> plug-in", std::string(event_name(e.type)) + " (type " +
                                         std::to_string(e.type) + ") data " +
                                         std::to_string(static_cast<long long>(e.data)));
            result = client_->callback(e.data, e.type);
            break;
    }
    if (result != nullptr) {
        find(check_id::answers_well_formed,
             std::string("the ") + event_name(e.type) + " (type " + std::to_string(e.type) +
                 ") returned a string; only parent requests answer, so nobody frees it");
    }
}

void sim_host::check_answer(char* answer, const host_event& e) {
    if (answer == nullptr) {
        trace("plug-in -> host", "answer  (none)");
        last_answer_.reset();
        return;
    }
    std::size_t length = 0;
    while (length < kAnswerScanLimit && answer[length] != '\0') {
        ++length;
    }
    if (length == kAnswerScanLimit) {
        find(check_id::answers_well_formed, "answer to parent request " + quoted(e.text) +
                                                " has no NUL within " +
                                                std::to_string(kAnswerScanLimit) + " bytes");
        last_answer_ = std::string(answer, 40) + "...";
    } else {
        last_answer_ = std::string(answer);
    }
    trace("plug-in -> host", "answer  " + quoted(*last_answer_));
    host_event release;
    release.type = KEST_EVENT_RELEASE;
    release.data = reinterpret_cast<intptr_t>(answer);
    queue_.push_front(std::move(release));  // handed back before anything else
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

// --- The world -------------------------------------------------------------------

void sim_host::set_slot(device& info, int32_t index, const std::string& text) {
    info.slots[index] = text;
    if (info.registered.contains(index)) {
        queue_revertive(KEST_EVENT_REVERTIVE, info.number, 0, index, 0, text);
    }
}

void sim_host::set_input(device& gpi, int32_t index, int32_t value) {
    gpi.inputs[index] = value;
    if (gpi.registered.contains(index)) {
        queue_revertive(KEST_EVENT_REVERTIVE, gpi.number, 0, index, value, "");
    }
}

void sim_host::rename(device& router, int database, int32_t index, const std::string& name) {
    router.names[database][index] = name;
    queue_revertive(KEST_EVENT_DATABASE_CHANGE, router.number, database, index, 0, name);
}

void sim_host::route(device& router, int32_t destination, int32_t source) {
    router.crosspoints[destination] = source;
    if (router.registered.contains(destination)) {
        const auto name = router.names[0].find(source);
        queue_revertive(KEST_EVENT_REVERTIVE, router.number, 0, destination, source,
                        name == router.names[0].end() ? "" : name->second);
    }
}

void sim_host::advance(int64_t ms) {
    const int64_t target = now_ + ms;
    for (;;) {
        auto due = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.second <= target &&
                (due == timers_.end() || it->second.second < due->second.second)) {
                due = it;
            }
        }
        if (due == timers_.end()) {
            break;
        }
        now_ = due->second.second;
        due->second.second += due->second.first;
        const int32_t id = due->first;
        trace("host", "clock " + std::to_string(now_) + " ms");
        send_raw(KEST_EVENT_TIMER, id);
        settle();
    }
    now_ = target;
}

// --- Commands --------------------------------------------------------------------

intptr_t sim_host::command(const char* text, int32_t code) {
    if (code == KEST_COMMAND_RELEASE) {
        release(text);
        return 0;
    }
    if (text == nullptr) {
        find(check_id::commands_well_formed,
             "a command with code " + std::to_string(code) + " came with a null text");
        return 0;
    }
    const std::string command_text(text);
    ++commands_seen_;
    if (code != KEST_COMMAND_EXECUTE) {
        trace("plug-in -> host", "(code " + std::to_string(code) + ") " + printable(command_text));
        find(check_id::commands_well_formed, "`" + printable(command_text) + "` came with code " +
                                                 std::to_string(code) + "; only 0 and 5 exist");
        return 0;
    }
    trace("plug-in -> host", printable(command_text));
    if (record_commands_) {
        step_commands_.push_back(command_text);
    }
    if (command_text.find(static_cast<char>(kPoison)) != std::string::npos) {
        find(check_id::replies_untouched,
             "`" + printable(command_text) +
                 "` carries poison bytes: the panel used a reply after handing it back");
    }
    if (state_ == lifecycle::gone) {
        find(check_id::no_command_after_delete,
             "`" + printable(command_text) + "` arrived after the panel was deleted");
        return 0;
    }
    if (closing_sent_) {
        find(check_id::no_command_after_delete,
             "`" + printable(command_text) + "` arrived after the panel's closing AS");
    }
    return execute(command_text);
}

intptr_t sim_host::reply(const std::string& text, const std::string& command) {
    reply_record record;
    record.length = text.size();
    record.bytes.reset(new char[text.size() + 1]);
    std::memcpy(record.bytes.get(), text.c_str(), text.size() + 1);
    record.command = command;
    char* pointer = record.bytes.get();
    live_replies_.emplace(pointer, std::move(record));
    trace("host -> plug-in", "reply  " + quoted(text));
    return reinterpret_cast<intptr_t>(pointer);
}

void sim_host::release(const char* pointer) {
    checks_.exercised(check_id::replies_released_once);
    if (pointer == nullptr) {
        trace("plug-in -> host", "release  (no reply)");
        return;
    }
    auto live = live_replies_.find(pointer);
    if (live != live_replies_.end()) {
        trace("plug-in -> host", "release  reply to `" + printable(live->second.command) + "`");
        reply_record record = std::move(live->second);
        live_replies_.erase(live);
        std::memset(record.bytes.get(), kPoison, record.length);
        checks_.exercised(check_id::replies_untouched);
        quarantine_.emplace(pointer, std::move(record));
        quarantine_order_.push_back(pointer);
        if (quarantine_limit_ != 0 && quarantine_order_.size() > quarantine_limit_) {
            evict_oldest();
        }
        return;
    }
    const auto old = quarantine_.find(pointer);
    if (old != quarantine_.end()) {
        trace("plug-in -> host",
              "release  reply to `" + printable(old->second.command) + "` AGAIN");
        find(check_id::replies_released_once,
             "reply to `" + printable(old->second.command) + "` was released twice");
        return;
    }
    trace("plug-in -> host", "release  unknown pointer");
    find(check_id::replies_released_once,
         "code 5 handed back a pointer the host never gave as a reply (or one released long ago)");
}

void sim_host::evict_oldest() {
    const char* pointer = quarantine_order_.front();
    quarantine_order_.pop_front();
    const auto it = quarantine_.find(pointer);
    if (it != quarantine_.end()) {
        check_poison(it->second);
        quarantine_.erase(it);
    }
}

void sim_host::check_poison(const reply_record& record) {
    for (std::size_t i = 0; i < record.length; ++i) {
        if (static_cast<unsigned char>(record.bytes[i]) != kPoison) {
            find(check_id::replies_untouched,
                 "reply to `" + printable(record.command) + "` was written after it was released");
            return;
        }
    }
    if (record.bytes[record.length] != '\0') {
        find(check_id::replies_untouched,
             "reply to `" + printable(record.command) + "` was written after it was released");
    }
}

device* sim_host::device_for(const std::string& text, int32_t number, device_kind kind) {
    checks_.exercised(check_id::known_devices);
    device* d = find_device(number);
    if (d == nullptr) {
        find(check_id::known_devices, "`" + printable(text) + "` names device " +
                                          std::to_string(number) +
                                          ", which the host does not have");
        return nullptr;
    }
    if (d->kind != kind) {
        find(check_id::known_devices, "`" + printable(text) + "` names device " +
                                          std::to_string(number) + ", which is a " +
                                          kind_name(d->kind) + ", not a " + kind_name(kind));
        return nullptr;
    }
    return d;
}

control_state* sim_host::writable_control(const std::string& text, const std::string& panel,
                                          const std::string& id) {
    checks_.exercised(check_id::controls_in_layout);
    const auto p = panels_.find(panel);
    if (p == panels_.end()) {
        find(check_id::controls_in_layout, "`" + printable(text) + "` names panel \"" +
                                               printable(panel) + "\", which was never shown");
        return nullptr;
    }
    const auto c = p->second.index.find(id);
    if (c == p->second.index.end()) {
        find(check_id::controls_in_layout, "`" + printable(text) + "` names control \"" +
                                               printable(id) + "\", which layout " +
                                               p->second.layout_file + " lacks");
        return nullptr;
    }
    return &p->second.controls[c->second];
}

void sim_host::poll(device& d, int32_t first, int32_t last) {
    if (static_cast<int64_t>(last) - first >= kPollLimit) {
        trace("host", "poll range cut to " + std::to_string(kPollLimit) + " indices");
        last = static_cast<int32_t>(first + kPollLimit - 1);
    }
    for (int64_t i = first; i <= last; ++i) {
        const auto index = static_cast<int32_t>(i);
        switch (d.kind) {
            case device_kind::router: {
                const auto x = d.crosspoints.find(index);
                const int32_t source = x == d.crosspoints.end() ? 0 : x->second;
                const auto name = d.names[0].find(source);
                queue_revertive(KEST_EVENT_REVERTIVE, d.number, 0, index, source,
                                name == d.names[0].end() ? "" : name->second);
                break;
            }
            case device_kind::infodriver: {
                const auto s = d.slots.find(index);
                queue_revertive(KEST_EVENT_REVERTIVE, d.number, 0, index, 0,
                                s == d.slots.end() ? "" : s->second);
                break;
            }
            case device_kind::gpi: {
                const auto s = d.inputs.find(index);
                queue_revertive(KEST_EVENT_REVERTIVE, d.number, 0, index,
                                s == d.inputs.end() ? 0 : s->second, "");
                break;
            }
        }
    }
}

intptr_t sim_host::execute(const std::string& text) {
    parsed_command cmd;
    std::string error;
    checks_.exercised(check_id::commands_well_formed);
    if (!parse_command(text, cmd, error)) {
        find(check_id::commands_well_formed, "`" + printable(text) + "` is malformed: " + error);
        return 0;
    }
    const auto& a = cmd.arguments;
    const std::string& c = cmd.code;
    if (c == "PS") {
        std::string file = a[1].text;
        layout parsed;
        std::string reason;
        if (!read_layout(file, parsed, reason)) {
            trace("host", "PS failed: " + reason);
            if (file_error_.empty()) {
                file_error_ = "`" + printable(text) + "`: " + reason;
            }
            return 0;
        }
        panel_state& panel = panels_[a[0].text];
        panel = panel_state{};
        panel.layout_file = file;
        for (const auto& def : parsed.controls) {
            control_state state;
            state.def = def;
            state.text = def.text;
            panel.index[def.id] = panel.controls.size();
            panel.controls.push_back(std::move(state));
        }
        return 1;
    }
    if (c == "TP") {
        const auto eq = a[0].text.find('=');
        if (eq == std::string::npos) {
            find(check_id::commands_well_formed,
                 "`" + printable(text) + "` is malformed: its first field must be property=value");
            return 0;
        }
        control_state* target = writable_control(text, a[1].text, a[2].text);
        if (target != nullptr) {
            const std::string property = a[0].text.substr(0, eq);
            const std::string value = a[0].text.substr(eq + 1);
            if (property == "text") {
                target->text = value;
            } else if (property == "statesheet") {
                target->statesheet = value;
            } else {
                target->other[property] = value;
            }
        }
        return 0;
    }
    if (c == "CH") {
        control_state* target = writable_control(text, a[0].text, a[1].text);
        if (target != nullptr) {
            target->hidden = true;
        }
        return 0;
    }
    if (c == "TG") {
        control_state* target = writable_control(text, a[0].text, a[1].text);
        if (target == nullptr) {
            trace("host -> plug-in", "reply  (none)");
            return 0;
        }
        const std::string& property = a[2].text;
        std::string value;
        if (property == "all") {
            value = "text=" + target->text + ",statesheet=" + target->statesheet +
                    ",visible=" + (target->hidden ? "0" : "1");
            for (const auto& p : target->other) {
                value += "," + p.first + "=" + p.second;
            }
            return reply(value, text);
        }
        if (property == "text") {
            value = target->text;
        } else if (property == "statesheet") {
            value = target->statesheet;
        } else if (property == "visible") {
            value = target->hidden ? "0" : "1";
        } else {
            const auto p = target->other.find(property);
            value = p == target->other.end() ? "" : p->second;
        }
        return reply(property + "=" + value, text);
    }
    if (c == "XI") {
        checks_.exercised(check_id::controls_in_layout);
        const auto p = panels_.find(a[0].text);
        if (p == panels_.end()) {
            find(check_id::controls_in_layout, "`" + printable(text) + "` names panel \"" +
                                                   printable(a[0].text) +
                                                   "\", which was never shown");
            trace("host -> plug-in", "reply  (none)");
            return 0;
        }
        std::string prefix = a[1].text;
        if (!prefix.empty() && prefix.back() == '*') {
            prefix.pop_back();
        }
        std::string ids;
        for (const auto& control : p->second.controls) {
            if (control.def.id.compare(0, prefix.size(), prefix) == 0) {
                ids += (ids.empty() ? "" : ",") + control.def.id;
            }
        }
        return reply(ids, text);
    }
    if (c == "SD") {
        const auto it = instances_.find(a[0].text);
        if (it == instances_.end()) {
            trace("host -> plug-in", "reply  (none: unknown instance)");
            return 0;
        }
        return reply(std::to_string(it->second.first) + " " + std::to_string(it->second.second),
                     text);
    }
    if (c == "RN") {
        device* d = device_for(text, a[0].number, device_kind::router);
        const int32_t db = a[1].number;
        if (d == nullptr || (db != 0 && db != 1)) {
            trace("host -> plug-in", "reply  (none)");
            return 0;
        }
        const auto name = d->names[db].find(a[2].number);
        if (name == d->names[db].end()) {
            trace("host -> plug-in", "reply  (none: no such name)");
            return 0;
        }
        return reply(name->second, text);
    }
    if (c == "RC") {
        device* d = device_for(text, a[0].number, device_kind::router);
        const int32_t source = a[1].number;
        const int32_t destination = a[2].number;
        checks_.exercised(check_id::crosspoint_nonzero);
        if (destination == 0 || source == 0) {
            find(check_id::crosspoint_nonzero,
                 "`" + printable(text) + "` names " +
                     (destination == 0 ? "destination 0" : "source 0"));
        }
        if (d != nullptr && destination > 0) {
            route(*d, destination, source);
        }
        return 0;
    }
    if (c == "RR" || c == "IR" || c == "GR" || c == "RP" || c == "IP" || c == "GP" || c == "RU" ||
        c == "IU" || c == "GU") {
        const device_kind kind = c[0] == 'R'   ? device_kind::router
                                 : c[0] == 'I' ? device_kind::infodriver
                                               : device_kind::gpi;
        device* d = device_for(text, a[0].number, kind);
        if (d == nullptr) {
            return 0;
        }
        if (c[1] == 'R') {
            if (!cmd.add) {
                d->registered.clear();
            }
            d->registered.add(a[1].number, a[2].number);
        } else if (c[1] == 'P') {
            poll(*d, a[1].number, a[2].number);
        } else {
            d->registered.clear();
        }
        return 0;
    }
    if (c == "ET") {
        const int32_t id = a[0].number;
        if (a.size() == 2 && a[1].number > 0) {
            timers_[id] = {a[1].number, now_ + a[1].number};
        } else {
            timers_.erase(id);
        }
        return 0;
    }
    if (c == "AS") {
        closing_sent_ = true;
        return 0;
    }
    return 0;
}

const control_state* sim_host::control(const std::string& panel, const std::string& id) const {
    const auto p = panels_.find(panel);
    return p == panels_.end() ? nullptr : p->second.find(id);
}

std::optional<int32_t> sim_host::crosspoint(int32_t router, int32_t destination) const {
    const device* d = find_device(router);
    if (d == nullptr) {
        return std::nullopt;
    }
    const auto x = d->crosspoints.find(destination);
    if (x == d->crosspoints.end()) {
        return std::nullopt;
    }
    return x->second;
}

}  // namespace kest_host
