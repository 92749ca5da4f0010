// The command dispatcher: one handler per command code of the shared command table
// (kest_command_grammar.h), each acting on the device world, the panel model or the
// clock, and handing out query replies through the reply ledger.
//
// The dispatcher only acts; the checks judge. A command that names something the
// host lacks is answered as the real host would: no reply, nothing changed.
#pragma once

#include <cstdint>
#include <string>

#include "panel/panel_model.h"
#include "plugin/trace_log.h"
#include "protocol/command_text.h"
#include "reply_ledger.h"
#include "world/device_world.h"

namespace kest_host {

class command_dispatcher {
  public:
    command_dispatcher(device_world& world, panel_model& panels, kest_ledger::reply_ledger& ledger,
                       const trace_log& trace)
        : world_(world), panels_(panels), ledger_(ledger), trace_(trace) {}

    // Carries out a well-formed command; returns what `command` returns to the
    // plug-in (a reply pointer for a query, 1 for a shown panel, else 0).
    intptr_t dispatch(const parsed_command& command, const std::string& text);

    // "  (lost: router offline)" and the like for a command a fault in force swallows;
    // "" for any other.
    std::string fault_mark(const parsed_command& command) const;

    // A layout that PS could not read: a file error that ends the run.
    const std::string& file_error() const { return file_error_; }

    // True when every code of the command table has exactly one handler.
    static bool covers_command_table();

  private:
    using handler = intptr_t (command_dispatcher::*)(const parsed_command&, const std::string&);
    struct entry {
        const char* code;
        handler run;
    };
    static const entry kHandlers[];

    intptr_t show_panel(const parsed_command& c, const std::string& text);
    intptr_t set_property(const parsed_command& c, const std::string& text);
    intptr_t hide_control(const parsed_command& c, const std::string& text);
    intptr_t get_property(const parsed_command& c, const std::string& text);
    intptr_t list_controls(const parsed_command& c, const std::string& text);
    intptr_t look_up_instance(const parsed_command& c, const std::string& text);
    intptr_t read_name(const parsed_command& c, const std::string& text);
    intptr_t crosspoint(const parsed_command& c, const std::string& text);
    intptr_t register_indices(const parsed_command& c, const std::string& text);
    intptr_t poll(const parsed_command& c, const std::string& text);
    intptr_t unregister(const parsed_command& c, const std::string& text);
    intptr_t set_timer(const parsed_command& c, const std::string& text);
    intptr_t end_session(const parsed_command& c, const std::string& text);

    intptr_t reply(const std::string& text, const std::string& command);
    intptr_t no_reply(const char* why);
    // The device a device command names, if it exists and is of the command's kind.
    device* target_device(const parsed_command& c);

    device_world& world_;
    panel_model& panels_;
    kest_ledger::reply_ledger& ledger_;
    const trace_log& trace_;
    std::string file_error_;
};

}  // namespace kest_host
