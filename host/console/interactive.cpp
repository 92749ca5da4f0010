#include "console/interactive.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "common/diagnostic.h"
#include "common/interrupt.h"
#include "common/printable.h"
#include "console/line_input.h"
#include "console/session_record.h"
#include "report/output_file.h"
#include "scenario/scenario_file.h"
#include "scenario/statement_table.h"

namespace kest_host {

namespace {

// The line without the blanks around it.
std::string trimmed(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

constexpr const char kKeys[] =
    "Keys: the usual editing keys; Up/Down: the history; Tab completes a statement\n"
    "word or a file name; Ctrl-C stops a long step; Ctrl-D ends the session.\n";

}  // namespace

class console {
  public:
    console(const console_setup& setup, std::istream& in, std::ostream& out, std::ostream& err)
        : runner_(std::make_unique<scenario_runner>(setup.options, out)),
          options_(setup.options),
          on_start_(setup.on_start),
          out_(out),
          err_(err),
          terminal_(setup.terminal) {
        if (setup.wait_input) {
            auto wait = setup.wait_input;
            input_ = make_line_input(out, setup.terminal, [this, wait](int fd) {
                return wait(fd, [this] { redraw_if_reported(); });
            });
        } else {
            input_ = make_line_input(in, out, setup.terminal);
        }
        if (!setup.options.quiet) {
            runner_->set_trace(stmt::trace_level::brief);
        }
        if (on_start_) {
            on_start_(*runner_);
        }
    }

    int run(const scenario& start);

    // For a driver that reads the lines itself (console_session).
    enum class outcome { go_on, quit };
    void begin(const scenario& start);
    outcome next_line(const std::string& line, const std::string& from) {
        ++line_;
        return typed(line, from);
    }
    bool over() const { return over_; }
    int finish() { return std::max(ended_status_, runner_->finish()); }
    scenario_runner& runner() { return *runner_; }

  private:
    outcome typed(const std::string& line, const std::string& from = "input");
    outcome console_statement(const step& s);
    bool play(const scenario& file);
    bool run_step(const step& s, const std::string& file);
    void load(const std::string& file, bool fresh);
    bool start_afresh(const std::string& why);
    bool ask(const std::string& question);
    void record(const std::string& file, bool force);
    void help(const std::string& topic);
    void error(const std::string& message) {
        print_error(err_, message);
        failed_line_ = true;
    }
    void interrupted();
    // Live mode: the panel drawn again when events reached it while the prompt waited.
    void redraw_if_reported();

