#include "scenario/scenario_parser.h"

#include <algorithm>
#include <sstream>

#include "checks/check.h"
#include "scenario/statement_reader.h"
#include "scenario/statement_table.h"

namespace kest_host {

namespace {

bool parse_statement(const std::vector<token>& tokens, statement& out, std::string& error) {
    if (tokens[0].quoted) {
        error = "expected a statement word, got a quoted text";
        return false;
    }
    statement_reader r(tokens, error);
    std::string keyword = tokens[0].text;
    if (keyword == "expect" || keyword == "fault") {
        static const std::string faults = second_words("fault");
        int which = 0;
        if (!r.word(keyword == "expect" ? expectation_words().c_str() : faults.c_str(), which)) {
            return false;
        }
        keyword += " " + tokens[1].text;
    }
    const statement_entry* entry = find_statement(keyword);
    if (entry == nullptr) {
        error =
            "expected a statement (device, instance, slot, name, route, start, press, "
            "release, advance, request, button, show, fault, expect, ...), got \"" +
            keyword + "\"";
        return false;
    }
    return entry->parse(r, out) && r.done();
}

// The statement as written: the comment and the blanks around it cut off.
std::string source_of(const std::string& text) {
    std::string source = text.substr(0, text.find('#'));
    if (std::count(source.begin(), source.end(), '"') % 2 != 0) {
        source = text;  // the "#" was inside a text
    }
    const auto first = source.find_first_not_of(" \t");
    const auto last = source.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : source.substr(first, last - first + 1);
}

}  // namespace

bool parse_scenario_line(const std::string& text, const std::string& file, int line,
                         std::optional<step>& out, std::string& error) {
    out.reset();
    const std::string where = file + ":" + std::to_string(line) + ": ";
    std::vector<token> tokens;
    std::string why;
    if (!tokenize(text, tokens, why)) {
        error = where + why;
        return false;
    }
    if (tokens.empty()) {
        return true;
    }
    if (text.find(static_cast<char>(kReplyPoison)) != std::string::npos) {
        error = where + "byte 0xFE is reserved: the host marks released replies with it";
        return false;
    }
    step s;
    s.line = line;
    s.source = source_of(text);
    if (!parse_statement(tokens, s.what, why)) {
        error = where + tokens[0].text + ": " + why;
        return false;
    }
    out = std::move(s);
    return true;
}

bool parse_scenario(const std::string& content, const std::string& file, scenario& out,
                    std::string& error) {
    out = scenario{};
    out.file = file;
    std::istringstream lines(content);
    std::string text;
    int line = 0;
    while (std::getline(lines, text)) {
        ++line;
        std::optional<step> s;
        if (!parse_scenario_line(text, file, line, s, error)) {
            return false;
        }
        if (s) {
            out.steps.push_back(std::move(*s));
        }
    }
    return true;
}

}  // namespace kest_host
