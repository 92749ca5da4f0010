#include "stress/stress_run.h"

#include <chrono>
#include <cstdint>
#include <iostream>
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
    s.errors = options.errors;
    // A seed repeats its findings (destination 0 at every start-up): the first of each
    // check, the rest counted at the end.
    s.findings_printed = options.all_findings ? UINT64_MAX : 1;
    s.more_findings = "; --all-findings prints every one";
    return s;
}

std::string event_place(uint64_t event) {
    return event == 0 ? "at the start-up (event 0)" : "at event " + std::to_string(event);
}

}  // namespace

stress_driver::stress_driver(const stress_options& options, std::ostream& out)
    : options_(options),
      out_(out),
      session_buffer_(out),
      session_out_(&session_buffer_),
      session_(session_for(options), session_out_),
      random_(options.seed) {
    session_.observe_findings(
        [this](const check& which, bool failure, const std::string& message, bool printed) {
            if (printed) {
                record_finding(which, failure, message);
            }
        });
    // A replay is quiet until the event it traces from.
    session_.print_findings(!options.trace_from || *options.trace_from == 0);
}

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
    place(0, event_place(0));
    if (options_.trace_from && *options_.trace_from == 0) {
        start_trace();
    }
    const std::string error = !session_.start() ? session_.error() : host().file_error();
    if (!error.empty()) {
        out_ << event_trace_.str();
        (options_.errors != nullptr ? *options_.errors : out_)
            << "kest-host: error: " << printable(error) << "\n";
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
    in_start_up_ = false;
    events_checked_ = 0;  // events are counted from the first random one
    return true;
}

void stress_driver::place(uint64_t event, const std::string& where) {
    finding_event_ = event;
    replay_ = replay_command(event, options_.seed, options_.plugin_argument, options_.faults);
    session_.set_location(where + "; replay: " + replay_);
}

void stress_driver::next_event(uint64_t n) {
    place(n, event_place(n));
    if (!tracing_ && options_.trace_from && n >= *options_.trace_from) {
        start_trace();
    }
}

void stress_driver::start_trace() {
    tracing_ = true;
    session_.print_findings(true);
    host().set_trace(&event_trace_, options_.color);
    session_buffer_.to(event_trace_);
}

void stress_driver::record_finding(const check& which, bool failure, const std::string& message) {
    stress_finding f;
    f.check = which.id();
    f.failure = failure;
    f.message = message;
    f.event = finding_event_;
    f.replay = replay_;
    result_.findings.push_back(std::move(f));
}

double stress_driver::seconds_since_start() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void stress_driver::show_progress(uint64_t done) {
    if (progress_ && progress_->due()) {
        progress_->show(progress_text(done, options_.events, seconds_since_start()), true);
    }
}

uint64_t stress_driver::run_events() {
    uint64_t done = 0;
    next_event(1);
    while (done < options_.events && divergence_.empty() && !interrupt_watch::interrupted()) {
        done += one_event(options_.events - done);
        show_progress(done);
    }
    result_.events_done = done;
    result_.interrupted = done < options_.events && divergence_.empty();
    return done;
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
    if (options_.progress && !options_.quiet) {
        progress_ = std::make_unique<progress_line>(
            std::cerr, std::vector<std::ostream*>{&std::cout, &std::cerr});
    }
    started_ = std::chrono::steady_clock::now();
    const uint64_t done = run_events();
    const double seconds = seconds_since_start();
    progress_.reset();
    session_buffer_.to(out_);
    if (!divergence_.empty()) {
        place(events_checked_, event_place(events_checked_));
    }
    session_.checks().model(divergence_.empty() ? nullptr : &divergence_);
    if (tracing_) {
        out_ << "--- the end of the run\n";
        host().set_trace(&out_, options_.color);
    }
    const std::string at_end = "at the end of the run, after event " + std::to_string(done);
    place(done, at_end);
    session_.end(at_end + "; replay: " + replay_);
    return report(done, seconds);
}

void stress_driver::print_counts() {
    std::string counted;
    for (const auto& c : check_records(session_.checks())) {
        if (c.finding_count > 1 && !options_.all_findings) {
            counted += (counted.empty() ? "" : ", ") + c.id + " " + std::to_string(c.finding_count);
        }
    }
    if (!counted.empty()) {
        out_ << "Findings shown once per check, counted: " << counted
             << " (--all-findings prints every one)\n";
    }
    if (!options_.faults) {
        return;
    }
    out_ << "Faults switched:";
    for (const auto& f : faults_switched_) {
        out_ << "\n  " << f.words << std::string(f.words.size() < 18 ? 18 - f.words.size() : 1, ' ')
             << f.on << " on, " << f.ended << " ended";
    }
    out_ << "\n  clear" << std::string(13, ' ') << fault_clears_ << "\n";
}

int stress_driver::report(uint64_t done, double seconds) {
    const bool failed = session_.print_checks();
    print_counts();
    record(done, seconds, failed ? 1 : (result_.interrupted ? kInterruptedStatus : 0));
    out_ << "Stress: seed " << options_.seed << ", " << done << " events in "
         << plain_duration(seconds) << " (" << plain_rate(done, seconds) << " events/s), "
         << host().commands_seen() << " commands, " << host().events_delivered()
         << " events delivered\n";
    const std::string again = stress_command(options_.events, options_.seed, std::nullopt,
                                             options_.plugin_argument, options_.faults);
    if (result_.interrupted) {
        out_ << "Stress interrupted (Ctrl-C) after " << done << " of " << options_.events
             << " events; repeat the run with: " << again << "\n";
    }
    if (failed) {
        out_ << "Stress FAILED with seed " << options_.seed << " (repeat with: " << again << ")\n";
        return 1;
    }
    return result_.interrupted ? kInterruptedStatus : 0;
}

void stress_driver::record(uint64_t done, double seconds, int status) {
    report::recorder* rec = options_.recorder;
    if (rec == nullptr) {
        return;
    }
    if (!divergence_.empty()) {
        rec->note_stress_finding({"routing-model", events_checked_, divergence_,
                                  replay_command(events_checked_, options_.seed,
                                                 options_.plugin_argument, options_.faults)});
    }
    rec->end_stress(done, result_.interrupted);
    report::suite_summary summary;
    summary.commands = host().commands_seen();
    summary.events = done;
    summary.exit_status = status;
    rec->end_suite(check_records(session_.checks()), summary, seconds);
}

bool stress_driver::compare(const std::string& what) {
    ++events_checked_;
    if (tracing_) {
        out_ << (options_.color ? "\033[1m" : "") << "--- "
             << (in_start_up_ ? std::string("start-up")
                              : "event " + std::to_string(events_checked_))
             << ": " << what << (options_.color ? "\033[0m" : "") << "\n"
             << event_trace_.str();
        event_trace_.str("");
    }
    if (!in_start_up_) {
        next_event(events_checked_ + 1);
    }
    if (!divergence_.empty()) {
        return false;
    }
    const std::string where = " after " + what;
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

int run_stress(const stress_options& options, std::ostream& out, stress_result* result) {
    const interrupt_watch ctrl_c;
    stress_driver driver(options, out);
    const int status = driver.run();
    if (result != nullptr) {
        *result = driver.result();
    }
    return status;
}

}  // namespace kest_host
