#include "app/line_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "app/completion.h"
#include "common/interrupt.h"

#ifdef KEST_HOST_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace kest_host {

namespace {

constexpr const char kPrompt[] = "kest> ";

// Plain lines: a pipe, a file, or a terminal without libedit (then with a prompt).
class stream_input final : public line_input {
  public:
    stream_input(std::istream& in, std::ostream& out, bool prompt)
        : in_(in), out_(out), prompt_(prompt) {}

    result read(std::string& line) override {
        if (prompt_) {
            out_ << kPrompt << std::flush;
        }
        if (std::getline(in_, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return result::line;
        }
        if (interrupt_requested() && prompt_) {
            in_.clear();
            return result::interrupted;
        }
        return result::end;
    }
    bool prompts() const override { return prompt_; }

  private:
    std::istream& in_;
    std::ostream& out_;
    bool prompt_;
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
            out_ << kPrompt << std::flush;
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
    rl_attempted_completion_over = file_wanted ? 0 : 1;
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
        if (!history_.empty()) {
            read_history(history_.c_str());  // none yet on a first session
        }
    }

    explicit edit_input(input_waiter wait) : edit_input() { wait_ = std::move(wait); }

    result read(std::string& line) override {
        std::fflush(stdout);
        char* text = wait_ ? read_between_events() : readline(kPrompt);
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
        if (line.find_first_not_of(" \t") != std::string::npos) {
            add_history(line.c_str());
            // Written at once, so that a session ended any way keeps what was typed.
            // A file that cannot be written costs the history only, never the session.
            if (!history_.empty()) {
                write_history(history_.c_str());
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
        rl_callback_handler_install(kPrompt, [](char* text) {
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
