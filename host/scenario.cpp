#include "scenario.h"

#include <algorithm>
#include <limits>
#include <sstream>

#include "render.h"

namespace kest_host {

namespace {

struct token {
    std::string text;
    bool quoted = false;
};

bool tokenize(const std::string& line, std::vector<token>& out, std::string& error) {
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') {
            break;
        }
        token t;
        if (c == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '\\' && i + 1 < line.size() &&
                    (line[i + 1] == '"' || line[i + 1] == '\\')) {
                    t.text += line[i + 1];
                    i += 2;
                } else if (line[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    t.text += line[i++];
                }
            }
            if (!closed) {
                error = "a text opened with \" is not closed";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '#' && line[i] != '"') {
                t.text += line[i++];
            }
        }
        out.push_back(std::move(t));
    }
    return true;
}

// Reads the arguments of one statement and says precisely what was expected.
class reader {
  public:
    reader(const std::vector<token>& tokens, std::string& error) : tokens_(tokens), error_(error) {}

    bool number(const char* what, int64_t low, int64_t high, int64_t& value) {
        if (pos_ >= tokens_.size() || tokens_[pos_].quoted) {
            return expected(what);
        }
        const std::string& w = tokens_[pos_].text;
        std::size_t i = w.size() > 0 && w[0] == '-' ? 1 : 0;
        if (i == w.size() || w.size() > 12) {
            return expected(what);
        }
        int64_t v = 0;
        for (; i < w.size(); ++i) {
            if (w[i] < '0' || w[i] > '9') {
                return expected(what);
            }
            v = v * 10 + (w[i] - '0');
        }
        if (w[0] == '-') {
            v = -v;
        }
        if (v < low || v > high) {
            error_ = std::string(what) + " from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not " + w;
            return false;
        }
        value = v;
        ++pos_;
        return true;
    }

    bool text(const char* what, std::string& value) {
        if (pos_ >= tokens_.size() || !tokens_[pos_].quoted) {
            return expected(what);
        }
        value = tokens_[pos_++].text;
        return true;
    }

    // One of the words in `choices` (separated by "|"); its index goes to `which`.
    bool word(const char* choices, int& which) {
        if (pos_ < tokens_.size() && !tokens_[pos_].quoted) {
            std::string all = choices;
            std::size_t start = 0;
            int n = 0;
            while (start <= all.size()) {
                std::size_t end = all.find('|', start);
                if (end == std::string::npos) {
                    end = all.size();
                }
                if (all.compare(start, end - start, tokens_[pos_].text) == 0 &&
                    end - start == tokens_[pos_].text.size()) {
                    which = n;
                    ++pos_;
                    return true;
                }
                start = end + 1;
                ++n;
            }
        }
        std::string list = choices;
        for (std::size_t bar = list.find('|'); bar != std::string::npos; bar = list.find('|')) {
            list.replace(bar, 1, " or ");
        }
        return expected("\"" + list + "\"");
    }

    // A bare word or a quoted text.
    bool any(const char* what, std::string& value) {
        if (pos_ >= tokens_.size()) {
            return expected(what);
        }
        value = tokens_[pos_++].text;
        return true;
    }

    bool more() const { return pos_ < tokens_.size(); }
    bool next_is_text() const { return more() && tokens_[pos_].quoted; }

    bool done() {
        if (pos_ < tokens_.size()) {
            error_ = "expected the end of the line, got \"" + tokens_[pos_].text + "\"";
            return false;
        }
        return true;
    }

  private:
    bool expected(const std::string& what) {
        error_ = "expected " + what;
        if (pos_ < tokens_.size()) {
            error_ += ", got " + std::string(tokens_[pos_].quoted ? "\"" : "") +
                      tokens_[pos_].text + (tokens_[pos_].quoted ? "\"" : "");
        } else {
            error_ += " at the end of the line";
        }
        return false;
    }

    const std::vector<token>& tokens_;
    std::string& error_;
    std::size_t pos_ = 1;
};

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;

