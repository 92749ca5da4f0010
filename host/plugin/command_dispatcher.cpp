#include "plugin/command_dispatcher.h"

#include <cstring>

#include "common/printable.h"
#include "kest_command_grammar.h"

namespace kest_host {

const command_dispatcher::entry command_dispatcher::kHandlers[] = {
    {"PS", &command_dispatcher::show_panel},
    {"TP", &command_dispatcher::set_property},
    {"CH", &command_dispatcher::hide_control},
    {"RC", &command_dispatcher::crosspoint},
    {"RR", &command_dispatcher::register_indices},
    {"RP", &command_dispatcher::poll},
    {"RU", &command_dispatcher::unregister},
    {"IR", &command_dispatcher::register_indices},
    {"IP", &command_dispatcher::poll},
    {"IU", &command_dispatcher::unregister},
    {"GR", &command_dispatcher::register_indices},
    {"GP", &command_dispatcher::poll},
    {"GU", &command_dispatcher::unregister},
    {"ET", &command_dispatcher::set_timer},
    {"SD", &command_dispatcher::look_up_instance},
    {"RN", &command_dispatcher::read_name},
    {"XI", &command_dispatcher::list_controls},
    {"TG", &command_dispatcher::get_property},
    {"AS", &command_dispatcher::end_session},
};

bool command_dispatcher::covers_command_table() {
    for (const auto& form : kest_command::kForms) {
        int handlers = 0;
        for (const auto& e : kHandlers) {
            handlers += std::strcmp(e.code, form.code) == 0 ? 1 : 0;
        }
        if (handlers != 1) {
            return false;
        }
    }
    return sizeof kHandlers / sizeof kHandlers[0] ==
           sizeof kest_command::kForms / sizeof kest_command::kForms[0];
}

intptr_t command_dispatcher::dispatch(const parsed_command& command, const std::string& text) {
    for (const auto& e : kHandlers) {
        if (command.code == e.code) {
            return (this->*e.run)(command, text);
        }
    }
    return 0;  // parse_command knows only the table's codes
}

intptr_t command_dispatcher::reply(const std::string& text, const std::string& command) {
    trace_.line("host -> plug-in", "reply  " + quoted(text));
    trace_.item(trace_kind::reply, text);
    return reinterpret_cast<intptr_t>(ledger_.hand_out(text, command));
}

intptr_t command_dispatcher::no_reply(const char* why) {
    trace_.line("host -> plug-in", std::string("reply  (none") + why + ")");
    trace_.item(trace_kind::reply, std::string("(none") + why + ")");
    return 0;
}

device* command_dispatcher::target_device(const parsed_command& c) {
    device* d = world_.find(c.arguments[0].number);
    const auto kind = device_kind_of(c.code);
    return d != nullptr && kind && d->kind() == *kind ? d : nullptr;
}

std::string command_dispatcher::fault_mark(const parsed_command& c) const {
    const auto kind = device_kind_of(c.code);
    const device* d = kind ? world_.find(c.arguments[0].number) : nullptr;
    if (d == nullptr || d->kind() != *kind) {
        return "";
    }
    const auto* remote =
        *kind == device_kind::router ? static_cast<const router*>(d)->remote() : nullptr;
    if (remote != nullptr && (c.code == "RC" || c.code == "RP")) {
        return c.code == "RC" ? remote->mark(true, c.arguments[2].number, c.arguments[1].number)
                              : remote->mark(false, 0, 0);
    }
    const std::string mark = d->fault_mark(c.code);
    return mark.empty() ? mark : "  (" + mark + ")";
}

// --- The panel ---------------------------------------------------------------------

intptr_t command_dispatcher::show_panel(const parsed_command& c, const std::string& text) {
    if (world_.faults().on("layout missing")) {
        trace_.line("host", "PS refused: layout missing");
        return 0;
    }
    std::string reason;
    if (!panels_.show(c.arguments[0].text, c.arguments[1].text, reason)) {
        trace_.line("host", "PS failed: " + reason);
        if (file_error_.empty()) {
            file_error_ = "`" + printable(text) + "`: " + reason;
        }
        return 0;
    }
    return 1;
}

intptr_t command_dispatcher::set_property(const parsed_command& c, const std::string&) {
    const std::string& assignment = c.arguments[0].text;
    const auto eq = assignment.find('=');
    control_state* target = panels_.control(c.arguments[1].text, c.arguments[2].text);
    if (eq != std::string::npos && target != nullptr) {
        target->set_property(assignment.substr(0, eq), assignment.substr(eq + 1));
    }
    return 0;
}

intptr_t command_dispatcher::hide_control(const parsed_command& c, const std::string&) {
    control_state* target = panels_.control(c.arguments[0].text, c.arguments[1].text);
    if (target != nullptr) {
        target->hidden = true;
    }
    return 0;
}

intptr_t command_dispatcher::get_property(const parsed_command& c, const std::string& text) {
    const control_state* target = panels_.control(c.arguments[0].text, c.arguments[1].text);
    if (target == nullptr) {
        return no_reply("");
    }
    const std::string& property = c.arguments[2].text;
    if (property == "all") {
        return reply(target->all_properties(), text);
    }
    return reply(property + "=" + target->property(property), text);
}

intptr_t command_dispatcher::list_controls(const parsed_command& c, const std::string& text) {
    const panel_state* panel = panels_.find(c.arguments[0].text);
    if (panel == nullptr) {
        return no_reply("");
    }
    std::string prefix = c.arguments[1].text;
    if (!prefix.empty() && prefix.back() == '*') {
        prefix.pop_back();
    }
    std::string ids;
    for (const auto& control : panel->controls) {
        if (control.def.id.compare(0, prefix.size(), prefix) == 0) {
            ids += (ids.empty() ? "" : ",") + control.def.id;
        }
    }
    return reply(ids, text);
}

// --- Devices -----------------------------------------------------------------------

intptr_t command_dispatcher::look_up_instance(const parsed_command& c, const std::string& text) {
    if (world_.faults().names("lookup").count(c.arguments[0].text) != 0) {
        return no_reply(": lookup missing");
    }
    const instance_entry* found = world_.instances().find(c.arguments[0].text);
    if (found == nullptr) {
        return no_reply(": unknown instance");
    }
    return reply(std::to_string(found->device) + " " + std::to_string(found->offset), text);
}

intptr_t command_dispatcher::read_name(const parsed_command& c, const std::string& text) {
    auto* r = static_cast<router*>(target_device(c));
    const int32_t database = c.arguments[1].number;
    if (r == nullptr || (database != router::kSources && database != router::kDestinations)) {
        return no_reply("");
    }
    if (world_.faults().on("names missing")) {
        return no_reply(": names missing");
    }
    const auto& names = r->names[database];
    const auto name = names.find(c.arguments[2].number);
    if (name == names.end()) {
        return no_reply(": no such name");
    }
    return reply(name->second, text);
}

intptr_t command_dispatcher::crosspoint(const parsed_command& c, const std::string&) {
    auto* r = static_cast<router*>(target_device(c));
    const int32_t source = c.arguments[1].number;
    const int32_t destination = c.arguments[2].number;
    if (r != nullptr && destination > 0) {  // there is no destination 0
        r->take_crosspoint(destination, source);
    }
    return 0;
}

intptr_t command_dispatcher::register_indices(const parsed_command& c, const std::string&) {
    device* d = target_device(c);
    if (d != nullptr) {
        if (!c.add) {
            d->registered().clear();
        }
        d->registered().add(c.arguments[1].number, c.arguments[2].number);
    }
    return 0;
}

intptr_t command_dispatcher::poll(const parsed_command& c, const std::string&) {
    device* d = target_device(c);
    if (d != nullptr) {
        d->poll(c.arguments[1].number, c.arguments[2].number);
    }
    return 0;
}

intptr_t command_dispatcher::unregister(const parsed_command& c, const std::string&) {
    device* d = target_device(c);
    if (d != nullptr) {
        d->registered().clear();
    }
    return 0;
}

intptr_t command_dispatcher::set_timer(const parsed_command& c, const std::string&) {
    const int32_t id = c.arguments[0].number;
    world_.clock().set_timer(id, c.arguments.size() == 2 ? c.arguments[1].number : 0);
    return 0;
}

intptr_t command_dispatcher::end_session(const parsed_command&, const std::string&) {
    return 0;  // the checks note the closing AS
}

}  // namespace kest_host
