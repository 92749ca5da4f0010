// Parsing of the command texts a panel sends, against the one table of command forms
// that the panel's own builders use (kest_command::kForms).
//
//   command  = code *( SP argument )
//   code     = 2UPALPHA, one of the table's codes
//   number   = [ "-" ] 1*DIGIT        ; plain decimal: no leading zeros, no "-0",
//                                     ; within the 32-bit signed range
//   text     = "'" *( any character but NUL ) "'"
//   add      = "'ADD'"
//
// Nothing inside a text is escaped, so a text may itself hold "' ". The parser tries
// the possible ends of each text in turn and takes the first split that makes the
// whole line match its form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "world/device.h"

namespace kest_host {

struct command_argument {
    bool is_text = false;
    int32_t number = 0;
    std::string text;  // without its quotes
};

struct parsed_command {
    std::string code;
    const char* form = "";  // the argument letters of the matched form
    bool query = false;
    std::vector<command_argument> arguments;
    bool add = false;  // a trailing 'ADD' was given
};

// Parses `text`. On failure returns false and sets `error` to a sentence that says
// what is wrong, e.g. "argument 2 of RC must be a number".
bool parse_command(const std::string& text, parsed_command& out, std::string& error);

// False for a TP whose first field is not property=value (every other command: true).
bool property_assignment_ok(const parsed_command& command);

// The kind of device a device command (RN, RC, the register, poll and unregister
// commands) names in its first argument; nothing for the other codes.
std::optional<device_kind> device_kind_of(const std::string& code);

}  // namespace kest_host
