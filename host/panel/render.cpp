#include "panel/render.h"

#include <algorithm>
#include <vector>

#include "common/display_width.h"
#include "common/printable.h"

namespace kest_host {

namespace {

enum class colour { plain, lit_button, unlit_button, caption, indicator };

// One cell of the grid: a character and the colour it is drawn in.
struct cell {
    std::string glyph = " ";  // "" for the second column of a wide character
    colour tint = colour::plain;
};

// The drawing is at most this wide, so that with "| " in front it fits 80 columns.
constexpr int kDrawColumns = 78;
constexpr std::size_t kLineColumns = 80;

// Where a control is drawn: its layout place, moved in when the layout is wider
// than the terminal.
struct placed {
    int column = 0;
    int width = 0;
};

using grid = std::vector<std::vector<cell>>;

const char* colour_code(colour tint) {
    switch (tint) {
        case colour::lit_button:
            return "\033[1;30;42m";
        case colour::unlit_button:
            return "\033[7m";
        case colour::caption:
            return "\033[2m";
        case colour::indicator:
            return "\033[1;33m";
        case colour::plain:
            break;
    }
    return "\033[0m";
}

void put(grid& g, int row, const placed& at, const std::string& raw, colour tint,
         const render_options& options) {
    auto& line = g[static_cast<std::size_t>(row)];
    const auto end = static_cast<std::size_t>(at.column) + static_cast<std::size_t>(at.width);
    if (line.size() < end) {
        line.resize(end);
    }
    const std::string text =
        fit_width(printable(raw), static_cast<std::size_t>(at.width), options.cut_marker);
    auto column = static_cast<std::size_t>(at.column);
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        char32_t code = '?';
        if (!next_utf8(text, i, code)) {
            i = start + 1;
        }
        const int w = char_width(code);
        if (w == 0 && column > static_cast<std::size_t>(at.column)) {
            line[column - 1].glyph.append(text, start, i - start);  // a combining mark
            continue;
        }
        line[column] = {text.substr(start, i - start), tint};
        if (w == 2) {
            line[column + 1] = {"", tint};
        }
        column += static_cast<std::size_t>(w);
    }
    for (; column < end; ++column) {
        line[column] = {" ", tint};
    }
}

void draw_control(grid& g, const control_state& c, const placed& at,
                  const render_options& options) {
    const std::string& kind = c.def.kind;
    if (kind == "button") {
        // Without colour the style shows as the bracket: [*3*] lit, [ 3 ] unlit.
        const bool lit = c.statesheet == options.high_style;
        const bool styled = !c.statesheet.empty();
        std::string face;
        if (options.color) {
            face = " " + c.text + " ";
        } else {
            face = lit      ? "[*" + c.text + "*]"
                   : styled ? "[ " + c.text + " ]"
                            : "( " + c.text + " )";
        }
        put(g, c.def.row, at, face, lit ? colour::lit_button : colour::unlit_button, options);
    } else if (kind == "indicator") {
        put(g, c.def.row, at, c.text, colour::indicator, options);
    } else {
        put(g, c.def.row, at, c.text, kind == "caption" ? colour::caption : colour::plain, options);
    }
}

std::string draw_line(const std::vector<cell>& line, bool color) {
    std::string text = "| ";
    colour current = colour::plain;
    for (const auto& c : line) {
        if (color && c.tint != current) {
            text += "\033[0m";
            if (c.tint != colour::plain) {
                text += colour_code(c.tint);
            }
            current = c.tint;
        }
        text += c.glyph;
    }
    if (color && current != colour::plain) {
        text += "\033[0m";
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text + "\n";
}

// A line for each registered router destination: what it carries, with the names.
std::string router_lines(const device_world& world, const std::string& marker) {
    std::string out;
    for (const auto& entry : world.devices()) {
        const auto* r = dynamic_cast<const router*>(entry.second.get());
        if (r == nullptr || r->registered().empty()) {
            continue;
        }
        for (const auto& x : r->crosspoints) {
            if (!r->registered().contains(x.first)) {
                continue;
            }
            const std::string line = "  router " + std::to_string(r->number()) + ": destination " +
                                     std::to_string(x.first) + " (" +
                                     printable(r->name_of(router::kDestinations, x.first)) +
                                     ") <- source " + std::to_string(x.second) + " (" +
                                     printable(r->name_of(router::kSources, x.second)) + ")";
            out += fit_width(line, kLineColumns, marker) + "\n";
        }
    }
    return out;
}

// Each control's place. A layout wider than kDrawColumns is narrowed: every
// column is moved in proportionally and a control keeps its width where the row
// has room, else gives up what it needs to leave the gap before its neighbour.
std::vector<placed> place(const std::vector<control_state>& controls) {
    int total = 0;
    for (const auto& c : controls) {
        total = std::max(total, c.def.column + c.def.width);
    }
    const auto moved = [&](int column) {
        return total <= kDrawColumns ? column : column * kDrawColumns / total;
    };
    std::vector<placed> out;
    for (const auto& c : controls) {
        placed at{moved(c.def.column), c.def.width};
        int room = kDrawColumns - at.column;
        for (const auto& other : controls) {
            if (other.def.row == c.def.row && other.def.column > c.def.column) {
                const int gap = other.def.column > c.def.column + c.def.width ? 1 : 0;
                room = std::min(room, moved(other.def.column) - at.column - gap);
            }
        }
        at.width = std::max(0, std::min(at.width, room));
        out.push_back(at);
    }
    return out;
}

std::string base_name(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What the button faces mean, in either mode.
std::string legend(const render_options& options) {
    if (!options.color) {
        return "  [*n*] input high (" + printable(options.high_style) +
               ")  [ n ] other style  ( n ) no style yet";
    }
    return std::string("  ") + colour_code(colour::lit_button) + " n \033[0m input high (" +
           printable(options.high_style) + ")  " + colour_code(colour::unlit_button) +
           " n \033[0m other style or none yet";
}

}  // namespace

std::string render_panel(const panel_model& panels, const device_world& world,
                         const std::string& panel_name, const render_options& options) {
    const panel_state* panel = panels.find(panel_name);
    if (panel == nullptr) {
        return "panel " + quoted(panel_name) + " has not been shown\n";
    }
    int rows = 0;
    for (const auto& c : panel->controls) {
        rows = std::max(rows, c.def.row + 1);
    }
    grid g(static_cast<std::size_t>(rows));
    const std::vector<placed> places = place(panel->controls);
    for (std::size_t k = 0; k < panel->controls.size(); ++k) {
        if (!panel->controls[k].hidden) {
            draw_control(g, panel->controls[k], places[k], options);
        }
    }
    std::size_t columns = 40;
    for (const auto& line : g) {
        columns = std::min(kLineColumns - 1, std::max(columns, line.size() + 1));
    }
    const std::string title = fit_width("+- panel " + printable(panel_name) + " (" +
                                            printable(base_name(panel->layout_file)) + ") ",
                                        kLineColumns, options.cut_marker);
    const std::size_t title_width = display_width(title);
    std::string out =
        title + std::string(title_width < columns + 1 ? columns + 1 - title_width : 0, '-') + "\n";
    for (const auto& line : g) {
        out += draw_line(line, options.color);
    }
    out += "+" + std::string(columns, '-') + "\n";
    out += legend(options) + "\n";
    out += router_lines(world, options.cut_marker);
    const std::string faults = world.faults_in_force();
    return faults.empty() ? out
                          : out +
                                fit_width("  devices: " + printable(faults), kLineColumns,
                                          options.cut_marker) +
                                "\n";
}

}  // namespace kest_host
