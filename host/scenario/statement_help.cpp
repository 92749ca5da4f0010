// The statement table in words: the interactive help and the manual's table.
#include "scenario/statement_table.h"

namespace kest_host {

namespace {

std::string form_text(const statement_entry& entry, const char* form) {
    std::string text = entry.keyword;
    if (form[0] != '\0') {
        text += std::string(" ") + form;
    }
    return text;
}

}  // namespace

std::string markdown_forms(const statement_entry& entry) {
    std::string cell;
    for (const char* form : entry.forms) {
        if (form == nullptr) {
            continue;
        }
        cell += (cell.empty() ? "`" : ", `") + form_text(entry, form) + "`";
    }
    std::string escaped;
    for (const char c : cell) {
        escaped += c == '|' ? std::string("\\|") : std::string(1, c);
    }
    return escaped;
}

std::string markdown_statement_table() {
    std::string table = "| statement | what it does |\n| --- | --- |\n";
    for (const auto& entry : statement_table()) {
        table += "| " + markdown_forms(entry) + " | " + entry.help + " |\n";
    }
    return table;
}

namespace {

std::string entry_help(const statement_entry& entry) {
    std::string forms;
    for (const char* form : entry.forms) {
        if (form != nullptr) {
            forms += (forms.empty() ? "" : " | ") + form_text(entry, form);
        }
    }
    return "  " + forms + "\n      " + entry.help + "\n";
}

}  // namespace

std::string statement_help() {
    std::string help = "Statements (texts in double quotes):\n";
    for (const auto& entry : statement_table()) {
        help += entry_help(entry);
    }
    return help;
}

std::string statement_help(const std::string& topic) {
    std::string help;
    for (const auto& entry : statement_table()) {
        const std::string keyword = entry.keyword;
        if (keyword == topic || keyword.compare(0, topic.size() + 1, topic + " ") == 0) {
            help += entry_help(entry);
        }
    }
    return help;
}

}  // namespace kest_host
