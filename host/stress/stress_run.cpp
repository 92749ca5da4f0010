#include "stress/stress_run.h"

#include <chrono>
#include <iterator>
#include <vector>

#include "common/printable.h"
#include "panel/panel_names.h"
#include "stress/stress_driver.h"

namespace kest_host {

namespace names = panel_names;
using namespace stress_world;

namespace {

session_options session_for(const stress_options& options) {
    session_options s;
    s.plugin = options.plugin;
    s.layout_dir = options.layout_dir;
    s.quiet = true;
    s.color = options.color;
    s.quarantine = kQuarantine;
    s.recorder = options.recorder;
    s.record_trace = false;
    return s;
}

}  // namespace

stress_driver::stress_driver(const stress_options& options, std::ostream& out)
    : options_(options), out_(out), session_(session_for(options), out), random_(options.seed) {}

void stress_driver::set_up() {
    device_world& world = host().world();
    router& r = *world.add_router(kRouter);
    infodriver& t = *world.add_infodriver(kTally);
    gpi& g = *world.add_gpi(kGpi);
    world.instances().add(names::kRouterInstance, kRouter, 0);
    world.instances().add(names::kTallyInstance, kTally, 0);
    world.instances().add(names::kGpiInstance, kGpi, kGpiFirst);
    for (int32_t s = 1; s <= kSources; ++s) {
        r.names[router::kSources][s] = "Src " + std::to_string(s);
        model_.source_names[s] = r.names[router::kSources][s];
    }
    for (int32_t d = 1; d <= kDestinations; ++d) {
        r.names[router::kDestinations][d] = "Dst " + std::to_string(d);
        model_.dest_names[d] = r.names[router::kDestinations][d];
        r.crosspoints[d] = d;
        model_.router[d] = d;
    }
    for (int32_t slot = names::kFirstButtonSlot; slot <= names::kLastButtonSlot; ++slot) {
        t.slots[slot] = std::to_string(random_.below(kSources + 1));
    }
    t.slots[names::kMonitorSlot] = std::to_string(kInitialMonitor);
    for (int32_t i = 0; i < names::kButtons; ++i) {
        g.inputs[kGpiFirst + i] = 0;
    }
}

bool stress_driver::start() {
    const std::string error = !session_.start() ? session_.error() : host().file_error();
    if (!error.empty()) {
        out_ << "error: " << error << "\n";
        if (options_.recorder != nullptr) {
            options_.recorder->note_error(error);
        }
        return false;
    }
    // What the start-up taught the panel.
    for (int32_t slot = names::kFirstButtonSlot; slot <= names::kMonitorSlot; ++slot) {
        model_.slot_change(slot, tally().slots[slot]);
    }
    compare("start-up");
    events_checked_ = 0;  // events are counted from the first random one
    return true;
}

int stress_driver::run() {
    if (options_.recorder != nullptr) {
        options_.recorder->begin_stress(options_.seed, options_.events);
    }
    set_up();
    if (!start()) {
        record(0, 0, 2);
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    uint64_t done = 0;
    while (done < options_.events && divergence_.empty()) {
        done += one_event(options_.events - done);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    session_.end();
    session_.set_location("");  // a divergence names its own event
    session_.checks().model(divergence_.empty() ? nullptr : &divergence_);
    return report(done, seconds);
}

int stress_driver::report(uint64_t done, double seconds) {
    const bool failed = session_.print_checks();
    record(done, seconds, failed ? 1 : 0);
    out_ << "Stress: seed " << options_.seed << ", " << done << " events in " << seconds << " s, "
         << host().commands_seen() << " commands, " << host().events_delivered()
         << " events delivered\n";
    if (failed) {
        out_ << "Stress FAILED with seed " << options_.seed << " (repeat with: --stress "
             << options_.events << " --seed " << options_.seed
             << (options_.faults ? " --faults" : "") << ")\n";
        return 1;
    }
    return 0;
}

void stress_driver::record(uint64_t done, double seconds, int status) {
    report::recorder* rec = options_.recorder;
    if (rec == nullptr) {
        return;
    }
    if (!divergence_.empty()) {
        rec->note_stress_finding({"routing-model", events_checked_, divergence_,
                                  "kest-host --stress " + std::to_string(options_.events) +
                                      " --seed " + std::to_string(options_.seed)});
    }
    report::suite_summary summary;
    summary.commands = host().commands_seen();
    summary.events = done;
    summary.exit_status = status;
    rec->end_suite(check_records(session_.checks()), summary, seconds);
}

bool stress_driver::compare(const std::string& what) {
    ++events_checked_;
    if (!divergence_.empty()) {
        return false;
    }
    const std::string where = " after event " + std::to_string(events_checked_) + " (" + what + ")";
    for (const auto& x : model_.router) {
        const auto actual = host().crosspoint(kRouter, x.first);
        if (!actual || *actual != x.second) {
            divergence_ = "destination " + std::to_string(x.first) + " carries " +
                          (actual ? "source " + std::to_string(*actual) : std::string("nothing")) +
                          ", the rules say source " + std::to_string(x.second) + where;
            return false;
        }
    }
    return compare_controls(where);
}

bool stress_driver::compare_controls(const std::string& where) {
    std::vector<const char*> ids(std::begin(names::kButtonIds), std::end(names::kButtonIds));
    ids.insert(ids.end(), std::begin(names::kSourceIds), std::end(names::kSourceIds));
    ids.insert(ids.end(), std::begin(names::kNameIds), std::end(names::kNameIds));
    ids.insert(ids.end(), {names::kMonitorId, names::kMonitorNameId, names::kCurrentSourceId,
                           names::kCurrentNameId});
    std::string expected;
    for (const char* id : ids) {
        model_.expected_control(id, expected);
        const control_state* c = host().control(names::kPanel, id);
        if (c == nullptr) {
            divergence_ = std::string("panel \"") + names::kPanel + "\" has no control \"" + id +
                          "\"" + where;
            return false;
        }
        const bool button = id[1] == '\0';
        const std::string& actual = button ? c->statesheet : c->text;
        if (actual != expected) {
            divergence_ = std::string("control \"") + id + "\" " +
                          (button ? "statesheet" : "text") + " is \"" + printable(actual) +
                          "\", the rules say \"" + printable(expected) + "\"" + where;
            return false;
        }
    }
    return true;
}

int run_stress(const stress_options& options, std::ostream& out) {
    stress_driver driver(options, out);
    return driver.run();
}

}  // namespace kest_host
