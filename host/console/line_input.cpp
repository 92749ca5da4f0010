#include "console/line_input.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "common/input_file.h"
#include "common/interrupt.h"
#include "console/completion.h"
#include "report/output_file.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#ifdef KEST_HOST_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace kest_host {

namespace {

// Plain lines: a pipe, a file, or a terminal without libedit (then with a prompt).
// Read with the same limits as a scenario file, so that endless input without a line
// break (/dev/zero) ends the session instead of filling the memory. Standard input is
// read straight from its descriptor, so that Ctrl-C ends a wait for a pipe.
class stream_input final : public line_input {
  public:
    stream_input(std::istream& in, std::ostream& out, bool prompt)
        : in_(in), out_(out), prompt_(prompt) {}

    result read(std::string& line) override {
        if (prompt_) {
            out_ << prompt() << std::flush;
        }
        line.clear();
        for (;;) {
            int c = next();
            if (c == kInterrupted) {
                return prompt_ ? result::interrupted : result::end;
            }
            if (c == kEnd) {
                if (line.empty() && !partial_) {
                    return interrupt_requested() && prompt_ ? result::interrupted : result::end;
                }
                break;
            }
            if (++total_ > input_limits::kFile) {
                why_ = "the input is longer than " + std::to_string(input_limits::kFile) +
                       " bytes; a session read from a pipe or a file may hold at most " +
                       std::to_string(input_limits::kFile) + " bytes";
                return result::refused;
            }
            partial_ = true;
            if (c == '\n') {
                break;
            }
            if (line.size() == input_limits::kLine) {
                why_ = "the line is longer than " + std::to_string(input_limits::kLine) +
                       " bytes; a line may hold at most " + std::to_string(input_limits::kLine) +
                       " bytes";
                return result::refused;
            }
            line += static_cast<char>(c);
        }
        partial_ = false;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return result::line;
    }
    bool prompts() const override { return prompt_; }
    std::string why() const override { return why_; }

  private:
    static constexpr int kEnd = -1;
    static constexpr int kInterrupted = -2;

    int next() {
#ifndef _WIN32
        if (&in_ == &std::cin) {
            if (at_ == got_) {
                ssize_t n = 0;
                do {
                    if (interrupt_requested()) {
                        return kInterrupted;
                    }
                    n = ::read(0, buffer_, sizeof buffer_);
                } while (n < 0 && errno == EINTR && !interrupt_requested());
                if (n < 0 && errno == EINTR) {
                    return kInterrupted;
                }
                if (n <= 0) {
                    return kEnd;
                }
                at_ = 0;
                got_ = static_cast<std::size_t>(n);
            }
            return static_cast<unsigned char>(buffer_[at_++]);
        }
#endif
        const auto c = in_.rdbuf()->sbumpc();
        return c == std::char_traits<char>::eof() ? kEnd : c;
    }

    std::istream& in_;
    std::ostream& out_;
    bool prompt_;
    bool partial_ = false;
    std::size_t total_ = 0;
    std::string why_;
    char buffer_[4096] = {};
    std::size_t at_ = 0;
    std::size_t got_ = 0;
};

#ifndef _WIN32
// Standard input read in whole reads of its descriptor, only once `wait_` says it
// can be read (so the loop runs while nothing comes); lines split here.
class waited_input final : public line_input {
  public:
    waited_input(std::ostream& out, bool prompt, input_waiter wait)
        : out_(out), prompt_(prompt), wait_(std::move(wait)) {}

    result read(std::string& line) override {
        if (prompt_) {
            out_ << prompt() << std::flush;
        }
        for (;;) {
            const auto end = buffered_.find('\n');
            if (end != std::string::npos) {
                line = buffered_.substr(0, end);
                buffered_.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                return result::line;
            }
            if (eof_) {
                if (buffered_.empty()) {
                    return result::end;
                }
                line.swap(buffered_);
                buffered_.clear();
                return result::line;
            }
            if (!wait_(0)) {
                return interrupt_requested() ? result::interrupted : result::end;
            }
            char chunk[4096];
            const ssize_t n = ::read(0, chunk, sizeof chunk);
            if (n <= 0) {
                eof_ = true;
            } else if (buffered_.size() < kLongestLine) {
                buffered_.append(chunk, static_cast<std::size_t>(n));
            }
        }
    }
    bool prompts() const override { return prompt_; }

