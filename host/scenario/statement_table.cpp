#include "scenario/statement_table.h"

#include <limits>

namespace kest_host {

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;

using reader = statement_reader;

// A full 32-bit number.
bool any32(reader& r, const char* what, int32_t& value) {
    return r.number32(what, kInt32Min, kInt32Max, value);
}

template <class T>
bool done(statement& out, T value) {
    out = std::move(value);
    return true;
}

bool parse_layout_dir(reader& r, statement& out) {
    stmt::layout_dir s;
    return r.text("a quoted directory", s.dir) && done(out, s);
}

bool parse_device(reader& r, statement& out) {
    stmt::device s;
    int which = 0;
    if (!r.word("router|infodriver|gpi", which)) {
        return false;
    }
    s.kind = static_cast<device_kind>(which);
    if (!r.number32("a device number", 0, kInt32Max, s.number)) {
        return false;
    }
    if (s.kind == device_kind::router && r.more()) {
        int videohub = 0;
        if (!r.word("videohub", videohub) || !r.any("HOST[:PORT]", s.address)) {
            return false;
        }
    }
    return done(out, s);
}

bool parse_allow(reader& r, statement& out) {
    stmt::allow s;
    int dest = 0;
    return r.word("dest", dest) &&
           r.number32("a destination number", 1, kInt32Max, s.destination) && done(out, s);
}

bool parse_instance(reader& r, statement& out) {
    stmt::instance s;
    if (!r.text("a quoted instance name", s.name) || !any32(r, "a device number", s.device)) {
        return false;
    }
    return (!r.more() || any32(r, "an offset", s.offset)) && done(out, s);
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

// The faults: "fault router offline|online|refuse", "fault router delay MS", ...
bool parse_fault_router(reader& r, statement& out) {
    stmt::fault s;
    int which = 0;
    if (!r.word("offline|online|refuse|delay", which)) {
        return false;
    }
    static const fault_kind kinds[] = {fault_kind::router_offline, fault_kind::router_online,
                                       fault_kind::router_refuse, fault_kind::router_delay};
    s.kind = kinds[which];
    if (s.kind == fault_kind::router_delay && !r.number("a delay in ms", 0, kDayMs, s.value)) {
        return false;
    }
    return done(out, s);
}

bool parse_fault_infodriver(reader& r, statement& out) {
    stmt::fault s;
    int which = 0;
    if (!r.word("silent|online", which)) {
        return false;
    }
    s.kind = which == 0 ? fault_kind::infodriver_silent : fault_kind::infodriver_online;
    return done(out, s);
}

bool parse_fault_gpi(reader& r, statement& out) {
    stmt::fault s;
    s.kind = fault_kind::gpi_bounce;
    int bounce = 0;
    return r.word("bounce", bounce) && r.number("a number of extra reports", 0, 1000, s.value) &&
           done(out, s);
}

template <fault_kind Kind>
bool parse_fault_missing(reader& r, statement& out) {
    stmt::fault s;
    s.kind = Kind;
    int missing = 0;
    if (Kind == fault_kind::lookup_missing && !r.text("a quoted instance name", s.name)) {
        return false;
    }
    return r.word("missing", missing) && done(out, s);
}

bool parse_fault_clear(reader&, statement& out) {
    stmt::fault s;
    s.kind = fault_kind::clear;
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

bool parse_load(reader& r, statement& out) {
    stmt::load s;
    return parse_file_name(r, s.file) && done(out, s);
}

bool parse_record(reader& r, statement& out) {
    stmt::record s;
    return parse_file_name(r, s.file) && done(out, s);
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

const std::vector<statement_entry> kTable = {
    {"device",
     {"router|infodriver|gpi N", "router N videohub HOST[:PORT]"},
     "a device with number N; a router may be a real one on the network (port 9990 by "
     "default), and the scenario then runs in real time",
     parse_device},
    {"allow",
     {"dest D", nullptr},
     "a real router may take crosspoints to destination D too (besides the monitor's)",
     parse_allow},
    {"instance",
     {"\"NAME\" DEVICE [OFFSET]", nullptr},
     "what `SD 'NAME'` answers (`DEVICE OFFSET`)",
     parse_instance},
    {"inputs",
     {"DEVICE FIRST", nullptr},
     "the GPI indices that `press 1` .. `press 8` mean (default: the first GPI device at the "
     "offset of its instance)",
     parse_inputs},
    {"layout-dir",
     {"\"DIR\"", nullptr},
     "the folder handed to the panel (relative to the scenario)",
     parse_layout_dir},
    {"slot",
     {"INDEX \"TEXT\"", nullptr},
     "infodriver slot text; a revertive if the slot is registered",
     parse_slot},
    {"name",
     {"source|dest INDEX \"NAME\"", nullptr},
     "router name; after start also a database change event",
     parse_name},
    {"route", {"SOURCE to DEST", nullptr}, "a crosspoint made from elsewhere", parse_route},
    {"input", {"INDEX VALUE", nullptr}, "a raw GPI state", parse_input},
    {"start",
     {"", nullptr},
     "load the panel (implied by the first step); after `stop` a fresh one",
     parse_bare<stmt::start>},
    {"stop",
     {"", nullptr},
     "delete the panel; nothing reaches it until `start` makes a fresh one",
     parse_bare<stmt::stop>},
    {"restart",
     {"", nullptr},
     "delete the panel and start a fresh one against the same devices",
     parse_bare<stmt::restart>},
    {"show", {"", nullptr}, "draw the panel", parse_bare<stmt::show>},
    {"press",
     {"N", nullptr},
     "GPI input N of the eight goes high",
     parse_button_number<stmt::press>},
    {"release",
     {"N", nullptr},
     "GPI input N of the eight goes low",
     parse_button_number<stmt::release>},
    {"advance",
     {"MS", nullptr},
     "move the clock (real time with a real device); timers tick",
     parse_advance},
    {"request", {"\"TEXT\"", "none"}, "a parent request (none: a null text)", parse_request},
    {"button", {"\"ID\" [\"REQUEST\"]", nullptr}, "a button event", parse_button},
    {"revertive",
     {"DEV INDEX VALUE [\"TEXT\"]", nullptr},
     "a raw revertive, for devices and indices the panel should ignore",
     parse_revertive},
    {"dbchange",
     {"DEV DB INDEX \"TEXT\"", nullptr},
     "a raw database change record",
     parse_dbchange},
    {"event",
     {"TYPE DATA", nullptr},
     "an event of another type with a plain data value",
     parse_event},
    {"fault router",
     {"offline|online|refuse", "delay MS"},
     "router faults: commands lost (reported again when online); crosspoints not made; "
     "revertives MS ms late (0 ends)",
     parse_fault_router},
    {"fault infodriver",
     {"silent|online", nullptr},
     "the infodriver answers nothing; online answers the outstanding polls and changes",
     parse_fault_infodriver},
    {"fault gpi",
     {"bounce N", nullptr},
     "each input change arrives after N extra alternating reports (0 ends)",
     parse_fault_gpi},
    {"fault names",
     {"missing", nullptr},
     "every `RN` gets a null reply",
     parse_fault_missing<fault_kind::names_missing>},
    {"fault lookup",
     {"\"NAME\" missing", nullptr},
     "`SD 'NAME'` gets a null reply (before start: a start-up without it)",
     parse_fault_missing<fault_kind::lookup_missing>},
    {"fault layout",
     {"missing", nullptr},
     "`PS` fails: the host refuses to show the panel",
     parse_fault_missing<fault_kind::layout_missing>},
    {"fault clear", {"", nullptr}, "ends every fault, the online ones first", parse_fault_clear},
    {"expect dest", {"D source S", nullptr}, "the router's crosspoint", parse_expect_dest},
    {"expect control",
     {"ID PROPERTY \"VALUE\"", nullptr},
     "a property (`text`, `statesheet`, ...) of a control of panel \"1\"",
     parse_expect_control},
    {"expect hidden", {"ID", nullptr}, "the control is hidden", parse_expect_visibility<true>},
    {"expect visible", {"ID", nullptr}, "the control is visible", parse_expect_visibility<false>},
    {"expect answer",
     {"\"TEXT\"", "none"},
     "the answer to the last parent request",
     parse_expect_answer},
    {"expect sent",
     {"\"COMMAND\"", nullptr},
     "the last step sent exactly this command",
     parse_expect_sent},
    {"expect not-sent",
     {"\"PREFIX\"", nullptr},
     "the last step sent no command starting so",
     parse_expect_not_sent},
    {"expect timer",
     {"ID running|stopped", nullptr},
     "a timer runs or is stopped",
     parse_expect_timer},
    {"load", {"FILE", nullptr}, "at the prompt: play a scenario file", parse_load},
    {"trace",
     {"on|off|short", nullptr},
     "at the prompt: print the whole trace, nothing, or one line per step with its commands",
     parse_trace},
    {"record",
     {"FILE", nullptr},
     "at the prompt: write the session so far as a scenario that expects the current state",
     parse_record},
    {"help",
     {"[STATEMENT]", nullptr},
     "at the prompt: the statements, or the forms of one",
     parse_help},
    {"quit",
     {"", nullptr},
     "at the prompt: end the session (as Ctrl-D does)",
     parse_bare<stmt::quit>},
};

std::string form_text(const statement_entry& entry, const char* form) {
    std::string text = entry.keyword;
    if (form[0] != '\0') {
        text += std::string(" ") + form;
    }
    return text;
}

}  // namespace

const std::vector<statement_entry>& statement_table() {
    return kTable;
}

const statement_entry* find_statement(const std::string& keyword) {
    for (const auto& entry : kTable) {
        if (keyword == entry.keyword) {
            return &entry;
        }
    }
    return nullptr;
}

std::string second_words(const std::string& first) {
    std::string all;
    const std::string prefix = first + " ";
    for (const auto& entry : kTable) {
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

std::string markdown_forms(const statement_entry& entry) {
    std::string cell;
    for (const char* form : entry.forms) {
        if (form == nullptr) {
            continue;
        }
        cell += (cell.empty() ? "`" : ", `") + form_text(entry, form) + "`";
    }
    std::string escaped;
    for (const char c : cell) {
        escaped += c == '|' ? std::string("\\|") : std::string(1, c);
    }
    return escaped;
}

std::string markdown_statement_table() {
    std::string table = "| statement | what it does |\n| --- | --- |\n";
    for (const auto& entry : kTable) {
        table += "| " + markdown_forms(entry) + " | " + entry.help + " |\n";
    }
    return table;
}

namespace {

std::string entry_help(const statement_entry& entry) {
    std::string forms;
    for (const char* form : entry.forms) {
        if (form != nullptr) {
            forms += (forms.empty() ? "" : " | ") + form_text(entry, form);
        }
    }
    return "  " + forms + "\n      " + entry.help + "\n";
}

}  // namespace

std::string statement_help() {
    std::string help = "Statements (texts in double quotes):\n";
    for (const auto& entry : kTable) {
        help += entry_help(entry);
    }
    return help;
}

std::string statement_help(const std::string& topic) {
    std::string help;
    for (const auto& entry : kTable) {
        const std::string keyword = entry.keyword;
        if (keyword == topic || keyword.compare(0, topic.size() + 1, topic + " ") == 0) {
            help += entry_help(entry);
        }
    }
    return help;
}

}  // namespace kest_host
