#include "panel/render.h"

#include <algorithm>
#include <vector>

namespace kest_host {

namespace {

enum class colour { plain, lit_button, unlit_button, caption, indicator };

// One cell of the grid: a character and the colour it is drawn in.
struct cell {
    char c = ' ';
    colour tint = colour::plain;
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

void put(grid& g, const layout_control& at, const std::string& text, colour tint) {
    auto& line = g[static_cast<std::size_t>(at.row)];
    const auto end = static_cast<std::size_t>(at.column) + static_cast<std::size_t>(at.width);
    if (line.size() < end) {
        line.resize(end);
    }
    for (int i = 0; i < at.width; ++i) {
        cell& c = line[static_cast<std::size_t>(at.column) + static_cast<std::size_t>(i)];
        const auto index = static_cast<std::size_t>(i);
        const unsigned char ch =
            index < text.size() ? static_cast<unsigned char>(text[index]) : ' ';
        c.c = ch >= 32 && ch < 127 ? static_cast<char>(ch) : '?';
        c.tint = tint;
    }
}

void draw_control(grid& g, const control_state& c, const render_options& options) {
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
        put(g, c.def, face, lit ? colour::lit_button : colour::unlit_button);
    } else if (kind == "indicator") {
        put(g, c.def, c.text, colour::indicator);
    } else {
        put(g, c.def, c.text, kind == "caption" ? colour::caption : colour::plain);
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
        text += c.c;
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
std::string router_lines(const device_world& world) {
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
            out += "  router " + std::to_string(r->number()) + ": destination " +
                   std::to_string(x.first) + " (" + r->name_of(router::kDestinations, x.first) +
                   ") <- source " + std::to_string(x.second) + " (" +
                   r->name_of(router::kSources, x.second) + ")\n";
        }
    }
    return out;
}

}  // namespace

std::string render_panel(const panel_model& panels, const device_world& world,
                         const std::string& panel_name, const render_options& options) {
    const panel_state* panel = panels.find(panel_name);
    if (panel == nullptr) {
        return "panel \"" + panel_name + "\" has not been shown\n";
    }
    int rows = 0;
    for (const auto& c : panel->controls) {
        rows = std::max(rows, c.def.row + 1);
    }
    grid g(static_cast<std::size_t>(rows));
    for (const auto& c : panel->controls) {
        if (!c.hidden) {
            draw_control(g, c, options);
        }
    }
    std::size_t columns = 40;
    for (const auto& line : g) {
        columns = std::max(columns, line.size() + 1);
    }
    const std::string rule(columns, '-');
    std::string out = "+" + rule + " panel " + panel_name + " (" + panel->layout_file + ")\n";
    for (const auto& line : g) {
        out += draw_line(line, options.color);
    }
    out += "+" + rule + "\n";
    if (!options.color) {
        out += "  buttons: [*n*] input high (" + options.high_style +
               "), [ n ] other style, ( n ) no style yet\n";
    }
    out += router_lines(world);
    const std::string faults = world.faults_in_force();
    return faults.empty() ? out : out + "  devices: " + faults + "\n";
}

}  // namespace kest_host
