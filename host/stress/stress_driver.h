// The stress run itself, shared by its two files: stress_run.cpp (set-up, the run
// and the comparison with the model) and stress_events.cpp (the random events).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "plugin/plugin_session.h"
#include "stress/random_source.h"
#include "stress/routing_model.h"
#include "stress/stress_run.h"

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

class stress_driver {
  public:
    stress_driver(const stress_options& options, std::ostream& out);
    int run();

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
    uint64_t fault_event();
    void switch_fault();
    void clear_faults();
    void flush_delayed();
    bool check_rules(const std::string& where);
    // Compares host and panel with the model; keeps only the first divergence.
    bool compare(const std::string& what);
    bool compare_controls(const std::string& where);
    int report(uint64_t done, double seconds);
    void record(uint64_t done, double seconds, int status);

    router& the_router() { return *host().world().find_as<router>(stress_world::kRouter); }
    infodriver& tally() { return *host().world().find_as<infodriver>(stress_world::kTally); }
    gpi& inputs() { return *host().world().find_as<gpi>(stress_world::kGpi); }
    sim_host& host() { return session_.host(); }

    stress_options options_;
    std::ostream& out_;
    plugin_session session_;
    routing_model model_;
    random_source random_;
    std::string divergence_;
    std::string my_param_;
    uint64_t events_checked_ = 0;
};

}  // namespace kest_host