bool parse_statement(const std::vector<token>& tokens, step& s, std::string& error) {
    reader r(tokens, error);
    const std::string& verb = tokens[0].text;
    int64_t n = 0;
    std::string t;
    auto num = [&](const char* what, int64_t low, int64_t high) {
        if (!r.number(what, low, high, n)) {
            return false;
        }
        s.numbers.push_back(n);
        return true;
    };
    auto txt = [&](const char* what) {
        if (!r.text(what, t)) {
            return false;
        }
        s.texts.push_back(t);
        return true;
    };
    int which = 0;
    if (tokens[0].quoted) {
        error = "expected a statement word, got a quoted text";
        return false;
    }
    if (verb == "layout-dir") {
        s.kind = step_kind::layout_dir;
        if (!txt("a quoted directory"))
            return false;
    } else if (verb == "device") {
        s.kind = step_kind::device;
        if (!r.word("router|infodriver|gpi", which))
            return false;
        s.numbers.push_back(which);
        if (!num("a device number", 0, kInt32Max))
            return false;
    } else if (verb == "instance") {
        s.kind = step_kind::instance;
        if (!txt("a quoted instance name") || !num("a device number", kInt32Min, kInt32Max))
            return false;
        if (r.more()) {
            if (!num("an offset", kInt32Min, kInt32Max))
                return false;
        } else {
            s.numbers.push_back(0);
        }
    } else if (verb == "inputs") {
        s.kind = step_kind::inputs;
        if (!num("a GPI device number", 0, kInt32Max) ||
            !num("the first GPI index", kInt32Min, kInt32Max - 7))
            return false;
    } else if (verb == "slot") {
        s.kind = step_kind::slot;
        if (!num("a slot index", kInt32Min, kInt32Max) || !txt("a quoted slot text"))
            return false;
    } else if (verb == "name") {
        s.kind = step_kind::name;
        if (!r.word("source|dest", which))
            return false;
        s.flag = which == 1;
        if (!num("an index", kInt32Min, kInt32Max) || !txt("a quoted name"))
            return false;
    } else if (verb == "route") {
        s.kind = step_kind::route;
        if (!num("a source number", kInt32Min, kInt32Max) || !r.word("to", which) ||
            !num("a destination number", 1, kInt32Max))
            return false;
    } else if (verb == "input") {
        s.kind = step_kind::input;
        if (!num("a GPI index", kInt32Min, kInt32Max) || !num("a state", kInt32Min, kInt32Max))
            return false;
    } else if (verb == "start" || verb == "stop" || verb == "show") {
        s.kind = verb == "start"  ? step_kind::start
                 : verb == "stop" ? step_kind::stop
                                  : step_kind::show;
    } else if (verb == "press" || verb == "release") {
        s.kind = verb == "press" ? step_kind::press : step_kind::release;
        if (!num("an input number", 1, 8))
            return false;
    } else if (verb == "advance") {
        s.kind = step_kind::advance;
        if (!num("a time in ms", 0, kDayMs))
            return false;
    } else if (verb == "request") {
        s.kind = step_kind::request;
        if (r.next_is_text()) {
            if (!txt("a quoted request"))
                return false;
        } else {
            if (!r.word("none", which))
                return false;
            s.flag = true;
        }
    } else if (verb == "button") {
        s.kind = step_kind::button;
        if (!txt("a quoted control id"))
            return false;
        if (r.more()) {
            if (!txt("a quoted request text"))
                return false;
        } else {
            s.texts.push_back("");
        }
    } else if (verb == "revertive") {
        s.kind = step_kind::revertive;
        if (!num("a device number", kInt32Min, kInt32Max) ||
            !num("an index", kInt32Min, kInt32Max) || !num("a value", kInt32Min, kInt32Max))
            return false;
        if (r.more()) {
            if (!txt("a quoted text"))
                return false;
        } else {
            s.texts.push_back("");
        }
    } else if (verb == "dbchange") {
        s.kind = step_kind::dbchange;
        if (!num("a device number", kInt32Min, kInt32Max) ||
            !num("a database number", kInt32Min, kInt32Max) ||
            !num("an index", kInt32Min, kInt32Max) || !txt("a quoted name"))
            return false;
    } else if (verb == "event") {
        s.kind = step_kind::event;
        if (!num("an event type", kInt32Min, kInt32Max) ||
            !num("a data value", kInt32Min, kInt32Max))
            return false;
        if (s.numbers[0] >= 1 && s.numbers[0] <= 3) {
            error = "event types 1 to 3 carry records; use revertive, button or request";
            return false;
        }
        if (s.numbers[0] == 5 || s.numbers[0] == 6) {
            error = "event types 5 and 6 carry pointers; use request or dbchange";
            return false;
        }
    } else if (verb == "expect") {
        if (!r.word("dest|control|hidden|visible|answer|sent|not-sent|timer", which))
            return false;
        switch (which) {
            case 0:
                s.kind = step_kind::expect_dest;
                if (!num("a destination number", 1, kInt32Max) || !r.word("source", which) ||
                    !num("a source number", kInt32Min, kInt32Max))
                    return false;
                break;
            case 1:
                s.kind = step_kind::expect_control;
                if (!r.any("a control id", t))
                    return false;
                s.texts.push_back(t);
                if (!r.any("a property name", t))
                    return false;
                s.texts.push_back(t);
                if (!txt("a quoted value"))
                    return false;
                break;
            case 2:
            case 3:
                s.kind = which == 2 ? step_kind::expect_hidden : step_kind::expect_visible;
                if (!r.any("a control id", t))
                    return false;
                s.texts.push_back(t);
                break;
            case 4:
                s.kind = step_kind::expect_answer;
                if (r.next_is_text()) {
                    if (!txt("a quoted answer"))
                        return false;
                } else {
                    if (!r.word("none", which))
                        return false;
                    s.flag = true;
                }
                break;
            case 5:
            case 6:
                s.kind = which == 5 ? step_kind::expect_sent : step_kind::expect_not_sent;
                if (!txt("a quoted command text"))
                    return false;
                break;
            default:
                s.kind = step_kind::expect_timer;
                if (!num("a timer id", kInt32Min, kInt32Max) || !r.word("running|stopped", which))
                    return false;
                s.flag = which == 0;
                break;
        }
    } else {
        error =
            "expected a statement (device, instance, slot, name, route, start, press, "
            "release, advance, request, button, show, expect, ...), got \"" +
            verb + "\"";
        return false;
    }
    return r.done();
}

}  // namespace

