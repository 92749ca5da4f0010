#include "protocol/command_text.h"

#include <cstring>
#include <vector>

#include "common/numbers.h"
#include "kest_command_grammar.h"

namespace kest_host {

namespace {

// The argument letters of a form with the "[ ]" of optional arguments removed, and
// how many of them are required.
struct expanded_form {
    std::string letters;
    std::size_t required = 0;
};

expanded_form expand(const char* arguments) {
    expanded_form out;
    bool optional = false;
    for (const char* p = arguments; *p != '\0'; ++p) {
        if (*p == '[') {
            optional = true;
        } else if (*p == ']') {
            optional = false;
        } else {
            out.letters += *p;
            if (!optional) {
                ++out.required;
            }
        }
    }
    return out;
}

const char* letter_name(char letter) {
    switch (letter) {
        case 'N':
            return "a number";
        case 'T':
            return "a quoted text";
        default:
            return "'ADD'";
    }
}

// A plain decimal: no leading zeros and no "-0", within 32 bits.
bool parse_number(const std::string& word, int32_t& value) {
    const std::size_t digits = !word.empty() && word[0] == '-' ? 1 : 0;
    if (word.size() > digits && word[digits] == '0' && (word.size() - digits > 1 || digits == 1)) {
        return false;
    }
    return parse_decimal(word, value) == number_status::ok;
}

// Why a match failed, recorded as it happens and worded once at the end: the matcher
// may try many splits of a line with many "' ", and most of them fail.
enum class miss { missing, trailing, separator, number, add, text, unclosed };

class matcher {
  public:
    matcher(const std::string& text, const std::string& letters, std::size_t required)
        : text_(text),
          letters_(letters),
          required_(required),
          failed_from_(letters.size(), std::string::npos) {}

    // Matches the arguments from `pos` (just after the code) onwards.
    bool run(parsed_command& out) { return match(2, 0, out); }

    // What is wrong with the argument furthest into the line.
    std::string error() const {
        switch (miss_) {
            case miss::missing:
                return "missing argument " + std::to_string(argument_ + 1) + " (" +
                       letter_name(letters_[argument_]) + ")";
            case miss::trailing:
                return "unexpected text after the last argument: \"" + text_.substr(pos_) + "\"";
            case miss::separator:
                return "arguments must be separated by one space";
            case miss::number:
                return label(argument_) + " (plain decimal within 32 bits), not \"" +
                       text_.substr(pos_, end_ - pos_) + "\"";
            case miss::unclosed:
                return label(argument_) + " closed by a quote";
            default:
                return label(argument_);
        }
    }

  private:
    void note(std::size_t argument, miss what, std::size_t pos = 0, std::size_t end = 0) {
        // Keep the error of the argument furthest into the line: it is the useful one.
        if (argument + 1 >= deepest_) {
            deepest_ = argument + 1;
            argument_ = argument;
            miss_ = what;
            pos_ = pos;
            end_ = end;
        }
    }

    bool match(std::size_t pos, std::size_t argument, parsed_command& out) {
        if (pos == text_.size()) {
            if (argument >= required_) {
                return true;
            }
            note(argument, miss::missing);
            return false;
        }
        if (argument == letters_.size()) {
            note(argument, miss::trailing, pos);
            return false;
        }
        if (text_[pos] != ' ') {
            note(argument, miss::separator);
            return false;
        }
        switch (letters_[argument]) {
            case 'N':
                return match_number(pos + 1, argument, out);
            case 'A':
                return match_add(pos + 1, argument, out);
            default:
                return match_text(pos + 1, argument, out);
        }
    }

    std::string label(std::size_t argument) const {
        return "argument " + std::to_string(argument + 1) + " must be " +
               letter_name(letters_[argument]);
    }

    bool match_number(std::size_t pos, std::size_t argument, parsed_command& out) {
        std::size_t end = text_.find(' ', pos);
        if (end == std::string::npos) {
            end = text_.size();
        }
        command_argument arg;
        if (!parse_number(text_.substr(pos, end - pos), arg.number)) {
            note(argument, miss::number, pos, end);
            return false;
        }
        out.arguments.push_back(arg);
        if (match(end, argument + 1, out)) {
            return true;
        }
        out.arguments.pop_back();
        return false;
    }