  private:
    // A line longer than a scenario line may be is cut (the parser refuses it).
    static constexpr std::size_t kLongestLine = std::size_t{128} * 1024;
    std::ostream& out_;
    bool prompt_;
    input_waiter wait_;
    std::string buffered_;
    bool eof_ = false;
};
#endif

#ifdef KEST_HOST_HAVE_LIBEDIT

std::vector<std::string> pending_matches;

char* next_match(const char* /*text*/, int state) {
    static std::size_t next = 0;
    if (state == 0) {
        next = 0;
    }
    if (next >= pending_matches.size()) {
        return nullptr;
    }
    return strdup(pending_matches[next++].c_str());
}

char** complete(const char* text, int start, int /*end*/) {
    bool file_wanted = false;
    const std::string before(rl_line_buffer, static_cast<std::size_t>(start));
    pending_matches = completions(before + text, file_wanted);
    if (file_wanted) {
        pending_matches = file_completions(text);
    }
    rl_attempted_completion_over = 1;
    // A folder completed alone goes on with its entries: no blank after its "/".
    const bool folder = pending_matches.size() == 1 && pending_matches.front().back() == '/';
    rl_completion_append_character = folder ? 0 : static_cast<unsigned char>(' ');
    if (pending_matches.empty()) {
        return nullptr;
    }
    return rl_completion_matches(text, next_match);
}

constexpr int kHistoryLines = 500;

// Where the lines typed at the prompt are kept between sessions: KEST_HOST_HISTORY
// (empty: nowhere), else ~/.kest_host_history.
std::string history_file() {
    if (const char* chosen = std::getenv("KEST_HOST_HISTORY")) {
        return chosen;
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] != '\0' ? std::string(home) + "/.kest_host_history" : "";
}

// libedit's readline interface: editing, history, Tab completion.
class edit_input final : public line_input {
  public:
    edit_input() : history_(history_file()) {
        rl_readline_name = "kest-host";
        rl_attempted_completion_function = complete;
        rl_initialize();
        stifle_history(kHistoryLines);
        // Read only from a regular file (none yet on a first session): a FIFO would
        // hold the console before its first prompt.
        std::string content;
        std::string ignored;
        if (!history_.empty() && read_input_file(history_, "history", content, ignored)) {
            read_history(history_.c_str());
        }
    }

    explicit edit_input(input_waiter wait) : edit_input() { wait_ = std::move(wait); }

    result read(std::string& line) override {
        std::fflush(stdout);
        char* text = wait_ ? read_between_events() : readline(prompt().c_str());
        if (text == nullptr) {
            if (interrupt_requested()) {
                return result::interrupted;
            }
            return result::end;
        }
        line = text;
        std::free(text);  // NOLINT(cppcoreguidelines-no-malloc): readline's own allocation
        if (interrupt_requested()) {
            return result::interrupted;
        }
        if (line.find_first_not_of(" \t") != std::string::npos && !asking()) {
            add_history(line.c_str());
            // Written at once, so that a session ended any way keeps what was typed,
            // and as every output is (through a link to its target, atomically, with
            // its permissions). A file that cannot be written costs the history only,
            // never the session.
            if (!history_.empty()) {
                std::string ignored;
                report::replace_output_file(
                    history_,
                    [](const std::string& temporary) {
                        return write_history(temporary.c_str()) == 0;
                    },
                    ignored);
            }
        }
        return result::line;
    }
    bool prompts() const override { return true; }
    void redisplay() override {
        if (wait_) {
            rl_forced_update_display();
        }
    }

  private:
    // libedit's callback interface: one character each time standard input can be
    // read, so that the loop serves the network while a person types. Null at the end
    // of input or when the wait was ended.
    char* read_between_events() {
        static char* typed = nullptr;
        static bool done = false;
        typed = nullptr;
        done = false;
        rl_callback_handler_install(prompt().c_str(), [](char* text) {
            typed = text;
            done = true;
            rl_callback_handler_remove();
        });
        while (!done) {
            if (!wait_(0)) {
                rl_callback_handler_remove();
                return nullptr;
            }
            rl_callback_read_char();
        }
        return typed;
    }

    std::string history_;
    input_waiter wait_;
};

#endif

}  // namespace

std::unique_ptr<line_input> make_line_input(std::istream& in, std::ostream& out, bool terminal) {
#ifdef KEST_HOST_HAVE_LIBEDIT
    if (terminal) {
        return std::make_unique<edit_input>();
    }
#endif
    return std::make_unique<stream_input>(in, out, terminal);
}

std::unique_ptr<line_input> make_line_input(std::ostream& out, bool terminal, input_waiter wait) {
#ifdef KEST_HOST_HAVE_LIBEDIT
    if (terminal) {
        return std::make_unique<edit_input>(std::move(wait));
    }
#endif
#ifdef _WIN32
    static_cast<void>(wait);  // no live mode here: nothing to serve while reading
    return std::make_unique<stream_input>(std::cin, out, terminal);
#else
    return std::make_unique<waited_input>(out, terminal, std::move(wait));
#endif
}

}  // namespace kest_host