bool parse_scenario_line(const std::string& text, const std::string& file, int line,
                         std::optional<step>& out, std::string& error) {
    out.reset();
    std::vector<token> tokens;
    std::string why;
    if (!tokenize(text, tokens, why)) {
        error = file + ":" + std::to_string(line) + ": " + why;
        return false;
    }
    if (tokens.empty()) {
        return true;
    }
    if (text.find(static_cast<char>(sim_host::kPoison)) != std::string::npos) {
        error = file + ":" + std::to_string(line) +
                ": byte 0xFE is reserved: the host marks released replies with it";
        return false;
    }
    step s;
    s.line = line;
    std::string source = text.substr(0, text.find('#'));
    if (std::count(source.begin(), source.end(), '"') % 2 != 0) {
        source = text;  // the "#" was inside a text
    }
    const auto first = source.find_first_not_of(" \t");
    const auto last = source.find_last_not_of(" \t\r");
    s.source = first == std::string::npos ? "" : source.substr(first, last - first + 1);
    if (!parse_statement(tokens, s, why)) {
        error = file + ":" + std::to_string(line) + ": " + tokens[0].text + ": " + why;
        return false;
    }
    out = std::move(s);
    return true;
}

bool parse_scenario(const std::string& content, const std::string& file, scenario& out,
                    std::string& error) {
    out = scenario{};
    out.file = file;
    std::istringstream lines(content);
    std::string text;
    int line = 0;
    while (std::getline(lines, text)) {
        ++line;
        std::optional<step> s;
        if (!parse_scenario_line(text, file, line, s, error)) {
            return false;
        }
        if (s) {
            out.steps.push_back(std::move(*s));
        }
    }
    return true;
}

// --- Running -------------------------------------------------------------------------

namespace {

std::string directory_of(const std::string& file) {
    const auto cut = file.find_last_of("/\\");
    return cut == std::string::npos ? "." : file.substr(0, cut == 0 ? 1 : cut);
}

}  // namespace

