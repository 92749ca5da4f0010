// Reading one scenario line: its tokens, and the arguments of a statement with a
// precise message for whatever is not as expected.
//
//   line   = *( blank / token ) [ "#" *any ]
//   token  = word / text
//   word   = 1*( any but blank, "#" and DQUOTE )
//   text   = DQUOTE *( "\" DQUOTE / "\\" / any but DQUOTE ) DQUOTE
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace kest_host {

// The bounds of a 32-bit argument, as the reads take them.
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();

// The last step of a statement's parser: the statement read, and success.
template <class Statement, class T>
bool done(Statement& out, T value) {
    out = std::move(value);
    return true;
}

struct token {
    std::string text;
    bool quoted = false;
};

// Splits a line; false with `error` for a text that is not closed.
bool tokenize(const std::string& line, std::vector<token>& out, std::string& error);

// Reads the arguments after the statement word(s); each read either takes the next
// token or sets the error ("expected ..., got ...").
class statement_reader {
  public:
    statement_reader(const std::vector<token>& tokens, std::string& error)
        : tokens_(tokens), error_(error) {}

    bool number(const char* what, int64_t low, int64_t high, int64_t& value);
    bool number32(const char* what, int64_t low, int64_t high, int32_t& value);
    bool text(const char* what, std::string& value);
    // One of the words in `choices` (separated by "|"); its index goes to `which`.
    bool word(const char* choices, int& which);
    // A bare word or a quoted text.
    bool any(const char* what, std::string& value);
    bool more() const { return pos_ < tokens_.size(); }
    // The token read last (the statement word before any argument is read).
    const std::string& last() const { return tokens_[pos_ - 1].text; }
    bool next_is_text() const { return more() && tokens_[pos_].quoted; }
    bool done();
    // Sets `message` as the error; returns false.
    bool fail(const std::string& message) {
        error_ = message;
        return false;
    }

  private:
    bool expected(const std::string& what);

    const std::vector<token>& tokens_;
    std::string& error_;
    std::size_t pos_ = 1;
};

}  // namespace kest_host
