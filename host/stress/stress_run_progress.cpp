#include "stress/stress_run_progress.h"

#include <cmath>
#include <csignal>
#include <cstdio>

namespace kest_host {

namespace {

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Whole units, e.g. "3 min 12 s".
std::string two_units(uint64_t total, uint64_t per, const char* big, const char* small) {
    const uint64_t rest = total % per;
    std::string text = std::to_string(total / per) + " " + big;
    return rest == 0 ? text : text + " " + std::to_string(rest) + " " + small;
}

}  // namespace

std::string plain_duration(double seconds) {
    if (!(seconds >= 0.000005)) {
        return "0 ms";
    }
    if (seconds < 0.01) {
        return format("%.2f ms", seconds * 1000);
    }
    if (seconds < 0.9995) {
        return format("%.0f ms", seconds * 1000);
    }
    if (seconds < 59.95) {
        return format("%.1f s", seconds);
    }
    const auto whole = static_cast<uint64_t>(std::llround(seconds));
    if (whole < 3600) {
        return two_units(whole, 60, "min", "s");
    }
    return two_units(whole / 60, 60, "h", "min");
}

std::string plain_rate(uint64_t events, double seconds) {
    if (!(seconds > 0)) {
        return "0";
    }
    return format("%.0f", static_cast<double>(events) / seconds);
}

std::string progress_text(uint64_t done, uint64_t total, double seconds) {
    std::string text = "Stress: " + std::to_string(done) + " of " + std::to_string(total) +
                       " events, " + plain_rate(done, seconds) + " events/s";
    if (done > 0 && seconds > 0 && done < total) {
        const double left = static_cast<double>(total - done) * seconds / static_cast<double>(done);
        text += ", " + plain_duration(left) + " left";
    }
    return text;
}

namespace {

// A path as one shell word: quoted when it holds anything but plain path characters.
std::string shell_word(const std::string& text) {
    bool plain = !text.empty();
    for (const char c : text) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') ||
                        std::string("/._+-:").find(c) != std::string::npos;
        plain = plain && ok;
    }
    if (plain) {
        return text;
    }
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

std::string replay_command(uint64_t event, uint64_t seed, const std::string& plugin, bool faults) {
    const uint64_t events = event == 0 ? 1 : event;
    const uint64_t from = event < kReplayEvents ? (event == 0 ? 0 : 1) : event - kReplayEvents + 1;
    return stress_command(events, seed, from, plugin, faults);
}

std::string stress_command(uint64_t events, uint64_t seed, std::optional<uint64_t> from,
                           const std::string& plugin, bool faults) {
    std::string command =
        "kest-host --stress " + std::to_string(events) + " --seed " + std::to_string(seed);
    if (faults) {
        command += " --faults";
    }
    if (from) {
        command += " --from " + std::to_string(*from);
    }
    if (!plugin.empty()) {
        command += " --plugin " + shell_word(plugin);
    }
    return command;
}

// Passes everything through to the stream's own buffer, erasing the progress line
// first.
class progress_line::guard final : public std::streambuf {
  public:
    guard(progress_line& owner, std::streambuf* target) : owner_(owner), target_(target) {}

  protected:
    int overflow(int c) override {
        owner_.erase();
        return traits_type::eq_int_type(c, traits_type::eof())
                   ? traits_type::not_eof(c)
                   : target_->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* text, std::streamsize n) override {
        owner_.erase();
        return target_->sputn(text, n);
    }
    int sync() override { return target_->pubsync(); }

  private:
    progress_line& owner_;
    std::streambuf* target_;
};

progress_line::progress_line(std::ostream& terminal, const std::vector<std::ostream*>& guarded)
    : terminal_(terminal.rdbuf()), streams_(guarded), last_(std::chrono::steady_clock::now()) {
    for (std::ostream* s : streams_) {
        originals_.push_back(s->rdbuf());
        guards_.push_back(std::make_unique<guard>(*this, s->rdbuf()));
        s->rdbuf(guards_.back().get());
    }
}

progress_line::~progress_line() {
    erase();
    for (std::size_t i = 0; i < streams_.size(); ++i) {
        streams_[i]->rdbuf(originals_[i]);
    }
}

bool progress_line::due() const {
    return std::chrono::steady_clock::now() - last_ >= std::chrono::milliseconds(100);
}

void progress_line::show(const std::string& text, bool force) {
    if (!force && !due()) {
        return;
    }
    last_ = std::chrono::steady_clock::now();
    flush_guarded();  // what was written before comes before the line
    std::string line = "\r" + text;
    if (text.size() < drawn_) {
        line += std::string(drawn_ - text.size(), ' ') + "\r" + text;
    }
    terminal_->sputn(line.data(), static_cast<std::streamsize>(line.size()));
    terminal_->pubsync();
    drawn_ = text.size();
}

void progress_line::erase() {
    if (drawn_ == 0) {
        return;
    }
    const std::string blank = "\r" + std::string(drawn_, ' ') + "\r";
    drawn_ = 0;
    terminal_->sputn(blank.data(), static_cast<std::streamsize>(blank.size()));
    terminal_->pubsync();
}

void progress_line::flush_guarded() {
    for (std::streambuf* original : originals_) {
        original->pubsync();
    }
}

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
using signal_handler = void (*)(int);
signal_handler g_previous = SIG_DFL;

extern "C" void on_stress_interrupt(int /*signal*/) {
    g_interrupted = 1;
    std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program
}

}  // namespace

interrupt_watch::interrupt_watch() {
    g_interrupted = 0;
    g_previous = std::signal(SIGINT, on_stress_interrupt);
    if (g_previous == SIG_IGN) {
        std::signal(SIGINT, SIG_IGN);  // started with Ctrl-C ignored: keep it so
    } else if (g_previous == SIG_ERR) {
        g_previous = SIG_DFL;
    }
}

interrupt_watch::~interrupt_watch() {
    std::signal(SIGINT, g_previous);
}

bool interrupt_watch::interrupted() {
    return g_interrupted != 0;
}

}  // namespace kest_host