scenario_runner::scenario_runner(const run_options& options, std::ostream& out)
    : options_(options),
      out_(out),
      checks_([this](check_id id, bool failure, const std::string& message) {
          out_ << (failure ? "CHECK FAILED " : "check warning ") << info(id).id << ": " << message
               << "\n";
      }),
      host_(checks_) {
    host_.set_trace(options.quiet ? nullptr : &out_, options.color);
    host_.set_record_commands(true);
    if (options_.layout_dir.empty()) {
        options_.layout_dir = directory_of(options_.plugin);
    }
}

scenario_runner::~scenario_runner() = default;

void scenario_runner::fail(const std::string& where, const std::string& message) {
    ++failed_;
    if (options_.color) {
        out_ << "\033[1;31mFAIL\033[0m " << where << ": " << message << "\n";
    } else {
        out_ << "FAIL " << where << ": " << message << "\n";
    }
}

bool scenario_runner::ensure_started() {
    if (started_) {
        return true;
    }
    started_ = true;
    fatal_ = true;  // a panel that cannot be made ends what the run can do
    if (!host_.load(options_.plugin, error_)) {
        return false;
    }
    if (!host_.create(options_.layout_dir)) {
        error_ =
            "plug-in " + options_.plugin + " made no panel (load_kest_client_script returned null)";
        return false;
    }
    host_.settle();
    fatal_ = false;
    return true;
}

device* scenario_runner::need(device_kind kind, const std::string& where) {
    device* d = host_.first_device(kind);
    if (d == nullptr) {
        error_ = where + ": no " + std::string(kind_name(kind)) + " device is declared (device " +
                 kind_name(kind) + " N)";
    }
    return d;
}

void scenario_runner::show() {
    render_options r;
    r.color = options_.color;
    for (const auto& p : host_.panels()) {
        out_ << render_panel(host_, p.first, r);
    }
    if (host_.panels().empty()) {
        out_ << "(no panel shown)\n";
    }
}

