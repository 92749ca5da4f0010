#include "report/html_report.h"

#include <algorithm>
#include <array>
#include <set>

#include "report/html_parts.h"
#include "report/output_file.h"
#include "report/safe_text.h"
#include "report/sha256.h"

namespace kest_host::report {

namespace {

using html::attr;
using html::number;
using html::text;

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
    if (suite.steps_dropped > 0) {
        out += "<li class=\"step dropped\">" + number(suite.steps_dropped) +
               " more statements not shown (with " + number(suite.entries_dropped) +
               " entries): a report keeps at most " + number(recorder::kMaxSteps) +
               " statements of a scenario file</li>\n";
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

// The failed expectations of a suite, each linked to the drawing that shows it.
void write_failure_list(std::string& out, const suite_record& suite, const std::string& suite_id) {
    std::vector<std::pair<const expectation_record*, std::string>> failures;
    for (const auto& d : html::drawings(suite)) {
        for (const expectation_record* f : d.failures) {
            failures.emplace_back(f, html::drawing_id(suite_id, d));
        }
    }
    // Those whose drawing the report's limit left out, unlinked.
    for (const auto& e : suite.expectations) {
        const bool drawn = std::any_of(failures.begin(), failures.end(),
                                       [&e](const auto& f) { return f.first == &e; });
        if (!e.passed && !drawn) {
            failures.emplace_back(&e, "");
        }
    }
    if (failures.empty()) {
        return;
    }
    std::stable_sort(failures.begin(), failures.end(),
                     [](const auto& a, const auto& b) { return a.first->line < b.first->line; });
    out += "<nav class=\"failures\"><h3>Failed expectations</h3><ol>";
    for (const auto& f : failures) {
        out += "<li>";
        const std::string where = "line " + std::to_string(f.first->line);
        if (f.second.empty()) {
            text(out, where);
        } else {
            out += "<a href=\"#" + html_text(f.second) + "\">" + html_text(where) + "</a>";
        }
        out += ": <code>";
        text(out, f.first->statement);
        out += "</code>";
        if (!f.first->message.empty()) {
            out += ": ";
            text(out, f.first->message);
        }
        out += "</li>";
    }
    out += "</ol></nav>\n";
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
    write_failure_list(out, suite, id);
    html::write_panels(out, suite, id, run.high_statesheet);
    if (suite.snapshots_dropped > 0) {
        out += "<p class=\"dropped\">" + number(suite.snapshots_dropped) +
               " more drawings of the panel not shown: a report keeps at most " +
               number(recorder::kMaxSnapshots) + " of a scenario file</p>\n";
    }
    if (suite.expectations_dropped > 0) {
        out += "<p class=\"dropped\">" + number(suite.expectations_dropped) +
               " more expectations not shown (" + number(suite.failed_expectations_dropped) +
               " of them failed): a report keeps at most " + number(recorder::kMaxExpectations) +
               " of a scenario file</p>\n";
    }
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
    if (run.suites.size() < 2) {
        return;
    }
    // The files of the run, each linked to its section.
    out += "<nav class=\"index\"><ol>";
    for (std::size_t i = 0; i < run.suites.size(); ++i) {
        const suite_record& suite = run.suites[i];
        const bool bad = suite_failed(suite);
        out += "<li><a href=\"#suite-" + number(i) + "\">";
        text(out, suite.name);
        out += std::string("</a> <span class=\"verdict ") +
               (bad ? "failed\">failed" : "passed\">passed") + "</span> ";
        std::string figures = number(suite.summary.expectations) + " expectations, " +
                              number(suite.summary.failed_expectations) + " failed";
        if (!suite.error.empty()) {
            figures += "; the run stopped";
        }
        text(out, figures);
        out += "</li>";
    }
    out += "</ol></nav>\n";
}

// What the run was made with: the host's build and the plug-in's file and version.
void write_build(std::string& out, const run_record& run) {
    if (run.build.empty()) {
        return;
    }
    out += "<dl id=\"build\">";
    for (const auto& [name, value] : run.build) {
        out += "<dt>" + html_text(name) + "</dt><dd>" + html_text(value) + "</dd>";
    }
    out += "</dl>\n";
}

}  // namespace

std::string content_security_policy(std::string_view script) {
    const std::array<uint8_t, 32> digest = sha256(script);
    // Nothing is loaded from anywhere; the one script runs by its hash, so that a text
    // that ever escaped its escaping still could not run. Styles stay inline (the
    // drawings place each control with a style attribute).
    return "default-src 'none'; script-src 'sha256-" + base64(digest.data(), digest.size()) +
           "'; style-src 'unsafe-inline'; img-src data:; base-uri 'none'; form-action 'none'";
}

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
    const std::string script = std::string("//<![CDATA[") + html::script() + "//]]>";
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"" +
        content_security_policy(script) +
        "\"/>\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
        "<link rel=\"icon\" href=\"data:,\"/>\n<title>";
    text(out, run.title);
    out += " report</title>\n<style>";
    out += html::style();
    out += "</style>\n</head>\n<body>\n<header><h1>";
    text(out, run.title);
    out +=
        " report</h1>\n<noscript><p>The timeline filter needs JavaScript; everything is "
        "shown.</p></noscript>\n";
    write_run_summary(out, run);
    write_build(out, run);
    out += "</header>\n<main>\n";
    for (std::size_t i = 0; i < run.suites.size(); ++i) {
        write_suite(out, run, run.suites[i], i);
    }
    out += "</main>\n<script>" + script + "</script>\n</body>\n</html>\n";
    return out;
}

bool write_html_file(const run_record& run, const std::string& path, std::string& error) {
    return write_output_file(path, html_report(run), error);
}

}  // namespace kest_host::report
