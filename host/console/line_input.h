// Where the console's lines come from. On a terminal (with libedit) a line can be
// edited, the history is under the arrow keys and Tab completes statement words;
// otherwise (a pipe, a file, a build without libedit) plain lines are read, with no
// echo of their own.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>

namespace kest_host {

class line_input {
  public:
    // `refused`: the input passed a limit (a line longer than input_limits::kLine, or
    // more than input_limits::kFile bytes from a pipe or a file); why() says which.
    enum class result { line, interrupted, end, refused };

    virtual ~line_input() = default;
    // Reads the next line (without its end). `interrupted`: Ctrl-C dropped the line
    // being typed.
    virtual result read(std::string& line) = 0;
    // A prompt is shown, so the end of input leaves the cursor on the prompt line.
    virtual bool prompts() const = 0;
    // Shows the prompt and the line typed so far again, after other output.
    virtual void redisplay() {}
    // Why the last read was refused.
    virtual std::string why() const { return ""; }
    // Reads one line with `question` in place of the prompt (kept out of the history).
    result ask(const std::string& question, std::string& answer) {
        prompt_ = question;
        const result r = read(answer);
        prompt_ = kPrompt;
        return r;
    }

  protected:
    static constexpr const char* kPrompt = "kest> ";
    const std::string& prompt() const { return prompt_; }
    bool asking() const { return prompt_ != kPrompt; }

  private:
    std::string prompt_ = kPrompt;
};

// Waits until descriptor `fd` can be read, while the program serves its other work
// (the live loop's sockets and timers); false when the wait was ended instead
// (SIGTERM, Ctrl-C).
using input_waiter = std::function<bool(int fd)>;

// `terminal`: standard input is a terminal (then `in` must be std::cin and `out`
// std::cout).
std::unique_ptr<line_input> make_line_input(std::istream& in, std::ostream& out, bool terminal);
// The same on a loop that must go on while a person types: standard input is read
// only when `wait` says it can be, one character at a time on a terminal (libedit's
// callback interface), in whole reads of the descriptor otherwise.
std::unique_ptr<line_input> make_line_input(std::ostream& out, bool terminal, input_waiter wait);

}  // namespace kest_host