bool scenario_runner::execute(const step& s, const std::string& file) {
    const std::string where = file + ":" + std::to_string(s.line);
    host_.set_location("at " + where);
    const bool expectation = s.kind >= step_kind::expect_dest;
    if (!options_.quiet && !expectation && (started_ || s.kind >= step_kind::start)) {
        out_ << (options_.color ? "\033[1m" : "") << "--- " << where << ": " << s.source
             << (options_.color ? "\033[0m" : "") << "\n";
    }
    const uint64_t failed_before = failed_;
    if (!expectation) {
        host_.clear_step_commands();
    }
    const bool needs_panel = s.kind >= step_kind::start && !expectation &&
                             s.kind != step_kind::stop && s.kind != step_kind::show;
    if (needs_panel && stopped_) {
        error_ = where + ": the panel has been stopped; nothing can reach it any more";
        return false;
    }
    // A step that cannot be carried out says so before the panel is started for it.
    if ((s.kind == step_kind::press || s.kind == step_kind::release) && !inputs_set_ &&
        need(device_kind::gpi, where) == nullptr) {
        return false;
    }
    if (needs_panel && !ensure_started()) {
        return false;
    }
    auto i32 = [&](std::size_t i) { return static_cast<int32_t>(s.numbers[i]); };
    switch (s.kind) {
        case step_kind::layout_dir:
            if (started_) {
                error_ = where + ": layout-dir must come before the panel starts";
                return false;
            }
            options_.layout_dir = s.texts[0];
            if (options_.layout_dir.empty() ||
                (options_.layout_dir[0] != '/' && options_.layout_dir[0] != '\\' &&
                 !(options_.layout_dir.size() > 1 && options_.layout_dir[1] == ':'))) {
                options_.layout_dir = directory_of(file) + "/" + options_.layout_dir;
            }
            break;
        case step_kind::device:
            if (host_.add_device(static_cast<device_kind>(s.numbers[0]), i32(1)) == nullptr) {
                error_ =
                    where + ": device " + std::to_string(s.numbers[1]) + " is already declared";
                return false;
            }
            break;
        case step_kind::instance:
            host_.add_instance(s.texts[0], i32(0), i32(1));
            break;
        case step_kind::inputs:
            input_device_ = i32(0);
            input_first_ = i32(1);
            inputs_set_ = true;
            break;
        case step_kind::slot: {
            device* d = need(device_kind::infodriver, where);
            if (d == nullptr)
                return false;
            host_.set_slot(*d, i32(0), s.texts[0]);
            break;
        }
        case step_kind::name: {
            device* d = need(device_kind::router, where);
            if (d == nullptr)
                return false;
            if (started_ && !stopped_) {
                host_.rename(*d, s.flag ? 1 : 0, i32(0), s.texts[0]);
            } else {
                d->names[s.flag ? 1 : 0][i32(0)] = s.texts[0];
            }
            break;
        }
        case step_kind::route: {
            device* d = need(device_kind::router, where);
            if (d == nullptr)
                return false;
            host_.route(*d, i32(1), i32(0));
            break;
        }
        case step_kind::input: {
            device* d = need(device_kind::gpi, where);
            if (d == nullptr)
                return false;
            host_.set_input(*d, i32(0), i32(1));
            break;
        }
        case step_kind::press:
        case step_kind::release: {
            if (!inputs_set_) {
                device* d = need(device_kind::gpi, where);
                if (d == nullptr)
                    return false;
                input_device_ = d->number;
                input_first_ = 0;
                for (const auto& inst : host_.instances()) {
                    if (inst.second.first == d->number) {
                        input_first_ = inst.second.second;
                        break;
                    }
                }
                inputs_set_ = true;
            }
            device* d = host_.find_device(input_device_);
            if (d == nullptr || d->kind != device_kind::gpi) {
                error_ = where + ": inputs names device " + std::to_string(input_device_) +
                         ", which is not a declared gpi device";
                return false;
            }
            host_.set_input(*d, input_first_ + i32(0) - 1, s.kind == step_kind::press ? 1 : 0);
            break;
        }
        case step_kind::start:
            break;
        case step_kind::stop:
            if (started_ && !stopped_) {
                host_.destroy();
            }
            stopped_ = true;
            break;
        case step_kind::show:
            if (started_ && !stopped_) {
                host_.settle();
            }
            show();
            break;
        case step_kind::advance:
            host_.advance(s.numbers[0]);
            break;
        case step_kind::request:
            host_.send_request(s.flag ? nullptr : &s.texts[0]);
            break;
        case step_kind::button:
            host_.send_button(s.texts[0], s.texts[1]);
            break;
        case step_kind::revertive:
        case step_kind::dbchange: {
            revertive_info record{};
            const bool db = s.kind == step_kind::dbchange;
            record.device = i32(0);
            record.database = db ? i32(1) : 0;
            record.index = i32(db ? 2 : 1);
            record.value = db ? 0 : i32(2);
            const std::string& text = s.texts[0];
            const std::size_t n = std::min(text.size(), KEST_REVERTIVE_TEXT_CAPACITY - 1);
            text.copy(record.text, n);
            host_.send_record(db ? KEST_EVENT_DATABASE_CHANGE : KEST_EVENT_REVERTIVE, record);
            break;
        }
        case step_kind::event:
            host_.send_raw(i32(0), static_cast<intptr_t>(s.numbers[1]));
            break;
        case step_kind::expect_dest: {
            ++expectations_;
            device* d = need(device_kind::router, where);
            if (d == nullptr)
                return false;
            const auto x = host_.crosspoint(d->number, i32(0));
            if (!x || *x != i32(1)) {
                fail(where, "expected destination " + std::to_string(s.numbers[0]) +
                                " to carry source " + std::to_string(s.numbers[1]) +
                                ", it carries " +
                                (x ? "source " + std::to_string(*x) : std::string("nothing")));
            }
            break;
        }
        case step_kind::expect_control: {
            ++expectations_;
            const control_state* c = host_.control("1", s.texts[0]);
            if (c == nullptr) {
                fail(where,
                     "expected control \"" + s.texts[0] + "\" on panel \"1\", which has none");
                break;
            }
            const std::string& property = s.texts[1];
            std::string value;
            if (property == "text") {
                value = c->text;
            } else if (property == "statesheet") {
                value = c->statesheet;
            } else {
                const auto p = c->other.find(property);
                value = p == c->other.end() ? "" : p->second;
            }
            if (value != s.texts[2]) {
                fail(where, "expected control \"" + s.texts[0] + "\" " + property + " \"" +
                                s.texts[2] + "\", it is \"" + printable(value) + "\"");
            }
            break;
        }
        case step_kind::expect_hidden:
        case step_kind::expect_visible: {
            ++expectations_;
            const control_state* c = host_.control("1", s.texts[0]);
            const bool want_hidden = s.kind == step_kind::expect_hidden;
            if (c == nullptr) {
                fail(where,
                     "expected control \"" + s.texts[0] + "\" on panel \"1\", which has none");
            } else if (c->hidden != want_hidden) {
                fail(where, "expected control \"" + s.texts[0] + "\" to be " +
                                (want_hidden ? "hidden" : "visible") + ", it is " +
                                (c->hidden ? "hidden" : "visible"));
            }
            break;
        }
        case step_kind::expect_answer: {
            ++expectations_;
            const auto& answer = host_.last_answer();
            if (s.flag && answer) {
                fail(where, "expected no answer, got \"" + printable(*answer) + "\"");
            } else if (!s.flag && (!answer || *answer != s.texts[0])) {
                fail(where, "expected the answer \"" + s.texts[0] + "\", got " +
                                (answer ? "\"" + printable(*answer) + "\"" : std::string("none")));
            }
            break;
        }
        case step_kind::expect_sent:
        case step_kind::expect_not_sent: {
            ++expectations_;
            bool found = false;
            for (const auto& c : host_.step_commands()) {
                if (s.kind == step_kind::expect_sent
                        ? c == s.texts[0]
                        : c.compare(0, s.texts[0].size(), s.texts[0]) == 0) {
                    found = true;
                    break;
                }
            }
            if (s.kind == step_kind::expect_sent && !found) {
                std::string sent;
                const auto& all = host_.step_commands();
                constexpr std::size_t kListed = 12;
                for (std::size_t i = 0; i < all.size() && i < kListed; ++i) {
                    sent += (sent.empty() ? "`" : ", `") + printable(all[i]) + "`";
                }
                if (all.size() > kListed) {
                    sent += " and " + std::to_string(all.size() - kListed) + " more";
                }
                fail(where, "expected `" + s.texts[0] + "` to be sent; the last step sent " +
                                (sent.empty() ? std::string("nothing") : sent));
            } else if (s.kind == step_kind::expect_not_sent && found) {
                fail(where, "expected no command starting `" + s.texts[0] + "`, one was sent");
            }
            break;
        }
        case step_kind::expect_timer: {
            ++expectations_;
            const bool running = host_.timer_running(i32(0));
            if (running != s.flag) {
                fail(where, "expected timer " + std::to_string(s.numbers[0]) + " to be " +
                                (s.flag ? "running" : "stopped") + ", it is " +
                                (running ? "running" : "stopped"));
            }
            break;
        }
    }
    if (expectation && !options_.quiet && failed_ == failed_before) {
        out_ << "ok   " << where << ": " << s.source << "\n";
    }
    if (started_ && !stopped_ && !expectation) {
        host_.settle();
    }
    if (!host_.file_error().empty()) {
        error_ = where + ": " + host_.file_error();
        fatal_ = true;
        return false;
    }
    return true;
}

int scenario_runner::finish() {
    host_.set_location("at the end of the run");
    if (started_ && !stopped_) {
        host_.destroy();
        stopped_ = true;
    }
    host_.unload();
    host_.finish();
    if (!error_.empty()) {
        out_ << "error: " << error_ << "\n";
        return 2;
    }
    if (!host_.panels().empty()) {
        out_ << "Panel at the end:\n";
        show();
    }
    out_ << checks_.table(options_.color);
    const bool checks_failed = checks_.any_failed();
    out_ << "Summary: " << expectations_ << " expectations, " << failed_ << " failed; "
         << "checks " << (checks_failed ? "FAILED" : "passed") << "; " << host_.commands_seen()
         << " commands, " << host_.events_delivered() << " events\n";
    return failed_ > 0 || checks_failed ? 1 : 0;
}

int run_scenario(const scenario& s, const run_options& options, std::ostream& out) {
    scenario_runner runner(options, out);
    for (const auto& st : s.steps) {
        if (!runner.execute(st, s.file)) {
            break;
        }
    }
    return runner.finish();
}

}  // namespace kest_host
