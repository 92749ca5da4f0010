#include "scenario/scenario_parser.h"

#include <algorithm>
#include <sstream>

#include "common/diagnostic.h"
#include "common/input_file.h"
#include "common/printable.h"
#include "common/suggest.h"
#include "protocol/reply_poison.h"
#include "scenario/statement_reader.h"
#include "scenario/statement_table.h"

namespace kest_host {

namespace {

// "... within MS" at the end of an expectation: taken off the tokens.
bool take_within(std::vector<token>& tokens, std::optional<int64_t>& within, std::string& error) {
    const std::size_t n = tokens.size();
    if (n < 3 || tokens[n - 2].quoted || tokens[n - 2].text != "within") {
        return true;
    }
    constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;
    const std::vector<token> tail(tokens.end() - 2, tokens.end());
    statement_reader r(tail, error);
    int64_t ms = 0;
    if (!r.number("a time in ms after within", 0, kDayMs, ms)) {
        return false;
    }
    within = ms;
    tokens.resize(n - 2);
    return true;
}

bool parse_statement(std::vector<token> tokens, statement& out, std::optional<int64_t>& within,
                     std::string& error) {
    if (tokens[0].quoted) {
        error = "expected a statement word, got a quoted text";
        return false;
    }
    if (!tokens[0].quoted && tokens[0].text == "expect" && !take_within(tokens, within, error)) {
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
        std::vector<std::string> words;
        for (const auto& e : statement_table()) {
            const std::string first = e.keyword;
            words.push_back(first.substr(0, first.find(' ')));
        }
        const std::string near = did_you_mean(keyword, words);
        error = "unknown statement \"" + excerpt(keyword) + "\"" +
                (near.empty() ? "; the statements are device, instance, slot, name, route, "
                                "start, press, release, advance, request, button, show, fault, "
                                "expect, ... (docs/kest-host.md lists them all)"
                              : near);
        return false;
    }
    return entry->parse(r, out) && r.done();
}

// The statement as written: the comment and the blanks around it cut off.
std::string source_of(const std::string& text) {
    // The comment starts at the first "#" outside the texts; inside a text a
    // backslash escapes the next character (the line has been tokenized, so its
    // quotes pair up).
    std::size_t end = text.size();
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (quoted && text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == '#' && !quoted) {
            end = i;
            break;
        }
    }
    const std::string source = text.substr(0, end);
    const auto first = source.find_first_not_of(" \t");
    const auto last = source.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : source.substr(first, last - first + 1);
}

std::string first_word(const std::string& source) {
    return source.substr(0, source.find_first_of(" \t"));
}

}  // namespace

bool file_errors::add(const std::string& error) {
    text_ += (text_.empty() ? "" : "\n") + error;
    if (++count_ == kMost) {
        text_ += "\n" + printable(file_) + ": " + std::to_string(kMost) +
                 " errors; the rest of the file was not read";
        return false;
    }
    return true;
}

bool parse_scenario_line(const std::string& text, const std::string& file, int line,
                         std::optional<step>& out, std::string& error) {
    out.reset();
    const std::string where = error_at(file, line);
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
    const std::string first = excerpt(tokens[0].text);
    if (!parse_statement(std::move(tokens), s.what, s.within, why)) {
        error = where + first + ": " + why;
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
    file_errors errors(file);
    while (std::getline(lines, text)) {
        ++line;
        if (line == 1) {
            drop_byte_order_mark(text);
        }
        std::optional<step> s;
        std::string why;
        if (!parse_scenario_line(text, file, line, s, why)) {
            if (!errors.add(why)) {
                break;
            }
        } else if (s && group_of(s->what) == statement_group::console) {
            if (!errors.add(error_at(file, line) + first_word(s->source) +
                            ": only at the interactive prompt (kest-host --interactive), not in "
                            "a file")) {
                break;
            }
        } else if (s) {
            out.steps.push_back(std::move(*s));
        }
    }
    if (errors.any()) {
        error = errors.text();
        return false;
    }
    return true;
}

}  // namespace kest_host
