// The statements of the scenario language, one type each. The statement table
// (statement_table.h) says how each is written; the runner says what each does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "world/device.h"
#include "world/faults.h"

namespace kest_host {

// Set-up statements may come before the panel starts; steps drive the panel and are
// traced; expectations compare what the host holds; console statements belong to the
// interactive prompt and are refused in a scenario file.
enum class statement_group { setup, step, expectation, console };

namespace stmt {

template <statement_group G, bool NeedsPanel = false>
struct kind_of {
    static constexpr statement_group group = G;
    // The panel is started for it (and it cannot run once the panel is stopped).
    static constexpr bool needs_panel = NeedsPanel;
};
using setup = kind_of<statement_group::setup>;
using step = kind_of<statement_group::step, true>;
using expectation = kind_of<statement_group::expectation>;

struct layout_dir : setup {
    std::string dir;
};
struct device : setup {
    device_kind kind = device_kind::router;
    int32_t number = 0;
    std::string address;  // HOST[:PORT] of a real router ("" simulated)
    std::string tsl;      // "udp" or "tcp": a GPI device following TSL tally at address
};
// Which display and lamp one input of the TSL GPI devices follows.
struct tsl_input : setup {
    int32_t input = 0;     // 1 to 8
    bool address = false;  // the version 3.1 form: address and tally
    int32_t index = 0;     // version 5.0
    int32_t screen = 0;
    int lamp = 0;       // either, left, right, text
    int colour = 0;     // red, green, amber, any
    int32_t tally = 1;  // version 3.1 (index holds the address)
};
// A destination a real router may be given besides the monitor's.
struct allow : setup {
    int32_t destination = 0;
};
struct instance : setup {
    std::string name;
    int32_t device = 0;
    int32_t offset = 0;
};
struct inputs : setup {
    int32_t device = 0;
    int32_t first = 0;
};
struct slot : setup {
    int32_t index = 0;
    std::string text;
};
struct name : setup {
    int database = 0;  // 0 sources, 1 destinations
    int32_t index = 0;
    std::string text;
};
struct route : setup {
    int32_t source = 0;
    int32_t destination = 0;
};
struct input : setup {
    int32_t index = 0;
    int32_t value = 0;
};
struct start : step {};
struct stop : kind_of<statement_group::step> {};
// Deletes a live panel and makes a fresh one against the same devices.
struct restart : kind_of<statement_group::step> {};
struct show : kind_of<statement_group::step> {};
struct press : step {
    int32_t input = 0;  // 1 to 8
};
struct release : step {
    int32_t input = 0;
};
struct advance : step {
    int64_t ms = 0;
};
struct request : step {
    std::optional<std::string> text;  // nothing: a request without text
};
struct button : step {
    std::string id;
    std::string request;
};
struct revertive : step {
    int32_t device = 0;
    int32_t index = 0;
    int32_t value = 0;
    std::string text;
};
struct dbchange : step {
    int32_t device = 0;
    int32_t database = 0;
    int32_t index = 0;
    std::string text;
};
struct event : step {
    int32_t type = 0;
    int32_t data = 0;
};
// A device fault switched on or off; it needs no panel (a lookup or layout fault is
// set before start).
struct fault : setup {
    const fault_entry* entry = nullptr;  // of fault_table()
    fault_args args;
};
struct expect_dest : expectation {
    int32_t destination = 0;
    int32_t source = 0;
};
struct expect_control : expectation {
    std::string id;
    std::string property;
    std::string value;
};
struct expect_visibility : expectation {
    std::string id;
    bool hidden = false;
};
struct expect_answer : expectation {
    std::optional<std::string> text;  // nothing: no answer
};
struct expect_sent : expectation {
    std::string command;  // matched exactly
};
struct expect_not_sent : expectation {
    std::string prefix;
};
struct expect_timer : expectation {
    int32_t id = 0;
    bool running = false;
};

// The console's own statements.
using console = kind_of<statement_group::console>;
struct load : console {
    std::string file;
    bool fresh = false;  // --fresh: end the session and play the file in a fresh one
};
// How much a step prints: nothing, one line with the commands it caused, or the
// whole protocol trace.
enum class trace_level { off, brief, full };
struct trace : console {
    trace_level level = trace_level::full;
};
struct record : console {
    std::string file;
    bool force = false;  // --force: an existing file may be replaced
};
struct help : console {
    std::string topic;  // "" for the list of statements
};
struct quit : console {};

}  // namespace stmt

using statement =
    std::variant<stmt::layout_dir, stmt::device, stmt::allow, stmt::tsl_input, stmt::instance,
                 stmt::inputs, stmt::slot, stmt::name, stmt::route, stmt::input, stmt::start,
                 stmt::stop, stmt::restart, stmt::show, stmt::press, stmt::release, stmt::advance,
                 stmt::request, stmt::button, stmt::revertive, stmt::dbchange, stmt::event,
                 stmt::fault, stmt::expect_dest, stmt::expect_control, stmt::expect_visibility,
                 stmt::expect_answer, stmt::expect_sent, stmt::expect_not_sent, stmt::expect_timer,
                 stmt::load, stmt::trace, stmt::record, stmt::help, stmt::quit>;

inline statement_group group_of(const statement& s) {
    return std::visit([](const auto& v) { return std::decay_t<decltype(v)>::group; }, s);
}

inline bool needs_panel(const statement& s) {
    return std::visit([](const auto& v) { return std::decay_t<decltype(v)>::needs_panel; }, s);
}

// One statement of a scenario file, where it stands and as it was written.
struct step {
    statement what;
    int line = 0;
    std::string source;  // the statement as written, comment and blanks trimmed
    // `within MS` after an expectation: how long it may take to hold (or, for
    // not-sent, how long it must hold).
    std::optional<int64_t> within;
};

}  // namespace kest_host
