#include "scenario/statement_reader.h"

#include "common/numbers.h"

namespace kest_host {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// A quoted text from just after its opening quote; false when it is not closed.
bool read_text(const std::string& line, std::size_t& i, std::string& text) {
    while (i < line.size()) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
            text += line[i + 1];
            i += 2;
        } else if (line[i] == '"') {
            ++i;
            return true;
        } else {
            text += line[i++];
        }
    }
    return false;
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
            if (!read_text(line, i, t.text)) {
                error = "a text opened with \" is not closed";
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
    // Longer words are not taken for numbers at all, so that "99999999999999" reads
    // as "expected a number" rather than as a range error.
    constexpr std::size_t kLongestNumber = 12;
    if (pos_ >= tokens_.size() || tokens_[pos_].quoted) {
        return expected(what);
    }
    const std::string& w = tokens_[pos_].text;
    int64_t v = 0;
    if (w.size() > kLongestNumber || parse_decimal(w, v) != number_status::ok) {
        return expected(what);
    }
    if (v < low || v > high) {
        error_ = std::string(what) + " from " + std::to_string(low) + " to " +
                 std::to_string(high) + ", not " + w;
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
    return expected("\"" + list + "\"");
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
        error_ = "expected the end of the line, got \"" + tokens_[pos_].text + "\"";
        return false;
    }
    return true;
}

bool statement_reader::expected(const std::string& what) {
    error_ = "expected " + what;
    if (pos_ < tokens_.size()) {
        const char* quote = tokens_[pos_].quoted ? "\"" : "";
        error_ += ", got " + std::string(quote) + tokens_[pos_].text + quote;
    } else {
        error_ += " at the end of the line";
    }
    return false;
}

}  // namespace kest_host
