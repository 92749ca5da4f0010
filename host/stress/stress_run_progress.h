// What a person sees of a stress run besides its findings: the progress line on a
// terminal, times and rates in plain units, the replay command of a finding, and the
// Ctrl-C that ends a run early with the summary so far.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace kest_host {

// "0.09 ms", "12 ms", "2.5 s", "3 min 12 s", "2 h 5 min": never an exponent.
std::string plain_duration(double seconds);
// Events per second as a whole number ("0" when no time has passed).
std::string plain_rate(uint64_t events, double seconds);

// "Stress: 1200 of 100000 events, 9876 events/s, 10.0 s left".
std::string progress_text(uint64_t done, uint64_t total, double seconds);

// "kest-host --stress N --seed S [--faults] [--from K] [--plugin PATH]"; `plugin` is
// named when it is not empty.
std::string stress_command(uint64_t events, uint64_t seed, std::optional<uint64_t> from,
                           const std::string& plugin, bool faults = false);
// The command that repeats a stress run up to `event` and prints the trace of the
// few events before it ("kest-host --stress 40 --seed 7 --from 36"). Event 0 is the
// start-up.
std::string replay_command(uint64_t event, uint64_t seed, const std::string& plugin,
                           bool faults = false);
// How many events a replay command traces, the finding's included.
constexpr uint64_t kReplayEvents = 5;

// A one-line progress display on a terminal. It draws with a carriage return and
// spaces only (no escape sequences), and erases itself before anything else is
// written to the guarded streams (so a finding never lands after its text).
class progress_line {
  public:
    // Draws on `terminal`; `guarded` are the streams (the terminal's included) whose
    // output must not mix with the line. Their buffers are restored by the destructor.
    progress_line(std::ostream& terminal, const std::vector<std::ostream*>& guarded);
    ~progress_line();
    progress_line(const progress_line&) = delete;
    progress_line& operator=(const progress_line&) = delete;

    // Draws `text` at most 10 times a second; `force` draws at once.
    void show(const std::string& text, bool force = false);
    // Whether show() would draw now (so that the caller can skip making the text).
    bool due() const;
    void erase();

  private:
    class guard;
    void flush_guarded();

    std::streambuf* terminal_;
    std::vector<std::ostream*> streams_;
    std::vector<std::streambuf*> originals_;
    std::vector<std::unique_ptr<guard>> guards_;
    std::size_t drawn_ = 0;  // characters on the line now
    std::chrono::steady_clock::time_point last_;
};

// Ctrl-C during a stress run: the handler only sets a flag, which the run checks
// after every event. A second Ctrl-C ends the program as usual.
//
// The flag is not the console's (common/interrupt.h) on purpose: the simulated host
// stops advancing its clock when the console's flag is up, and in a stress run that
// would leave the host short of the routing model within the event, reported as a
// divergence the panel never made.
class interrupt_watch {
  public:
    interrupt_watch();
    ~interrupt_watch();
    interrupt_watch(const interrupt_watch&) = delete;
    interrupt_watch& operator=(const interrupt_watch&) = delete;
    static bool interrupted();
};

}  // namespace kest_host
