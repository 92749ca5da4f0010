// The `fault` statements, made from the fault table: one row per device word, and
// the reading of a fault's words and argument.
#include "scenario/statement_table.h"

#include <algorithm>
#include <deque>

namespace kest_host {

namespace {

using reader = statement_reader;

// "fault GROUP ...": the fault of fault_table() whose words begin with the group
// word just read, its own word if the group has several, and its argument.
bool parse_fault(reader& r, statement& out) {
    const std::string group = r.last() + " ";
    std::vector<const fault_entry*> entries;
    std::string choices;
    for (const auto& entry : fault_table()) {
        const std::string words = std::string(entry.words) + " ";
        if (words.compare(0, group.size(), group) == 0) {
            entries.push_back(&entry);
            const std::string own = words.substr(group.size());
            if (!own.empty()) {
                choices += (choices.empty() ? "" : "|") + own.substr(0, own.size() - 1);
            }
        }
    }
    int which = 0;
    if (!choices.empty() && !r.word(choices.c_str(), which)) {
        return false;
    }
    stmt::fault s;
    s.entry = entries.at(static_cast<std::size_t>(which));
    using argument = fault_entry::argument;
    if ((s.entry->takes == argument::number &&
         !r.number(s.entry->what, 0, s.entry->most, s.args.value)) ||
        (s.entry->takes == argument::name && !r.text(s.entry->what, s.args.name))) {
        return false;
    }
    int after = 0;
    if (s.entry->after != nullptr && !r.word(s.entry->after, after)) {
        return false;
    }
    out = std::move(s);
    return true;
}

// A line for `help fault GROUP`: the group's first plain word, or the form of the
// groups whose faults all take an argument.
std::string fault_example(const std::string& group, const std::string& plain) {
    static const std::pair<const char*, const char*> kWithArgument[] = {
        {"gpi", "fault gpi bounce 3"},
        {"lookup", "fault lookup \"LD Button 1\" missing"},
    };
    for (const auto& known : kWithArgument) {
        if (group == known.first) {
            return known.second;
        }
    }
    const std::string first = plain.substr(0, plain.find('|'));
    return "fault " + group + (first.empty() ? "" : " " + first);
}

}  // namespace

// One "fault GROUP" row per device word of fault_table(), in its order: the
// group's own words and forms, and their helps. The texts live as long as the table.
std::vector<statement_entry> fault_statement_rows() {
    static std::deque<std::string> texts;
    const auto keep = [](std::string text) { return texts.emplace_back(std::move(text)).c_str(); };
    std::vector<statement_entry> rows;
    std::vector<std::string> groups;
    for (const auto& fault : fault_table()) {
        const std::string words = fault.words;
        const std::string group = words.substr(0, words.find(' '));
        if (std::find(groups.begin(), groups.end(), group) == groups.end()) {
            groups.push_back(group);
        }
    }
    for (const auto& group : groups) {
        std::string plain;
        std::vector<std::string> forms;
        std::string help;
        int count = 0;
        for (const auto& fault : fault_table()) {
            const std::string words = fault.words;
            if (words.substr(0, words.find(' ')) != group) {
                continue;
            }
            const std::string own =
                words.size() > group.size() ? words.substr(group.size() + 1) : "";
            const std::string form = fault.form;
            if (!own.empty() && form.empty()) {
                plain += (plain.empty() ? "" : "|") + own;
            } else {
                std::string both = own;
                both += own.empty() || form.empty() ? "" : " ";
                forms.push_back(both += form);
            }
            help += (help.empty() ? "" : "; ") + own + ": " + fault.help;
            ++count;
        }
        if (count == 1) {  // a group of one needs no names in its help
            help = help.substr(help.find(": ") + 2);
        }
        for (const auto& link : link_state_table()) {
            if (group == kind_name(link.on)) {  // switched by a live link, not a statement
                help += std::string("; ") + link.shown + " (a live link): " + link.help;
            }
        }
        if (!plain.empty()) {
            forms.insert(forms.begin(), plain);
        }
        rows.push_back(
            {keep("fault " + group),
             {keep(forms.empty() ? "" : forms[0]), forms.size() > 1 ? keep(forms[1]) : nullptr},
             keep(help),
             parse_fault,
             keep(fault_example(group, plain))});
    }
    return rows;
}

}  // namespace kest_host