    bool match_add(std::size_t pos, std::size_t argument, parsed_command& out) {
        static const char kAdd[] = "'ADD'";
        if (text_.compare(pos, sizeof kAdd - 1, kAdd) != 0) {
            note(argument, miss::add);
            return false;
        }
        out.add = true;
        if (match(pos + sizeof kAdd - 1, argument + 1, out)) {
            return true;
        }
        out.add = false;
        return false;
    }

    // A quoted text: try every closing quote that is followed by a space or the end.
    //
    // Whether the rest of the line matches after a given closing quote does not depend
    // on where the text opened, and a text opening further on has only some of the
    // same closing quotes to try. So once every quote has failed for a text opening
    // at `pos`, a text opening at `pos` or later fails too, and is not tried again.
    // Without this a line with many "' " took time of the cube of its length (a
    // 4 KB command stopped the host for 15 seconds); with it, time grows with the
    // length.
    bool match_text(std::size_t pos, std::size_t argument, parsed_command& out) {
        if (pos >= text_.size() || text_[pos] != '\'') {
            note(argument, miss::text);
            return false;
        }
        if (pos >= failed_from_[argument]) {
            return false;
        }
        for (std::size_t close = text_.find('\'', pos + 1); close != std::string::npos;
             close = text_.find('\'', close + 1)) {
            if (close + 1 != text_.size() && text_[close + 1] != ' ') {
                continue;
            }
            // The text itself is copied only once the whole line has matched.
            const std::size_t index = out.arguments.size();
            out.arguments.emplace_back();
            out.arguments.back().is_text = true;
            if (match(close + 1, argument + 1, out)) {
                out.arguments[index].text = text_.substr(pos + 1, close - pos - 1);
                return true;
            }
            out.arguments.pop_back();
        }
        failed_from_[argument] = pos;
        note(argument, miss::unclosed);
        return false;
    }

    const std::string& text_;
    const std::string& letters_;
    std::size_t required_;
    std::vector<std::size_t> failed_from_;  // per argument: texts opening here or later fail
    std::size_t deepest_ = 0;
    std::size_t argument_ = 0;
    miss miss_ = miss::missing;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

}  // namespace

bool parse_command(const std::string& text, parsed_command& out, std::string& error) {
    out = parsed_command{};
    if (text.size() < 2) {
        error = "too short for a command code";
        return false;
    }
    if (text.find('\n') != std::string::npos || text.find('\r') != std::string::npos) {
        error = "a command is one line; it holds a line end";
        return false;
    }
    const std::string code = text.substr(0, 2);
    const kest_command::form* found = nullptr;
    for (const auto& form : kest_command::kForms) {
        if (code == form.code) {
            found = &form;
            break;
        }
    }
    if (found == nullptr) {
        error = "unknown command code \"" + code + "\"";
        return false;
    }
    out.code = code;
    out.form = found->arguments;
    out.query = found->query;
    const expanded_form form = expand(found->arguments);
    if (text.size() > 2 && text[2] != ' ') {
        error = "the command code must be followed by a space";
        return false;
    }
    matcher m(text, form.letters, form.required);
    if (!m.run(out)) {
        error = m.error() + " (" + code + " takes " + found->arguments + ")";
        out.arguments.clear();
        return false;
    }
    return true;
}

bool property_assignment_ok(const parsed_command& command) {
    return command.code != "TP" || command.arguments[0].text.find('=') != std::string::npos;
}

std::optional<device_kind> device_kind_of(const std::string& code) {
    if (code == "RN" || code == "RC") {
        return device_kind::router;
    }
    if (code.size() != 2 || (code[1] != 'R' && code[1] != 'P' && code[1] != 'U')) {
        return std::nullopt;
    }
    switch (code[0]) {
        case 'R':
            return device_kind::router;
        case 'I':
            return device_kind::infodriver;
        case 'G':
            return device_kind::gpi;
        default:
            return std::nullopt;
    }
}

}  // namespace kest_host
