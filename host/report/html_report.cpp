#include "html_report.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "safe_text.h"

namespace kest_host::report {

namespace {

// Colours of the statesheets other than the lit one, given out in name order.
constexpr const char* kPalette[] = {"#5b6573", "#2f6fb0", "#a8742a", "#7d4bb0",
                                    "#2a8c8c", "#a83f5a", "#6b8a2a", "#8a5a3a"};
constexpr const char* kLitColour = "#2e9e44";

constexpr const char* kStyle = R"css(
:root { --bg: #f4f5f7; --fg: #1d2026; --muted: #5f6670; --bad: #c62828; --warn: #b26a00;
        --good: #2e7d32; --panel: #23272e; --panel-fg: #e8eaed; }
* { box-sizing: border-box; }
body { margin: 0; padding: 1.5rem; background: var(--bg); color: var(--fg);
       font: 15px/1.45 system-ui, sans-serif; }
h1 { margin: 0 0 .5rem; font-size: 1.5rem; }
h2 { margin: 2rem 0 .5rem; font-size: 1.25rem; border-bottom: 2px solid #cfd3da; }
h3 { margin: 1.25rem 0 .5rem; font-size: 1.05rem; }
code, .mono { font-family: ui-monospace, "DejaVu Sans Mono", monospace; }
.verdict { display: inline-block; padding: .2rem .7rem; border-radius: 4px; color: #fff;
           font-weight: 600; }
.verdict.passed { background: var(--good); }
.verdict.failed { background: var(--bad); }
table { border-collapse: collapse; background: #fff; }
th, td { border: 1px solid #d5d9e0; padding: .25rem .6rem; text-align: left;
         vertical-align: top; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
.status-passed { color: var(--good); font-weight: 600; }
.status-failed { color: var(--bad); font-weight: 600; }
.status-warning { color: var(--warn); font-weight: 600; }
.status-skipped { color: var(--muted); }
tr.failed td, td.bad { background: #fdecea; }
td.bad { color: var(--bad); font-weight: 600; }
.error { color: var(--bad); font-weight: 600; }
.findings { margin: 0; padding-left: 1.1rem; white-space: pre-wrap; }
figure.snapshot { margin: 0 0 1rem; display: inline-block; vertical-align: top;
                  margin-right: 1rem; }
figure.snapshot figcaption { font-size: .9rem; color: var(--muted); margin-bottom: .25rem; }
figure.snapshot.failed figcaption { color: var(--bad); font-weight: 600; }
figure.snapshot.failed .panel { outline: 3px solid var(--bad); }
.panel { display: grid; grid-auto-rows: 1.9em; padding: .6rem; background: var(--panel);
         color: var(--panel-fg); border-radius: 6px;
         font: 14px/1.9em ui-monospace, "DejaVu Sans Mono", monospace; }
.control { overflow: hidden; white-space: pre; text-overflow: ellipsis; padding: 0 2px;
           position: relative; }
.control.caption { color: #9aa3ad; }
.control.label { color: #fff; }
.control.indicator { background: #6b5200; color: #ffe9a8; border-radius: 3px; }
.control.button { margin: 0 3px; text-align: center; border-radius: 4px; color: #fff;
                  font-weight: 600; border: 1px solid #000; }
.control.button.ss-none { background: transparent; border: 1px solid #8c96a3;
                          color: #c4cad1; }
.control.is-hidden { opacity: .45; border: 1px dashed #c4cad1; background: transparent;
                     color: #c4cad1; }
.hidden-mark { position: absolute; right: 0; top: 0; font-size: 9px; line-height: 1.1;
               padding: 0 3px; text-transform: uppercase; color: #23272e;
               background: #c4cad1; border-radius: 0 0 0 3px; }
.legend { list-style: none; padding: 0; margin: .25rem 0 1rem; display: flex; gap: 1rem;
          flex-wrap: wrap; font-size: .9rem; }
.swatch { display: inline-block; width: 1.6em; height: 1em; vertical-align: middle;
          border-radius: 3px; margin-right: .35em; border: 1px solid #000; }
.swatch.ss-none { background: transparent; border-color: #8c96a3; }
.swatch.is-hidden { border: 1px dashed #5f6670; background: transparent; }
ol.timeline { list-style: none; padding: 0; margin: 0; }
li.step { background: #fff; border: 1px solid #d5d9e0; border-left: 4px solid #9aa3ad;
          margin: .3rem 0; padding: .3rem .6rem; }
li.step.failed { border-left-color: var(--bad); background: #fdecea; }
.statement .line { color: var(--muted); display: inline-block; min-width: 3em; }
.failure { color: var(--bad); font-weight: 600; white-space: pre-wrap; }
ul.entries { list-style: none; margin: .2rem 0 0 3em; padding: 0; font-size: .88rem; }
li.entry { white-space: pre-wrap; word-break: break-all; }
li.entry .dir { color: var(--muted); display: inline-block; min-width: 12em; }
li.entry.kind-reply, li.entry.kind-release { color: #3a5a8a; }
li.entry.kind-event { color: #6a3a8a; }
li.entry.kind-answer { color: #2a6b6b; }
li.entry.kind-finding { color: var(--bad); font-weight: 600; }
li.entry.dropped { color: var(--muted); font-style: italic; }
.filtered-out { display: none; }
form.filter { margin: .25rem 0 .5rem; }
form.filter label { margin-right: 1rem; }
)css";

// Shows the filter and applies it, also as a link's #device=N&kind=K asks. Without the
// script the form stays hidden and every entry stays visible.
constexpr const char* kScript = R"js(
(function () {
  'use strict';
  var forms = document.querySelectorAll('form.filter');
  Array.prototype.forEach.call(forms, function (form) {
    var suite = form.closest('section.suite');
    var device = form.querySelector('select[name="device"]');
    var kind = form.querySelector('select[name="kind"]');
    function apply() {
      var active = device.value !== '' || kind.value !== '';
      var entries = suite.querySelectorAll('li.entry');
      Array.prototype.forEach.call(entries, function (entry) {
        var match = (device.value === '' || entry.getAttribute('data-device') === device.value) &&
                    (kind.value === '' || entry.getAttribute('data-kind') === kind.value);
        entry.classList.toggle('filtered-out', !match);
      });
      var steps = suite.querySelectorAll('li.step');
      Array.prototype.forEach.call(steps, function (step) {
        var shown = step.querySelector('li.entry:not(.filtered-out)') !== null;
        step.classList.toggle('filtered-out',
                              active && !shown && !step.classList.contains('failed'));
      });
    }
    device.addEventListener('change', apply);
    kind.addEventListener('change', apply);
    form.hidden = false;
    // A link may carry a filter: report.html#device=12&kind=command
    location.hash.replace(/^#/, '').split('&').forEach(function (pair) {
      var parts = pair.split('=');
      var select = parts[0] === 'device' ? device : parts[0] === 'kind' ? kind : null;
      if (select && parts.length === 2) {
        try {
          select.value = decodeURIComponent(parts[1]);
        } catch (e) {
          select.value = '';
        }
      }
    });
    apply();
  });
})();
)js";

// The page is also well-formed XML (void elements closed, the script in a CDATA
// section), so that a test can parse it. Every attribute value and every text of
// the page goes through html_text(); these only join pieces.
void text(std::string& out, std::string_view value) {
    out += html_text(value);
}

void attr(std::string& out, const char* name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    out += html_text(value);
    out += '"';
}

std::string number(uint64_t n) {
    return std::to_string(n);
}

// The statesheets a suite uses, each with its CSS class and colour.
struct statesheet_colours {
    std::map<std::string, std::pair<std::string, std::string>> known;  // name -> class, colour

    std::string css_class(const std::string& name) const {
        if (name.empty()) {
            return "ss-none";
        }
        const auto it = known.find(name);
        return it == known.end() ? "ss-none" : it->second.first;
    }
};

statesheet_colours colours_for(const suite_record& suite, const std::string& lit) {
    std::set<std::string> names;
    for (const auto& shot : suite.snapshots) {
        for (const auto& c : shot.controls) {
            if (c.kind == "button" && !c.statesheet.empty()) {
                names.insert(c.statesheet);
            }
        }
    }
    statesheet_colours colours;
    std::size_t next = 0;
    for (const auto& name : names) {
        const std::string css = "ss-" + number(colours.known.size());
        if (name == lit) {
            colours.known[name] = {css, kLitColour};
        } else {
            colours.known[name] = {css, kPalette[next++ % std::size(kPalette)]};
        }
    }
    return colours;
}

void write_statesheet_style(std::string& out, const std::string& suite_id,
                            const statesheet_colours& colours) {
    if (colours.known.empty()) {
        return;
    }
    out += "<style>";
    for (const auto& entry : colours.known) {
        const std::string& css = entry.second.first;
        const std::string& colour = entry.second.second;
        for (const char* part :
             {"#", suite_id.c_str(), " .control.button.", css.c_str(), ", #", suite_id.c_str(),
              " .swatch.", css.c_str(), " { background: ", colour.c_str(), "; }\n"}) {
            out += part;
        }
    }
    out += "</style>\n";
}

void write_legend(std::string& out, const statesheet_colours& colours, const std::string& lit) {
    out += "<ul class=\"legend\">";
    for (const auto& entry : colours.known) {
        out += "<li data-statesheet=\"" + html_text(entry.first) + "\"><span class=\"swatch " +
               entry.second.first + "\"></span>";
        text(out, entry.first);
        if (entry.first == lit) {
            out += " (input high)";
        }
        out += "</li>";
    }
    out += "<li><span class=\"swatch ss-none\"></span>no statesheet yet</li>";
    out += "<li><span class=\"swatch is-hidden\"></span>hidden control</li></ul>\n";
}

void write_control(std::string& out, const control_record& c, const statesheet_colours& colours) {
    std::string classes = "control " + html_text(c.kind);
    if (c.kind == "button") {
        classes += " " + colours.css_class(c.statesheet);
    }
    if (!c.visible) {
        classes += " is-hidden";
    }
    out += "<div class=\"" + classes + "\"";
    attr(out, "data-control-id", c.id);
    attr(out, "data-kind", c.kind);
    attr(out, "data-statesheet", c.statesheet);
    out += c.visible ? " data-visible=\"1\"" : " data-visible=\"0\"";
    std::string title = c.id + " (" + c.kind + ")";
    if (!c.statesheet.empty()) {
        title += " statesheet " + c.statesheet;
    }
    if (!c.visible) {
        title += ", hidden";
    }
    attr(out, "title", title + ": " + c.text);
    const int column = std::max(c.column, 0) + 1;
    const int width = std::max(c.width, 1);
    out += " style=\"grid-column: " + std::to_string(column) + " / span " + std::to_string(width) +
           "; grid-row: " + std::to_string(std::max(c.row, 0) + 1) + "\">";
    out += "<span class=\"text\">";
    text(out, c.text);
    out += "</span>";
    if (!c.visible) {
        out += "<span class=\"hidden-mark\">hidden</span>";
    }
    out += "</div>";
}

std::string caption(const snapshot_record& shot, const std::string& failure) {
    switch (shot.reason) {
        case snapshot_reason::show:
            return "show at line " + std::to_string(shot.line);
        case snapshot_reason::end:
            return "at the end";
        case snapshot_reason::failed_expectation:
            return "failed expectation at line " + std::to_string(shot.line) +
                   (failure.empty() ? "" : ": " + failure);
    }
    return "";
}

// The failure message of the expectation at `line`, for a snapshot's caption.
std::string failure_at(const suite_record& suite, int line) {
    for (const auto& e : suite.expectations) {
        if (e.line == line && !e.passed) {
            return e.message;
        }
    }
    return "";
}

void write_snapshot(std::string& out, const suite_record& suite, const snapshot_record& shot,
                    const std::string& id, const statesheet_colours& colours) {
    int columns = 1;
    int rows = 1;
    for (const auto& c : shot.controls) {
        columns = std::max(columns, std::max(c.column, 0) + std::max(c.width, 1));
        rows = std::max(rows, std::max(c.row, 0) + 1);
    }
    const bool failed = shot.reason == snapshot_reason::failed_expectation;
    out += "<figure class=\"snapshot" + std::string(failed ? " failed" : "") + "\"";
    attr(out, "id", id);
    attr(out, "data-reason", reason_name(shot.reason));
    attr(out, "data-line", std::to_string(shot.line));
    out += "><figcaption>";
    text(out, caption(shot, failed ? failure_at(suite, shot.line) : ""));
    out += " &#183; panel <code>";
    text(out, shot.panel);
    out += "</code></figcaption>\n<div class=\"panel\" style=\"grid-template-columns: repeat(" +
           std::to_string(columns) + ", 1ch); grid-template-rows: repeat(" + std::to_string(rows) +
           ", 1.9em)\">";
    for (const auto& c : shot.controls) {
        write_control(out, c, colours);
    }
    out += "</div></figure>\n";
}

void write_panels(std::string& out, const suite_record& suite, const std::string& suite_id,
                  const std::string& lit) {
    if (suite.snapshots.empty()) {
        return;
    }
    const statesheet_colours colours = colours_for(suite, lit);
    write_statesheet_style(out, suite_id, colours);
    out += "<h3>Panel</h3>\n";
    write_legend(out, colours, lit);
    for (std::size_t i = 0; i < suite.snapshots.size(); ++i) {
        write_snapshot(out, suite, suite.snapshots[i], suite_id + "-snapshot-" + number(i),
                       colours);
    }
}

void write_check_row(std::string& out, const suite_record& suite, const check_record& check) {
    const char* status = status_name(check.status);
    out += std::string("<tr") + (check.status == check_status::failed ? " class=\"failed\"" : "");
    attr(out, "data-check-id", check.id);
    attr(out, "data-status", status);
    out += "><td><code>";
    text(out, check.id);
    out += "</code></td><td class=\"status-" + std::string(status) + "\">" + status + "</td><td>";
    text(out, check.description);
    if (check.status == check_status::skipped && !check.skip_reason.empty()) {
        out += "<br/><em>skipped: ";
        text(out, check.skip_reason);
        out += "</em>";
    }
    if (!check.findings.empty() || (suite.stress && !suite.stress->findings.empty())) {
        out += "<ul class=\"findings\">";
        for (const auto& f : check.findings) {
            out += "<li>" + html_text(f) + "</li>";
        }
        if (check.finding_count > check.findings.size()) {
            out += "<li>" + number(check.finding_count - check.findings.size()) +
                   " more not kept</li>";
        }
        if (suite.stress) {
            for (const auto& f : suite.stress->findings) {
                if (f.check_id == check.id) {
                    out += "<li>after event " + number(f.event) + ": " + html_text(f.message) +
                           "<br/>repeat with: <code>" + html_text(f.replay) + "</code></li>";
                }
            }
        }
        out += "</ul>";
    }
    out += "</td></tr>\n";
}

void write_checks(std::string& out, const suite_record& suite) {
    if (suite.checks.empty()) {
        return;
    }
    out +=
        "<h3>Checks</h3>\n<table class=\"checks\"><thead><tr><th>check</th><th>result</th>"
        "<th>what it checks</th></tr></thead><tbody>\n";
    for (const auto& check : suite.checks) {
        write_check_row(out, suite, check);
    }
    out += "</tbody></table>\n";
}

// A summary as one row of headings over one row of figures.
struct summary_table {
    std::string heads;
    std::string cells;

    void add(const char* name, const std::string& value, bool bad = false) {
        heads += std::string("<th>") + name + "</th>";
        cells += std::string("<td class=\"num") + (bad ? " bad" : "") + "\">" + value + "</td>";
    }
    std::string html(const char* attributes) const {
        return std::string("<table ") + attributes + "><tr>" + heads + "</tr><tr>" + cells +
               "</tr></table>\n";
    }
};

void write_suite_summary(std::string& out, const suite_record& suite) {
    const suite_summary& s = suite.summary;
    summary_table table;
    table.add("expectations", number(s.expectations));
    table.add("failed", number(s.failed_expectations), s.failed_expectations > 0);
    table.add("commands", number(s.commands));
    table.add("events", number(s.events));
    if (suite.stress) {
        table.add("seed", number(suite.stress->seed));
        table.add("stress events", number(suite.stress->events));
    }
    table.add("exit status", std::to_string(s.exit_status), s.exit_status != 0);
    out += table.html("class=\"suite-summary\"");
}

const char* direction(entry_kind kind) {
    switch (kind) {
        case entry_kind::command:
            return "plug-in \u2192 host";
        case entry_kind::reply:
            return "host \u2192 plug-in reply";
        case entry_kind::release:
            return "plug-in \u2192 host release";
        case entry_kind::event:
            return "host \u2192 plug-in";
        case entry_kind::answer:
            return "plug-in \u2192 host answer";
        case entry_kind::finding:
            return "check";
    }
    return "";
}

void write_entry(std::string& out, const timeline_entry& e) {
    out += "<li class=\"entry kind-" + std::string(kind_name(e.kind)) + "\"";
    attr(out, "data-kind", kind_name(e.kind));
    if (e.device) {
        attr(out, "data-device", std::to_string(*e.device));
    }
    out += "><span class=\"dir\">" + std::string(direction(e.kind)) + "</span><code>";
    text(out, e.text);
    out += "</code></li>";
}

void write_step(std::string& out, const step_record& step, const std::string& id) {
    out += std::string("<li class=\"step") + (step.failed ? " failed" : "") + "\"";
    attr(out, "id", id);
    attr(out, "data-line", std::to_string(step.line));
    out += "><div class=\"statement\"><span class=\"line\">" +
           (step.line > 0 ? std::to_string(step.line) : std::string()) + "</span><code>";
    text(out, step.statement.empty() && step.line == 0 ? "(before the first statement)"
                                                       : step.statement);
    out += "</code></div>";
    if (step.failed) {
        out += "<div class=\"failure\">" + html_text(step.failure) + "</div>";
    }
    if (!step.entries.empty() || step.entries_dropped > 0) {
        out += "<ul class=\"entries\">";
        for (const auto& e : step.entries) {
            write_entry(out, e);
        }
        if (step.entries_dropped > 0) {
            out += "<li class=\"entry dropped\">" + number(step.entries_dropped) +
                   " more entries not kept</li>";
        }
        out += "</ul>";
    }
    out += "</li>\n";
}

void write_filter(std::string& out, const suite_record& suite) {
    std::set<int32_t> devices;
    std::set<std::string> kinds;
    for (const auto& step : suite.steps) {
        for (const auto& e : step.entries) {
            if (e.device) {
                devices.insert(*e.device);
            }
            kinds.insert(kind_name(e.kind));
        }
    }
    out +=
        "<form class=\"filter\" hidden=\"hidden\"><label>device <select name=\"device\">"
        "<option value=\"\">all</option>";
    for (int32_t d : devices) {
        out += "<option>" + std::to_string(d) + "</option>";
    }
    out += "</select></label><label>kind <select name=\"kind\"><option value=\"\">all</option>";
    for (const auto& k : kinds) {
        out += "<option>" + html_text(k) + "</option>";
    }
    out += "</select></label></form>\n";
}

void write_timeline(std::string& out, const suite_record& suite, const std::string& suite_id) {
    if (suite.steps.empty()) {
        return;
    }
    out += "<h3>Timeline</h3>\n";
    write_filter(out, suite);
    out += "<ol class=\"timeline\">\n";
    for (std::size_t i = 0; i < suite.steps.size(); ++i) {
        write_step(out, suite.steps[i], suite_id + "-step-" + number(i));
    }
    out += "</ol>\n";
}

bool suite_failed(const suite_record& suite) {
    if (suite.summary.exit_status != 0 || !suite.error.empty() ||
        suite.summary.failed_expectations > 0) {
        return true;
    }
    return std::any_of(suite.checks.begin(), suite.checks.end(),
                       [](const check_record& c) { return c.status == check_status::failed; });
}

void write_suite(std::string& out, const run_record& run, const suite_record& suite,
                 std::size_t index) {
    const std::string id = "suite-" + number(index);
    const bool failed = suite_failed(suite);
    out += std::string("<section class=\"suite") + (failed ? " failed" : "") + "\"";
    attr(out, "id", id);
    attr(out, "data-suite", suite.name);
    out += "><h2>";
    text(out, suite.name);
    out += std::string(" <span class=\"verdict ") +
           (failed ? "failed\">failed" : "passed\">passed") + "</span></h2>\n";
    if (!suite.error.empty()) {
        out += "<p class=\"error\">The run stopped: " + html_text(suite.error) + "</p>\n";
    }
    write_suite_summary(out, suite);
    write_panels(out, suite, id, run.high_statesheet);
    write_checks(out, suite);
    write_timeline(out, suite, id);
    out += "</section>\n";
}

void write_run_summary(std::string& out, const run_record& run) {
    const run_totals t = totals(run);
    const bool failed = t.failed_expectations > 0 || t.checks_failed > 0 || t.errors > 0 ||
                        std::any_of(run.suites.begin(), run.suites.end(), suite_failed);
    out += std::string("<p><span class=\"verdict ") +
           (failed ? "failed\">failed" : "passed\">passed") + "</span></p>\n";
    summary_table table;
    table.add("scenario files", number(t.suites));
    table.add("expectations", number(t.expectations));
    table.add("failed expectations", number(t.failed_expectations), t.failed_expectations > 0);
    table.add("failed checks", number(t.checks_failed), t.checks_failed > 0);
    table.add("warnings", number(t.checks_warned));
    table.add("skipped checks", number(t.checks_skipped));
    table.add("runs that stopped", number(t.errors), t.errors > 0);
    out += table.html("id=\"summary\"");
}

}  // namespace

std::string html_text(std::string_view value) {
    const std::string clean = readable_text(value);
    std::string out;
    out.reserve(clean.size());
    for (char c : clean) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            // Line breaks and tabs as references keep their exact bytes in attributes
            // too, where a parser would otherwise fold them into spaces.
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string html_report(const run_record& run) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
        "<link rel=\"icon\" href=\"data:,\"/>\n<title>";
    text(out, run.title);
    out += " report</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n<body>\n<header><h1>";
    text(out, run.title);
    out +=
        " report</h1>\n<noscript><p>The timeline filter needs JavaScript; everything is "
        "shown.</p></noscript>\n";
    write_run_summary(out, run);
    out += "</header>\n<main>\n";
    for (std::size_t i = 0; i < run.suites.size(); ++i) {
        write_suite(out, run, run.suites[i], i);
    }
    out += "</main>\n<script>//<![CDATA[";
    out += kScript;
    out += "//]]></script>\n</body>\n</html>\n";
    return out;
}

bool write_html_file(const run_record& run, const std::string& path, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) {
        file << html_report(run);
        file.close();
    }
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace kest_host::report
