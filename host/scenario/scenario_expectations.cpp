// What each expectation of a scenario compares, and how a failure is worded.
#include <algorithm>
#include <iterator>

#include "common/diagnostic.h"
#include "common/printable.h"
#include "common/suggest.h"
#include "panel/panel_names.h"
#include "scenario/scenario_runner.h"

namespace kest_host {

namespace {

// Why control `id` of the panel is not there, and what to do about it.
std::string missing_control(const std::string& id, bool started, const panel_model& panels) {
    const std::string expected =
        "expected control \"" + printable(id) + "\" on panel \"" + panel_names::kPanel + "\", ";
    if (!started) {
        return expected +
               "but the panel has not started yet; put `start` (or a step such as `press 1`) "
               "before this line";
    }
    const panel_state* panel = panels.find(panel_names::kPanel);
    if (panel == nullptr) {
        return expected + "but the plug-in has shown no panel \"" + panel_names::kPanel +
               "\" (see the trace for its PS command)";
    }
    std::vector<std::string> ids;
    ids.reserve(panel->controls.size());
    for (const auto& c : panel->controls) {
        ids.push_back(c.def.id);
    }
    const std::string near = did_you_mean(id, ids);
    return expected + "which has none" +
           (near.empty()
                ? "; docs/kest-host.md (\"Your first scenario\") lists the panel's controls"
                : near);
}

}  // namespace

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
        fail(missing_control(s.id, session_.started(), host().panels()));
        return true;
    }
    // Visibility has statements of its own: here "visible" is only what TP wrote.
    const bool known = s.property == "text" || s.property == "statesheet";
    if (!known && c->other.count(s.property) == 0) {
        std::string set = "text, statesheet";
        std::vector<std::string> names = {"text", "statesheet"};
        for (const auto& p : c->other) {
            set += ", " + printable(p.first);
            names.push_back(p.first);
        }
        fail("control \"" + printable(s.id) + "\" has no property " + quoted(s.property) +
             "; the properties it has are " + set + did_you_mean(s.property, names));
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
        fail(missing_control(s.id, session_.started(), host().panels()));
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
std::string listed(const std::vector<std::string>& all, std::size_t kListed = 12) {
    std::string sent;
    for (std::size_t i = 0; i < all.size() && i < kListed; ++i) {
        sent += (sent.empty() ? "`" : ", `") + printable(all[i]) + "`";
    }
    if (all.size() > kListed) {
        sent += " and " + std::to_string(all.size() - kListed) + " more";
    }
    return sent.empty() ? std::string("nothing") : sent;
}

// The commands of a step nearest to `wanted` first: those with its command word,
// by the length of the start they share with it; then the rest in the order sent.
std::vector<std::string> nearest_first(const std::vector<std::string>& all,
                                       const std::string& wanted) {
    const auto word = [](const std::string& c) { return c.substr(0, c.find(' ')); };
    const auto shared = [&](const std::string& c) {
        std::size_t n = 0;
        while (n < c.size() && n < wanted.size() && c[n] == wanted[n]) {
            ++n;
        }
        return word(c) == word(wanted) ? n + 1 : 0;  // the same word ranks above any other
    };
    std::vector<std::pair<std::size_t, std::string>> ranked;
    ranked.reserve(all.size());
    for (const auto& c : all) {
        ranked.emplace_back(shared(c), c);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> sorted;
    sorted.reserve(ranked.size());
    for (auto& r : ranked) {
        sorted.push_back(std::move(r.second));
    }
    return sorted;
}

}  // namespace

bool scenario_runner::apply(const stmt::expect_sent& s) {
    ++expectations_;
    const auto& all = host().step_commands();
    if (std::find(all.begin(), all.end(), s.command) == all.end()) {
        std::string message =
            "expected `" + printable(s.command) + "` to be sent; the last step sent ";
        if (all.empty()) {
            message += "nothing";
        } else {
            message += counted(all.size(), "command") +
                       ", the nearest first: " + listed(nearest_first(all, s.command), 5) +
                       " (the trace lists them in order; `trace on` at the prompt)";
        }
        fail(message);
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
