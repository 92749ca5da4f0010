// What each expectation of a scenario compares, and how a failure is worded.
#include <algorithm>
#include <iterator>

#include "common/printable.h"
#include "panel/panel_names.h"
#include "scenario/scenario_runner.h"

namespace kest_host {

bool scenario_runner::apply(const stmt::expect_dest& s) {
    ++expectations_;
    device* d = need(device_kind::router);
    if (d == nullptr) {
        return false;
    }
    const auto x = host().crosspoint(d->number(), s.destination);
    if (!x || *x != s.source) {
        fail("expected destination " + std::to_string(s.destination) + " to carry source " +
             std::to_string(s.source) + ", it carries " +
             (x ? "source " + std::to_string(*x) : std::string("nothing")));
    }
    return true;
}

bool scenario_runner::apply(const stmt::expect_control& s) {
    ++expectations_;
    const control_state* c = host().control(panel_names::kPanel, s.id);
    if (c == nullptr) {
        fail("expected control \"" + s.id + "\" on panel \"" + panel_names::kPanel +
             "\", which has none");
        return true;
    }
    // Visibility has statements of its own: here "visible" is only what TP wrote.
    const bool known = s.property == "text" || s.property == "statesheet";
    if (!known && c->other.count(s.property) == 0) {
        std::string set = "text, statesheet";
        for (const auto& p : c->other) {
            set += ", " + printable(p.first);
        }
        fail("control \"" + printable(s.id) + "\" has no property " + quoted(s.property) +
             "; the properties it has are " + set);
        return true;
    }
    const std::string actual = c->stored_property(s.property);
    if (actual != s.value) {
        fail("expected control \"" + s.id + "\" " + s.property + " \"" + s.value + "\", it is \"" +
             printable(actual) + "\"");
    }
    return true;
}

bool scenario_runner::apply(const stmt::expect_visibility& s) {
    ++expectations_;
    const control_state* c = host().control(panel_names::kPanel, s.id);
    if (c == nullptr) {
        fail("expected control \"" + s.id + "\" on panel \"" + panel_names::kPanel +
             "\", which has none");
    } else if (c->hidden != s.hidden) {
        fail("expected control \"" + s.id + "\" to be " + (s.hidden ? "hidden" : "visible") +
             ", it is " + (c->hidden ? "hidden" : "visible"));
    }
    return true;
}

bool scenario_runner::apply(const stmt::expect_answer& s) {
    ++expectations_;
    const auto& answer = host().last_answer();
    if (!s.text && answer) {
        fail("expected no answer, got \"" + printable(*answer) + "\"");
    } else if (s.text && (!answer || *answer != *s.text)) {
        fail("expected the answer \"" + *s.text + "\", got " +
             (answer ? "\"" + printable(*answer) + "\"" : std::string("none")));
    }
    return true;
}

namespace {

// The commands of a step for a message: the first few, then how many more.
std::string listed(const std::vector<std::string>& all) {
    constexpr std::size_t kListed = 12;
    std::string sent;
    for (std::size_t i = 0; i < all.size() && i < kListed; ++i) {
        sent += (sent.empty() ? "`" : ", `") + printable(all[i]) + "`";
    }
    if (all.size() > kListed) {
        sent += " and " + std::to_string(all.size() - kListed) + " more";
    }
    return sent.empty() ? std::string("nothing") : sent;
}

}  // namespace

bool scenario_runner::apply(const stmt::expect_sent& s) {
    ++expectations_;
    const auto& all = host().step_commands();
    if (std::find(all.begin(), all.end(), s.command) == all.end()) {
        fail("expected `" + printable(s.command) + "` to be sent; the last step sent " +
             listed(all));
    }
    return true;
}

bool scenario_runner::apply(const stmt::expect_not_sent& s) {
    ++expectations_;
    const auto& all = host().step_commands();
    std::vector<std::string> matching;
    std::copy_if(all.begin(), all.end(), std::back_inserter(matching), [&](const std::string& c) {
        return c.compare(0, s.prefix.size(), s.prefix) == 0;
    });
    if (!matching.empty()) {
        fail("expected no command starting `" + printable(s.prefix) + "`; the last step sent " +
             listed(matching));
    }
    return true;
}

bool scenario_runner::apply(const stmt::expect_timer& s) {
    ++expectations_;
    const bool running = host().timer_running(s.id);
    if (running != s.running) {
        fail("expected timer " + std::to_string(s.id) + " to be " +
             (s.running ? "running" : "stopped") + ", it is " + (running ? "running" : "stopped"));
    }
    return true;
}

}  // namespace kest_host
