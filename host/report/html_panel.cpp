// The panel as a person sees it on the host: every control of the layout at its place
// on the character grid, buttons coloured by statesheet, hidden controls drawn as
// hidden.
#include <algorithm>
#include <map>
#include <set>

#include "report/html_parts.h"

namespace kest_host::report::html {

namespace {

// Colours of the statesheets other than the lit one, given out in name order.
constexpr const char* kPalette[] = {"#5b6573", "#2f6fb0", "#a8742a", "#7d4bb0",
                                    "#2a8c8c", "#a83f5a", "#6b8a2a", "#8a5a3a"};
constexpr const char* kLitColour = "#2e9e44";

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

void write_control(std::string& out, const control_record& c, const statesheet_colours& colours,
                   bool marked) {
    std::string classes = "control " + html_text(c.kind);
    if (marked) {
        classes += " marked";
    }
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
    if (marked) {
        out += " data-marked=\"1\"";
    }
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

std::string caption(const snapshot_record& shot) {
    switch (shot.reason) {
        case snapshot_reason::show:
            return "show at line " + std::to_string(shot.line);
        case snapshot_reason::end:
            return "at the end";
        case snapshot_reason::failed_expectation:
            return "failed expectation at line " + std::to_string(shot.line);
        case snapshot_reason::live:
            return "live";
    }
    return "";
}

bool same_controls(const snapshot_record& a, const snapshot_record& b) {
    const auto same = [](const control_record& x, const control_record& y) {
        return x.id == y.id && x.kind == y.kind && x.column == y.column && x.row == y.row &&
               x.width == y.width && x.text == y.text && x.statesheet == y.statesheet &&
               x.visible == y.visible;
    };
    return a.panel == b.panel && a.layout_file == b.layout_file &&
           std::equal(a.controls.begin(), a.controls.end(), b.controls.begin(), b.controls.end(),
                      same);
}

void write_snapshot(std::string& out, const snapshot_record& shot, const drawing& d,
                    const std::string& id, const statesheet_colours& colours) {
    int columns = 1;
    int rows = 1;
    for (const auto& c : shot.controls) {
        columns = std::max(columns, std::max(c.column, 0) + std::max(c.width, 1));
        rows = std::max(rows, std::max(c.row, 0) + 1);
    }
    std::set<std::string> marked;
    for (const expectation_record* f : d.failures) {
        if (!f->control.empty()) {
            marked.insert(f->control);
        }
    }
    const bool failed = shot.reason == snapshot_reason::failed_expectation;
    out += "<figure class=\"snapshot" + std::string(failed ? " failed" : "") + "\"";
    attr(out, "id", id);
    attr(out, "data-reason", reason_name(shot.reason));
    attr(out, "data-line", std::to_string(shot.line));
    out += "><figcaption>";
    if (d.failures.empty()) {
        text(out, caption(shot));
    } else {
        // One line per failure it shows, naming the control outlined.
        for (std::size_t i = 0; i < d.failures.size(); ++i) {
            const expectation_record& f = *d.failures[i];
            out += i == 0 ? "" : "<br/>";
            text(out, "failed expectation at line " + std::to_string(f.line) +
                          (f.message.empty() ? "" : ": " + f.message));
            if (!f.control.empty()) {
                out += " <span class=\"marked-name\">(control <code>";
                text(out, f.control);
                out += "</code> outlined)</span>";
            }
        }
    }
    out += " &#183; panel <code>";
    text(out, shot.panel);
    out += "</code></figcaption>\n<div class=\"panel\" style=\"grid-template-columns: repeat(" +
           std::to_string(columns) + ", 1ch); grid-template-rows: repeat(" + std::to_string(rows) +
           ", 1.9em)\">";
    for (const auto& c : shot.controls) {
        write_control(out, c, colours, marked.count(c.id) > 0);
    }
    out += "</div></figure>\n";
}

}  // namespace

void write_panels(std::string& out, const suite_record& suite, const std::string& suite_id,
                  const std::string& lit) {
    if (suite.snapshots.empty()) {
        return;
    }
    const statesheet_colours colours = colours_for(suite, lit);
    write_statesheet_style(out, suite_id, colours);
    out += "<h3>Panel</h3>\n";
    write_legend(out, colours, lit);
    for (const drawing& d : drawings(suite)) {
        write_snapshot(out, suite.snapshots[d.first], d, drawing_id(suite_id, d), colours);
    }
}

std::vector<drawing> drawings(const suite_record& suite) {
    std::vector<drawing> all;
    for (std::size_t i = 0; i < suite.snapshots.size(); ++i) {
        const snapshot_record& shot = suite.snapshots[i];
        const bool failed = shot.reason == snapshot_reason::failed_expectation;
        // A failure that changed nothing since the drawing of the failure before it
        // joins that drawing.
        if (!(failed && !all.empty() &&
              suite.snapshots[all.back().first].reason == snapshot_reason::failed_expectation &&
              same_controls(suite.snapshots[all.back().first], shot))) {
            all.push_back(drawing{i, {}});
        }
        if (failed) {
            for (const auto& e : suite.expectations) {
                if (e.line == shot.line && !e.passed) {
                    all.back().failures.push_back(&e);
                }
            }
        }
    }
    return all;
}

std::string drawing_id(const std::string& suite_id, const drawing& d) {
    return suite_id + "-snapshot-" + number(d.first);
}

}  // namespace kest_host::report::html
