// Fuzzes the host's command-text matcher on any text: the input up to its first NUL,
// as a panel's command arrives.
//
// Besides memory errors and run time (a text may hold many "' " that the matcher
// tries as ends of its texts) it checks what the dispatcher relies on:
//   - a matched command has its table's code, between the required and the possible
//     number of arguments, each of the kind its form letter asks for;
//   - its code and arguments, written out again, give the text back exactly (so a
//     matched command re-matches, to the same arguments);
//   - a text that does not match says why.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "protocol/command_text.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "command_text: %s (text of %zu bytes)\n", what, text.size());
    std::abort();
}

// The form's letters without its brackets, and how many are required.
void letters_of(const char* form, std::string& letters, std::size_t& required) {
    bool optional = false;
    for (const char* p = form; *p != '\0'; ++p) {
        if (*p == '[' || *p == ']') {
            optional = *p == '[';
            continue;
        }
        letters += *p;
        required += optional ? 0 : 1;
    }
}

std::string written(const kest_host::parsed_command& command) {
    std::string out = command.code;
    for (const kest_host::command_argument& argument : command.arguments) {
        out +=
            argument.is_text ? " '" + argument.text + "'" : " " + std::to_string(argument.number);
    }
    if (command.add) {
        out += " 'ADD'";
    }
    return out;
}

void check(const kest_host::parsed_command& command, const std::string& text) {
    std::string letters;
    std::size_t required = 0;
    letters_of(command.form, letters, required);
    const std::size_t given = command.arguments.size() + (command.add ? 1 : 0);
    if (given < required || given > letters.size()) {
        fail("the argument count is outside the form", text);
    }
    for (std::size_t i = 0; i < command.arguments.size(); ++i) {
        if (command.arguments[i].is_text != (letters[i] == 'T')) {
            fail("an argument is not of its form letter's kind", text);
        }
    }
    if (command.add && letters[command.arguments.size()] != 'A') {
        fail("'ADD' where the form has none", text);
    }
    if (written(command) != text) {
        fail("the matched command, written out, is not the text", text);
    }
    kest_host::parsed_command again;
    std::string error;
    if (!kest_host::parse_command(written(command), again, error) ||
        again.arguments.size() != command.arguments.size() || again.add != command.add) {
        fail("a matched command does not match again", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));
    kest_host::parsed_command command;
    std::string error;
    if (kest_host::parse_command(text, command, error)) {
        check(command, text);
    } else if (error.empty()) {
        fail("a text that does not match gave no reason", text);
    }
    return 0;
}
