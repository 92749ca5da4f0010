// The statement table: for every statement of the scenario language, its keyword,
// its argument forms, its one-line help and how its arguments are read. The parser,
// the interactive `help` and the manual's statement table all come from it
// (statement_help.cpp puts it in words).
#pragma once

#include <string>
#include <vector>

#include "scenario/statement_reader.h"
#include "scenario/statements.h"

namespace kest_host {

struct statement_entry {
    const char* keyword;  // "device", or "expect dest" for the expectations
    // The argument forms after the keyword ("" for none); further forms if any.
    const char* forms[3];
    const char* help;
    // Reads the arguments (the reader stands after the keyword).
    bool (*parse)(statement_reader& r, statement& out);
    // A whole line that uses it, as `help WORD` shows it ("press 1").
    const char* example;
    // The help group it is listed under ("steps"); statement_table() sets it.
    const char* group = nullptr;
};

// The help groups in table order: a word and what its statements are for.
struct statement_group_entry {
    const char* name;
    const char* about;
};
const std::vector<statement_group_entry>& statement_groups();

const std::vector<statement_entry>& statement_table();
// The rows of the `fault` statements, one per device word of fault_table()
// (fault_statements.cpp); statement_table() holds them.
std::vector<statement_entry> fault_statement_rows();
// The rows of the device statements (`device`, `tsl`, `allow`; device_statements.cpp),
// the table's first.
std::vector<statement_entry> device_statement_rows();

// The entry of a keyword ("expect dest" for an expectation), or null.
const statement_entry* find_statement(const std::string& keyword);

// The words that may follow "expect", separated by "|", in table order.
const std::string& expectation_words();
// The words that may follow a first word of two-word keywords ("expect", "fault").
std::string second_words(const std::string& first);

// "`device router\|infodriver\|gpi N`"-style cells: every form of the entry in code
// quotes, separated by ", ", with "|" escaped for a Markdown table.
std::string markdown_forms(const statement_entry& entry);
// The manual's statement table (docs/kest-host.md), one row per entry, with its header.
std::string markdown_statement_table();
// The interactive help: the groups, one line each with their statement words.
std::string statement_help();
// One statement ("press") with its forms, what it does and an example; every
// statement a word begins ("expect") or a group ("steps") holds; "" when there is
// none. Lines are at most kHelpWidth columns.
std::string statement_help(const std::string& topic);
constexpr std::size_t kHelpWidth = 80;

}  // namespace kest_host