    std::unique_ptr<scenario_runner> runner_;
    run_options options_;
    std::function<void(scenario_runner&)> on_start_;
    int ended_status_ = 0;  // the worst exit status of the sessions `load --fresh` ended
    std::unique_ptr<line_input> input_;
    std::ostream& out_;
    std::ostream& err_;
    session_record record_;
    int line_ = 0;
    bool over_ = false;  // the plug-in or its layout failed: no more steps
    bool terminal_;
    bool failed_line_ = false;  // a line could not be carried out
    uint64_t drawn_at_ = 0;     // events delivered when the panel was last drawn
};

void console::redraw_if_reported() {
    const uint64_t delivered = runner_->host().events_delivered();
    if (delivered == drawn_at_ || !runner_->panel_live()) {
        return;
    }
    drawn_at_ = delivered;
    out_ << "\n";
    step show;
    show.what = stmt::show{};
    show.source = "show";
    const stmt::trace_level level = runner_->trace();
    runner_->set_trace(stmt::trace_level::off);  // the drawing alone, no step line
    runner_->execute(show, "router");
    runner_->set_trace(level);
    out_ << std::flush;
    input_->redisplay();
}

void console::begin(const scenario& start) {
    out_ << "kest-host interactive: type help for the statements, quit or Ctrl-D to end.\n";
    if (!start.steps.empty()) {
        record_.section("played from " + start.file);
        play(start);
    }
    record_.section("typed at the prompt");
}

int console::run(const scenario& start) {
    begin(start);
    std::string line;
    while (!over_) {
        drawn_at_ = runner_->host().events_delivered();
        const line_input::result r = input_->read(line);
        if (r == line_input::result::refused) {
            error(error_at("input", line_ + 1) + input_->why());
            break;
        }
        if (r == line_input::result::end && !terminal_ && interrupt_requested()) {
            clear_interrupt();
            error("interrupted: the rest of the input is not read");
            break;
        }
        if (r == line_input::result::end) {
            if (input_->prompts()) {
                out_ << "\n";  // the summary goes on a line of its own, not the prompt's
            }
            break;
        }
        ++line_;
        if (r == line_input::result::interrupted) {
            clear_interrupt();
            out_ << "\n";
            continue;
        }
        if (typed(line) == outcome::quit) {
            break;
        }
    }
    const int status = finish();
    // Lines from a pipe or a file are a script: one that could not be carried out is
    // an error of the session, as a bad line of a scenario file is. At a terminal the
    // person saw the message and went on.
    return failed_line_ && !terminal_ ? std::max(status, 2) : status;
}

console::outcome console::typed(const std::string& line, const std::string& from) {
    const std::string word = trimmed(line);
    std::optional<step> s;
    std::string why;
    if (word == "exit" || word == "?") {
        parse_scenario_line(word == "?" ? "help" : "quit", from, line_, s, why);
    } else if (!parse_scenario_line(line, from, line_, s, why)) {
        error(why + " (type help)");
        return outcome::go_on;
    }
    if (!s) {
        return outcome::go_on;
    }
    if (group_of(s->what) == statement_group::console) {
        return console_statement(*s);
    }
    run_step(*s, from);
    return outcome::go_on;
}

console::outcome console::console_statement(const step& s) {
    if (std::holds_alternative<stmt::quit>(s.what)) {
        return outcome::quit;
    }
    if (const auto* t = std::get_if<stmt::trace>(&s.what)) {
        runner_->set_trace(t->level);
    } else if (const auto* l = std::get_if<stmt::load>(&s.what)) {
        load(l->file, l->fresh);
    } else if (const auto* r = std::get_if<stmt::record>(&s.what)) {
        record(r->file, r->force);
    } else if (const auto* h = std::get_if<stmt::help>(&s.what)) {
        help(h->topic);
    }
    return outcome::go_on;
}

// Runs one step and records it. False when it could not run.
bool console::run_step(const step& s, const std::string& file) {
    const uint64_t failed_before = runner_->failed_expectations();
    const bool ok = runner_->execute(s, file);
    if (interrupt_requested()) {
        interrupted();
    }
    if (!ok) {
        if (runner_->fatal()) {
            over_ = true;  // finish() reports the error
            return false;
        }
        error(runner_->error());
        runner_->clear_error();
        return false;
    }
    record_.played(s, file, runner_->failed_expectations() != failed_before);
    return true;
}

void console::interrupted() {
    clear_interrupt();
    out_ << "interrupted: the clock stands at " << runner_->host().now() << " ms\n";
}

// Plays a file's steps until one cannot run or Ctrl-C stops it.
bool console::play(const scenario& file) {
    for (std::size_t i = 0; i < file.steps.size(); ++i) {
        if (interrupt_requested()) {
            clear_interrupt();
            out_ << "interrupted: " << file.steps.size() - i << " statements of " << file.file
                 << " not played\n";
            return false;
        }
        if (!run_step(file.steps[i], file.file)) {
            return false;
        }
    }
    return true;
}

void console::load(const std::string& file, bool fresh) {
    scenario parsed;
    std::string why;
    scenario_limits limits;
    limits.values = &options_.values;  // ${NAME} as in a scenario file given to kest-host
    if (!read_scenario_file(file, parsed, why, limits)) {
        error("load: " + why);
        return;
    }
    if (parsed.steps.empty()) {
        error("load: " + printable(file) + " holds no statements; nothing was played");
        return;
    }
    const bool declares = std::any_of(parsed.steps.begin(), parsed.steps.end(), [](const step& s) {
        return std::holds_alternative<stmt::device>(s.what);
    });
    if (!fresh && declares && !runner_->host().world().devices().empty()) {
        const std::string clash =
            printable(file) + " declares devices, and this session has devices already";
        if (!terminal_) {
            error("load: " + clash + "; `load --fresh " + printable(file) +
                  "` ends this session and plays it in a fresh one");
            return;
        }
        if (!ask(clash + ". End this session and play it in a fresh one? [y/N] ")) {
            out_ << "nothing loaded (`load --fresh " << printable(file)
                 << "` does it without asking)\n";
            return;
        }
        fresh = true;
    }
    if (fresh && !start_afresh("load --fresh " + file)) {
        return;
    }
    record_.section("load " + file);
    const bool whole = play(parsed);
    record_.section("typed at the prompt");
    if (whole) {
        out_ << "loaded " << printable(file) << ": " << parsed.steps.size()
             << " statements played\n";
    } else {
        // play() or the step said what stopped it.
        failed_line_ = true;
    }
}

bool console::ask(const std::string& question) {
    std::string answer;
    const bool read = input_->ask(question, answer) == line_input::result::line;
    const std::string word = trimmed(answer);
    return read && (word == "y" || word == "yes" || word == "Y");
}

// Ends the session as quit would (its panel, checks and summary printed, its exit
// status kept for the end) and makes a fresh one with no devices, traced as before.
bool console::start_afresh(const std::string& why) {
    if (options_.devices != nullptr) {
        error(why +
              ": a session with real devices cannot start afresh; end it and start "
              "kest-host again with the file");
        return false;
    }
    out_ << "--- " << printable(why) << ": this session ends, a fresh one starts\n";
    const stmt::trace_level level = runner_->trace();
    trace_listener* listener = runner_->host().trace_listener_in_use();
    ended_status_ = std::max(ended_status_, runner_->finish());
    runner_ = std::make_unique<scenario_runner>(options_, out_);
    runner_->set_trace(level);
    runner_->host().set_trace_listener(listener);
    if (on_start_) {
        on_start_(*runner_);
    }
    record_ = session_record();
    return true;
}

void console::record(const std::string& file, bool force) {
    std::string why;
    std::error_code ec;
    if (!force && std::filesystem::exists(file, ec)) {
        error("record: " + printable(file) + " exists; `record --force " + printable(file) +
              "` replaces it");
        return;
    }
    // A record may replace a scenario, never the plug-in or the layout it reads.
    const run_options& options = runner_->options();
    std::vector<std::string> read = {options.plugin};
    for (const auto& p : runner_->host().panels().panels()) {
        read.push_back(p.second.layout_file);
    }
    std::vector<std::string> clashes;
    if (!report::outputs_are_distinct({{"record", file}}, read, clashes, false)) {
        error(clashes.front());
        return;
    }
    if (!record_.write(file, runner_->host(), why)) {
        error("record: " + why);
        return;
    }
    out_ << "recorded " << record_.statements() << " statements and the state reached to " << file
         << "\n";
}

void console::help(const std::string& topic) {
    if (topic.empty()) {
        out_ << statement_help() << kKeys;
        return;
    }
    const std::string forms = statement_help(topic);
    if (forms.empty()) {
        error("help: no statement or group \"" + topic + "\" (type help for the groups)");
        return;
    }
    out_ << forms;
}

void keep_setup_only(scenario& s) {
    const auto first_step = std::find_if(s.steps.begin(), s.steps.end(), [](const step& st) {
        return group_of(st.what) != statement_group::setup;
    });
    s.steps.erase(first_step, s.steps.end());
    s.file += "'s set-up";
}

int run_interactive(const console_setup& setup, std::istream& in, std::ostream& out,
                    std::ostream& err) {
    catch_interrupts(setup.terminal);
    int status = 0;
    {
        console c(setup, in, out, err);
        status = c.run(setup.start);
    }
    release_interrupts();
    return status;
}

console_session::console_session(const console_setup& setup, std::ostream& out, std::ostream& err)
    : console_(std::make_unique<console>(setup, std::cin, out, err)) {}

console_session::~console_session() = default;

void console_session::begin(const scenario& start) {
    console_->begin(start);
}

bool console_session::line(const std::string& text, const std::string& from) {
    if (console_->over()) {
        return false;
    }
    return console_->next_line(text, from) == console::outcome::go_on && !console_->over();
}

int console_session::finish() {
    return console_->finish();
}

scenario_runner& console_session::runner() {
    return console_->runner();
}

}  // namespace kest_host
