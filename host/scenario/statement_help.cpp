// The statement table in words: the interactive help and the manual's table.
#include "scenario/statement_table.h"

#include <algorithm>

namespace kest_host {

const std::vector<statement_group_entry>& statement_groups() {
    static const std::vector<statement_group_entry> groups = {
        {"devices", "the studio's devices, simulated or real"},
        {"set-up", "what the devices hold before and after the start"},
        {"steps", "what happens to the panel"},
        {"events", "raw events, for what the panel should ignore"},
        {"faults", "device faults, until ended"},
        {"expectations", "what must hold after a step"},
        {"console", "only at the prompt"},
    };
    return groups;
}

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

// `text` in lines of at most kHelpWidth columns, broken at blanks: the first line
// after `first`, the others after `rest`. A word longer than a line stands alone.
std::string wrapped(const std::string& text, const std::string& first, const std::string& rest) {
    std::string out;
    std::string line = first;
    bool empty = true;  // nothing but the indent on the line yet
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string word = text.substr(at, end - at);
        at = end + 1;
        if (word.empty()) {
            continue;
        }
        if (!empty && line.size() + 1 + word.size() > kHelpWidth) {
            out += line + "\n";
            line = rest;
            empty = true;
        }
        line += (empty ? "" : " ") + word;
        empty = false;
    }
    return out + line + "\n";
}

std::string entry_help(const statement_entry& entry, bool with_example) {
    std::string help;
    for (const char* form : entry.forms) {
        if (form != nullptr) {
            help += wrapped(form_text(entry, form), "  ", "        ");
        }
    }
    help += wrapped(entry.help, "      ", "      ");
    if (with_example && entry.example != nullptr) {
        help += wrapped(std::string("example: ") + entry.example, "      ", "        ");
    }
    return help;
}

// The statement words of a group, those of two-word statements joined under their
// first word: "expect dest|control|...".
std::string group_words(const char* group) {
    std::string words;
    std::string last_first;
    for (const auto& entry : statement_table()) {
        if (std::string(entry.group) != group) {
            continue;
        }
        const std::string keyword = entry.keyword;
        const auto blank = keyword.find(' ');
        if (blank == std::string::npos) {
            words += (words.empty() ? "" : " ") + keyword;
            last_first.clear();
        } else if (keyword.compare(0, blank, last_first) == 0 && !last_first.empty()) {
            words += "|" + keyword.substr(blank + 1);
        } else {
            last_first = keyword.substr(0, blank);
            words += (words.empty() ? "" : " ") + keyword;
        }
    }
    return words;
}

}  // namespace

std::string statement_help() {
    std::string help =
        "Statements by group (texts in double quotes). help GROUP lists a group's\n"
        "statements, help WORD shows one with an example (help press, help expect).\n";
    std::size_t widest = 0;
    for (const auto& group : statement_groups()) {
        widest = std::max(widest, std::string(group.name).size());
    }
    for (const auto& group : statement_groups()) {
        const std::string name = group.name;
        help += wrapped(group_words(group.name),
                        "  " + name + std::string(widest + 2 - name.size(), ' '),
                        std::string(widest + 4, ' '));
    }
    return help;
}

std::string statement_help(const std::string& topic) {
    for (const auto& group : statement_groups()) {
        if (topic == group.name) {
            std::string help = wrapped(std::string(group.name) + ": " + group.about, "", "");
            for (const auto& entry : statement_table()) {
                if (topic == entry.group) {
                    help += entry_help(entry, false);
                }
            }
            return help;
        }
    }
    std::string help;
    for (const auto& entry : statement_table()) {
        const std::string keyword = entry.keyword;
        if (keyword == topic || keyword.compare(0, topic.size() + 1, topic + " ") == 0) {
            help += entry_help(entry, true);
        }
    }
    return help;
}

}  // namespace kest_host
