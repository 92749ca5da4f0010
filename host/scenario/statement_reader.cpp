#include "scenario/statement_reader.h"

#include "common/numbers.h"
#include "common/printable.h"
#include "common/suggest.h"

namespace kest_host {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

enum class text_end { closed, open, bad_escape, nul };

// A quoted text from just after its opening quote. Only \" and \\ are escapes, and
// no text may hold a NUL (the plug-in would see the text end there).
text_end read_text(const std::string& line, std::size_t& i, std::string& text) {
    while (i < line.size()) {
        if (line[i] == '\0') {
            return text_end::nul;
        }
        if (line[i] == '\\') {
            if (i + 1 >= line.size() || (line[i + 1] != '"' && line[i + 1] != '\\')) {
                return text_end::bad_escape;
            }
            text += line[i + 1];
            i += 2;
        } else if (line[i] == '"') {
            ++i;
            return text_end::closed;
        } else {
            text += line[i++];
        }
    }
    return text_end::open;
}

std::string text_error(text_end end, const std::string& line, std::size_t i) {
    const std::string column = " at column " + std::to_string(i + 1);
    switch (end) {
        case text_end::nul:
            return "a NUL byte" + column + " inside a text; texts may hold any byte but NUL";
        case text_end::bad_escape:
            return "unknown escape " + excerpt(line.substr(i, 2)) + column +
                   "; inside a text only \\\" (a quote) and \\\\ (a backslash) are escapes";
        default:
            return "a text opened with \" is not closed; close it with \" on the same line";
    }
}

}  // namespace

bool tokenize(const std::string& line, std::vector<token>& out, std::string& error) {
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (is_blank(c)) {
            ++i;
            continue;
        }
        if (c == '#') {
            break;
        }
        token t;
        if (c == '"') {
            t.quoted = true;
            ++i;
            const text_end end = read_text(line, i, t.text);
            if (end != text_end::closed) {
                error = text_error(end, line, i);
                return false;
            }
        } else {
            while (i < line.size() && !is_blank(line[i]) && line[i] != '#' && line[i] != '"') {
                t.text += line[i++];
            }
        }
        out.push_back(std::move(t));
    }
    return true;
}

bool statement_reader::number(const char* what, int64_t low, int64_t high, int64_t& value) {
    const std::string range = " from " + std::to_string(low) + " to " + std::to_string(high);
    if (pos_ >= tokens_.size() || tokens_[pos_].quoted) {
        return expected(std::string(what) + range);
    }
    const std::string& w = tokens_[pos_].text;
    int64_t v = 0;
    const number_status status = parse_decimal(w, v);
    if (status == number_status::malformed) {
        return expected(std::string(what) + range);
    }
    if (status == number_status::out_of_range || v < low || v > high) {
        error_ = std::string(what) + range + ", not " + excerpt(w);
        return false;
    }
    value = v;
    ++pos_;
    return true;
}

bool statement_reader::number32(const char* what, int64_t low, int64_t high, int32_t& value) {
    int64_t v = 0;
    if (!number(what, low, high, v)) {
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

bool statement_reader::text(const char* what, std::string& value) {
    if (pos_ >= tokens_.size() || !tokens_[pos_].quoted) {
        return expected(what);
    }
    value = tokens_[pos_++].text;
    return true;
}

bool statement_reader::word(const char* choices, int& which) {
    const std::string all = choices;
    if (pos_ < tokens_.size() && !tokens_[pos_].quoted) {
        std::size_t start = 0;
        for (int n = 0; start <= all.size(); ++n) {
            std::size_t end = all.find('|', start);
            if (end == std::string::npos) {
                end = all.size();
            }
            if (all.compare(start, end - start, tokens_[pos_].text) == 0) {
                which = n;
                ++pos_;
                return true;
            }
            start = end + 1;
        }
    }
    std::string list = all;
    for (std::size_t bar = list.find('|'); bar != std::string::npos; bar = list.find('|')) {
        list.replace(bar, 1, " or ");
    }
    expected("\"" + list + "\"");
    if (pos_ < tokens_.size() && !tokens_[pos_].quoted) {
        error_ += did_you_mean(tokens_[pos_].text, split_choices(all));
    }
    return false;
}

bool statement_reader::any(const char* what, std::string& value) {
    if (pos_ >= tokens_.size()) {
        return expected(what);
    }
    value = tokens_[pos_++].text;
    return true;
}

bool statement_reader::done() {
    if (pos_ < tokens_.size()) {
        error_ = "expected the end of the line, got \"" + excerpt(tokens_[pos_].text) + "\"";
        return false;
    }
    return true;
}

bool statement_reader::expected(const std::string& what) {
    error_ = "expected " + what;
    if (pos_ < tokens_.size()) {
        const char* quote = tokens_[pos_].quoted ? "\"" : "";
        error_ += ", got " + std::string(quote) + excerpt(tokens_[pos_].text) + quote;
    } else {
        error_ += " at the end of the line";
    }
    return false;
}

}  // namespace kest_host
