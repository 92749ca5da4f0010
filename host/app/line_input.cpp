#include "app/line_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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

    result read(std::string& line) override {
        std::fflush(stdout);
        char* text = readline(kPrompt);
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

  private:
    std::string history_;
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

}  // namespace kest_host
