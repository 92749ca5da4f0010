// The stress run itself, shared by its two files: stress_run.cpp (set-up, the run
// and the comparison with the model) and stress_events.cpp (the random events).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "plugin/plugin_session.h"
#include "stress/random_source.h"
#include "stress/routing_model.h"
#include "stress/stress_run.h"
#include "stress/stress_run_progress.h"

namespace kest_host {

// The devices and sizes the stress run sets up.
namespace stress_world {
constexpr int32_t kRouter = 1;
constexpr int32_t kTally = 2;
constexpr int32_t kGpi = 3;
constexpr int32_t kGpiFirst = 17;
constexpr int32_t kSources = 24;
constexpr int32_t kDestinations = 8;
constexpr int32_t kInitialMonitor = 3;
// Released replies kept to catch late writes: enough for many events, yet flat.
constexpr std::size_t kQuarantine = 1024;
}  // namespace stress_world

// A stream buffer that forwards to whichever stream is current: the session reports
// its findings through one, so that while a trace is kept per event they land in it
// after the command that caused them.
class stream_switch final : public std::streambuf {
  public:
    explicit stream_switch(std::ostream& to) : to_(&to) {}
    void to(std::ostream& stream) { to_ = &stream; }

  protected:
    int overflow(int c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            to_->put(traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize n) override {
        to_->write(text, n);
        return n;
    }
    int sync() override {
        to_->flush();
        return 0;
    }

  private:
    std::ostream* to_;
};

class stress_driver {
  public:
    stress_driver(const stress_options& options, std::ostream& out);
    int run();
    const stress_result& result() const { return result_; }

  private:
    void set_up();
    bool start();
    // Makes one random event (a bounce makes several, but never more than `budget`)
    // and checks the outcome of each; returns how many events it made.
    uint64_t one_event(uint64_t budget);
    uint64_t toggle_input(uint64_t budget);
    void change_slot();
    void change_monitor();
    void route_elsewhere();
    void rename();
    void tick();
    void parent_request();
    void odd_record();
    void odd_event();
    // --faults: a fault switched on or off, a clock step, or a clear that settles
    // and checks the rules.
    // Each returns the number of events it took (at most `budget`).
    uint64_t fault_event(uint64_t budget);
    void switch_fault();
    uint64_t clear_faults(uint64_t budget);
    void flush_delayed();
    bool check_rules(const std::string& where);
    // Compares host and panel with the model; keeps only the first divergence.
    bool compare(const std::string& what);
    bool compare_controls(const std::string& where);
    int report(uint64_t done, double seconds);
    // The counts of findings printed only once, and with --faults the faults switched.
    void print_counts();
    void record(uint64_t done, double seconds, int status);

    // Where the findings from now on belong: their event and its replay command.
    void place(uint64_t event, const std::string& where);
    // Event `n` comes next: its place, and the trace from --from on.
    void next_event(uint64_t n);
    void record_finding(const check& which, bool failure, const std::string& message);
    // The loop of random events; returns how many were made.
    uint64_t run_events();
    void show_progress(uint64_t done);
    void start_trace();
    double seconds_since_start() const;

    router& the_router() { return *host().world().find_as<router>(stress_world::kRouter); }
    infodriver& tally() { return *host().world().find_as<infodriver>(stress_world::kTally); }
    gpi& inputs() { return *host().world().find_as<gpi>(stress_world::kGpi); }
    sim_host& host() { return session_.host(); }

    stress_options options_;
    std::ostream& out_;
    stream_switch session_buffer_;
    std::ostream session_out_;        // the session's reports: out_, or the event's trace
    std::ostringstream event_trace_;  // the trace of the event under way
    plugin_session session_;
    routing_model model_;
    random_source random_;
    std::string divergence_;
    std::string my_param_;
    uint64_t events_checked_ = 0;

    stress_result result_;
    uint64_t finding_event_ = 0;  // the event findings belong to now
    std::string replay_;          // its replay command
    bool in_start_up_ = true;
    bool tracing_ = false;
    // How often each fault was switched on and ended, in the order first switched.
    struct fault_count {
        std::string words;
        uint64_t on = 0;
        uint64_t ended = 0;
    };
    std::vector<fault_count> faults_switched_;
    uint64_t fault_clears_ = 0;
    std::unique_ptr<progress_line> progress_;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace kest_host
