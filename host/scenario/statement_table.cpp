#include "scenario/statement_table.h"

#include <iterator>

namespace kest_host {

namespace {

constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;

using reader = statement_reader;

// A full 32-bit number.
bool any32(reader& r, const char* what, int32_t& value) {
    return r.number32(what, kInt32Min, kInt32Max, value);
}

bool parse_layout_dir(reader& r, statement& out) {
    stmt::layout_dir s;
    return r.text("a quoted directory", s.dir) && done(out, s);
}

bool parse_instance(reader& r, statement& out) {
    stmt::instance s;
    if (!r.text("a quoted instance name", s.name) || !any32(r, "a device number", s.device)) {
        return false;
    }
    // The panel's eight inputs run from the offset to the offset plus 7, which must
    // still be a 32-bit number.
    return (!r.more() || r.number32("an offset", kInt32Min, kInt32Max - 7, s.offset)) &&
           done(out, s);
}

bool parse_inputs(reader& r, statement& out) {
    stmt::inputs s;
    return r.number32("a GPI device number", 0, kInt32Max, s.device) &&
           r.number32("the first GPI index", kInt32Min, kInt32Max - 7, s.first) && done(out, s);
}

bool parse_slot(reader& r, statement& out) {
    stmt::slot s;
    return any32(r, "a slot index", s.index) && r.text("a quoted slot text", s.text) &&
           done(out, s);
}

bool parse_name(reader& r, statement& out) {
    stmt::name s;
    return r.word("source|dest", s.database) && any32(r, "an index", s.index) &&
           r.text("a quoted name", s.text) && done(out, s);
}

bool parse_route(reader& r, statement& out) {
    stmt::route s;
    int to = 0;
    return any32(r, "a source number", s.source) && r.word("to", to) &&
           r.number32("a destination number", 1, kInt32Max, s.destination) && done(out, s);
}

bool parse_input(reader& r, statement& out) {
    stmt::input s;
    return any32(r, "a GPI index", s.index) && any32(r, "a state", s.value) && done(out, s);
}

template <class T>
bool parse_bare(reader&, statement& out) {
    out = T{};
    return true;
}

template <class T>
bool parse_button_number(reader& r, statement& out) {
    T s;
    return r.number32("an input number", 1, 8, s.input) && done(out, s);
}

bool parse_advance(reader& r, statement& out) {
    stmt::advance s;
    return r.number("a time in ms", 0, kDayMs, s.ms) && done(out, s);
}

// "TEXT" or none, for request and expect answer.
bool text_or_none(reader& r, const char* what, std::optional<std::string>& text) {
    if (r.next_is_text()) {
        text.emplace();
        return r.text(what, *text);
    }
    int none = 0;
    return r.word("none", none);
}

bool parse_request(reader& r, statement& out) {
    stmt::request s;
    return text_or_none(r, "a quoted request", s.text) && done(out, s);
}

bool parse_button(reader& r, statement& out) {
    stmt::button s;
    if (!r.text("a quoted control id", s.id)) {
        return false;
    }
    return (!r.more() || r.text("a quoted request text", s.request)) && done(out, s);
}

bool parse_revertive(reader& r, statement& out) {
    stmt::revertive s;
    if (!any32(r, "a device number", s.device) || !any32(r, "an index", s.index) ||
        !any32(r, "a value", s.value)) {
        return false;
    }
    return (!r.more() || r.text("a quoted text", s.text)) && done(out, s);
}

bool parse_dbchange(reader& r, statement& out) {
    stmt::dbchange s;
    return any32(r, "a device number", s.device) && any32(r, "a database number", s.database) &&
           any32(r, "an index", s.index) && r.text("a quoted name", s.text) && done(out, s);
}

bool parse_event(reader& r, statement& out) {
    stmt::event s;
    if (!any32(r, "an event type", s.type) || !any32(r, "a data value", s.data)) {
        return false;
    }
    if (s.type >= 1 && s.type <= 3) {
        return r.fail("event types 1 to 3 carry records; use revertive, button or request");
    }
    if (s.type == 5 || s.type == 6) {
        return r.fail("event types 5 and 6 carry pointers; use request or dbchange");
    }
    return done(out, s);
}

bool parse_expect_dest(reader& r, statement& out) {
    stmt::expect_dest s;
    int source = 0;
    return r.number32("a destination number", 1, kInt32Max, s.destination) &&
           r.word("source", source) && any32(r, "a source number", s.source) && done(out, s);
}

bool parse_expect_control(reader& r, statement& out) {
    stmt::expect_control s;
    return r.any("a control id", s.id) && r.any("a property name", s.property) &&
           r.text("a quoted value", s.value) && done(out, s);
}

template <bool Hidden>
bool parse_expect_visibility(reader& r, statement& out) {
    stmt::expect_visibility s;
    s.hidden = Hidden;
    return r.any("a control id", s.id) && done(out, s);
}

bool parse_expect_answer(reader& r, statement& out) {
    stmt::expect_answer s;
    return text_or_none(r, "a quoted answer", s.text) && done(out, s);
}

bool parse_expect_sent(reader& r, statement& out) {
    stmt::expect_sent s;
    return r.text("a quoted command text", s.command) && done(out, s);
}

bool parse_expect_not_sent(reader& r, statement& out) {
    stmt::expect_not_sent s;
    return r.text("a quoted command text", s.prefix) && done(out, s);
}

bool parse_expect_timer(reader& r, statement& out) {
    stmt::expect_timer s;
    int which = 0;
    if (!any32(r, "a timer id", s.id) || !r.word("running|stopped", which)) {
        return false;
    }
    s.running = which == 0;
    return done(out, s);
}

bool parse_file_name(reader& r, std::string& file) {
    return r.any("a file name", file);
}

// FILE, or OPTION FILE: a file named as the option is written ./--fresh.
bool parse_file_with_option(reader& r, const char* option, bool& given, std::string& file) {
    if (!parse_file_name(r, file)) {
        return false;
    }
    given = file == option;
    return !given || parse_file_name(r, file);
}

bool parse_load(reader& r, statement& out) {
    stmt::load s;
    return parse_file_with_option(r, "--fresh", s.fresh, s.file) && done(out, s);
}

bool parse_record(reader& r, statement& out) {
    stmt::record s;
    return parse_file_with_option(r, "--force", s.force, s.file) && done(out, s);
}

bool parse_trace(reader& r, statement& out) {
    stmt::trace s;
    int which = 0;
    if (!r.word("on|off|short", which)) {
        return false;
    }
    constexpr stmt::trace_level levels[] = {stmt::trace_level::full, stmt::trace_level::off,
                                            stmt::trace_level::brief};
    s.level = levels[which];
    return done(out, s);
}

// help, help press, help expect dest: the rest of the line is the topic.
bool parse_help(reader& r, statement& out) {
    stmt::help s;
    while (r.more()) {
        std::string word;
        if (!r.any("a statement", word)) {
            return false;
        }
        s.topic += (s.topic.empty() ? "" : " ") + word;
    }
    return done(out, s);
}

// The statements after the device statements and before the faults, and those after
// the faults, by help group.
const std::vector<statement_entry> kSetup = {
    {"instance",
     {"\"NAME\" DEVICE [OFFSET]", nullptr},
     "what `SD 'NAME'` answers (`DEVICE OFFSET`)",
     parse_instance,
     "instance \"Vesk SDI Router\" 12 0"},
    {"inputs",
     {"DEVICE FIRST", nullptr},
     "the GPI indices that `press 1` .. `press 8` mean (default: the first GPI device at the "
     "offset of its instance)",
     parse_inputs,
     "inputs 40 17"},
    {"layout-dir",
     {"\"DIR\"", nullptr},
     "the folder handed to the panel (relative to the scenario)",
     parse_layout_dir,
     "layout-dir \"../panels/Vesk/Tavrin\""},
    {"slot",
     {"INDEX \"TEXT\"", nullptr},
     "infodriver slot text; a revertive if the slot is registered",
     parse_slot,
     "slot 61 \"5\""},
    {"name",
     {"source|dest INDEX \"NAME\"", nullptr},
     "router name; after start also a database change event",
     parse_name,
     "name source 5 \"Cam 5\""},
    {"route",
     {"SOURCE to DEST", nullptr},
     "a crosspoint made from elsewhere",
     parse_route,
     "route 5 to 3"},
    {"input", {"INDEX VALUE", nullptr}, "a raw GPI state", parse_input, "input 17 1"},
};

const std::vector<statement_entry> kSteps = {
    {"start",
     {"", nullptr},
     "load the panel (implied by the first step); after `stop` a fresh one",
     parse_bare<stmt::start>,
     "start"},
    {"stop",
     {"", nullptr},
     "delete the panel; nothing reaches it until `start` makes a fresh one",
     parse_bare<stmt::stop>,
     "stop"},
    {"restart",
     {"", nullptr},
     "delete the panel and start a fresh one against the same devices",
     parse_bare<stmt::restart>,
     "restart"},
    {"show", {"", nullptr}, "draw the panel", parse_bare<stmt::show>, "show"},
    {"press",
     {"N", nullptr},
     "GPI input N of the eight goes high",
     parse_button_number<stmt::press>,
     "press 1"},
    {"release",
     {"N", nullptr},
     "GPI input N of the eight goes low",
     parse_button_number<stmt::release>,
     "release 1"},
    {"advance",
     {"MS", nullptr},
     "move the clock (real time with a real device); timers tick",
     parse_advance,
     "advance 2500"},
};

const std::vector<statement_entry> kEvents = {
    {"request",
     {"\"TEXT\"", "none"},
     "a parent request (none: a null text)",
     parse_request,
     "request \"return=all\""},
    {"button", {"\"ID\" [\"REQUEST\"]", nullptr}, "a button event", parse_button, "button \"12\""},
    {"revertive",
     {"DEV INDEX VALUE [\"TEXT\"]", nullptr},
     "a raw revertive, for devices and indices the panel should ignore",
     parse_revertive,
     "revertive 12 3 5"},
    {"dbchange",
     {"DEV DB INDEX \"TEXT\"", nullptr},
     "a raw database change record",
     parse_dbchange,
     "dbchange 12 0 5 \"Cam 5\""},
    {"event",
     {"TYPE DATA", nullptr},
     "an event of another type with a plain data value",
     parse_event,
     "event 4 2"},
};

const std::vector<statement_entry> kExpectations = {
    {"expect dest",
     {"D source S", nullptr},
     "the router's crosspoint",
     parse_expect_dest,
     "expect dest 3 source 5"},
    {"expect control",
     {"ID PROPERTY \"VALUE\"", nullptr},
     "a property (`text`, `statesheet`, ...) of a control of panel \"1\"",
     parse_expect_control,
     "expect control 11 text \"Cam 5\""},
    {"expect hidden",
     {"ID", nullptr},
     "the control is hidden",
     parse_expect_visibility<true>,
     "expect hidden AwaitGPI"},
    {"expect visible",
     {"ID", nullptr},
     "the control is visible",
     parse_expect_visibility<false>,
     "expect visible AwaitGPI"},
    {"expect answer",
     {"\"TEXT\"", "none"},
     "the answer to the last parent request",
     parse_expect_answer,
     "expect answer \"myParam=1\""},
    {"expect sent",
     {"\"COMMAND\"", nullptr},
     "the last step sent exactly this command",
     parse_expect_sent,
     "expect sent \"RC 12 5 3 ',' 0\""},
    {"expect not-sent",
     {"\"PREFIX\"", nullptr},
     "the last step sent no command starting so",
     parse_expect_not_sent,
     "expect not-sent \"RC\""},
    {"expect timer",
     {"ID running|stopped", nullptr},
     "a timer runs or is stopped",
     parse_expect_timer,
     "expect timer 2 running"},
};

const std::vector<statement_entry> kConsole = {
    {"load",
     {"[--fresh] FILE", nullptr},
     "at the prompt: play a scenario file; --fresh: end this session and play it in a fresh "
     "one (a file that declares devices needs one when the session has devices)",
     parse_load,
     "load --fresh scenarios/priority.scn"},
    {"trace",
     {"on|off|short", nullptr},
     "at the prompt: print the whole trace, nothing, or one line per step with its commands",
     parse_trace,
     "trace short"},
    {"record",
     {"[--force] FILE", nullptr},
     "at the prompt: write the session so far as a scenario that expects the current state "
     "(--force: replace an existing file)",
     parse_record,
     "record commissioned.scn"},
    {"help",
     {"[STATEMENT]", nullptr},
     "at the prompt: the statements, or the forms of one",
     parse_help,
     "help press"},
    {"quit",
     {"", nullptr},
     "at the prompt: end the session (as Ctrl-D does)",
     parse_bare<stmt::quit>,
     "quit"},
};

}  // namespace

const std::vector<statement_entry>& statement_table() {
    static const std::vector<statement_entry> table = [] {
        const std::vector<statement_entry> parts[] = {
            device_statement_rows(), kSetup,        kSteps,  kEvents,
            fault_statement_rows(),  kExpectations, kConsole};
        std::vector<statement_entry> all;
        for (std::size_t i = 0; i < std::size(parts); ++i) {
            for (statement_entry entry : parts[i]) {
                entry.group = statement_groups().at(i).name;
                all.push_back(entry);
            }
        }
        return all;
    }();
    return table;
}

const statement_entry* find_statement(const std::string& keyword) {
    for (const auto& entry : statement_table()) {
        if (keyword == entry.keyword) {
            return &entry;
        }
    }
    return nullptr;
}

std::string second_words(const std::string& first) {
    std::string all;
    const std::string prefix = first + " ";
    for (const auto& entry : statement_table()) {
        const std::string keyword = entry.keyword;
        if (keyword.compare(0, prefix.size(), prefix) == 0) {
            all += (all.empty() ? "" : "|") + keyword.substr(prefix.size());
        }
    }
    return all;
}

const std::string& expectation_words() {
    static const std::string words = second_words("expect");
    return words;
}

}  // namespace kest_host
