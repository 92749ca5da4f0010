#include "render.h"

#include <algorithm>
#include <vector>

namespace kest_host {

namespace {

// One cell of the grid: a character and the colour it is drawn in.
struct cell {
    char c = ' ';
    int colour = 0;  // 0 plain, 1 lit button, 2 unlit button, 3 caption, 4 indicator
};

const char* colour_code(int colour) {
    switch (colour) {
        case 1:
            return "\033[1;30;42m";
        case 2:
            return "\033[7m";
        case 3:
            return "\033[2m";
        case 4:
            return "\033[1;33m";
        default:
            return "\033[0m";
    }
}

void put(std::vector<std::vector<cell>>& grid, int row, int column, int width,
         const std::string& text, int colour) {
    auto& line = grid[static_cast<std::size_t>(row)];
    if (line.size() < static_cast<std::size_t>(column + width)) {
        line.resize(static_cast<std::size_t>(column + width));
    }
    for (int i = 0; i < width; ++i) {
        cell& c = line[static_cast<std::size_t>(column + i)];
        const auto at = static_cast<std::size_t>(i);
        const unsigned char ch = at < text.size() ? static_cast<unsigned char>(text[at]) : ' ';
        c.c = ch >= 32 && ch < 127 ? static_cast<char>(ch) : '?';
        c.colour = colour;
    }
}

}  // namespace

std::string render_panel(const sim_host& host, const std::string& panel_name,
                         const render_options& options) {
    const auto p = host.panels().find(panel_name);
    if (p == host.panels().end()) {
        return "panel \"" + panel_name + "\" has not been shown\n";
    }
    const panel_state& panel = p->second;
    int rows = 0;
    for (const auto& c : panel.controls) {
        rows = std::max(rows, c.def.row + 1);
    }
    std::vector<std::vector<cell>> grid(static_cast<std::size_t>(rows));
    for (const auto& c : panel.controls) {
        if (c.hidden) {
            continue;
        }
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
            put(grid, c.def.row, c.def.column, c.def.width, face, lit ? 1 : 2);
        } else if (kind == "indicator") {
            put(grid, c.def.row, c.def.column, c.def.width, c.text, 4);
        } else {
            put(grid, c.def.row, c.def.column, c.def.width, c.text, kind == "caption" ? 3 : 0);
        }
    }
    std::string out;
    std::size_t columns = 40;
    for (const auto& line : grid) {
        columns = std::max(columns, line.size() + 1);
    }
    const std::string rule(columns, '-');
    out += "+" + rule + " panel " + panel_name + " (" + panel.layout_file + ")\n";
    for (const auto& line : grid) {
        std::string text = "| ";
        int colour = 0;
        for (const auto& c : line) {
            if (options.color && c.colour != colour) {
                text += "\033[0m";
                if (c.colour != 0) {
                    text += colour_code(c.colour);
                }
                colour = c.colour;
            }
            text += c.c;
        }
        if (options.color && colour != 0) {
            text += "\033[0m";
        }
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        out += text + "\n";
    }
    out += "+" + rule + "\n";
    if (!options.color) {
        out += "  buttons: [*n*] input high (" + options.high_style +
               "), [ n ] other style, ( n ) no style yet\n";
    }
    for (const auto& entry : host.devices()) {
        const device& d = entry.second;
        if (d.kind != device_kind::router || d.registered.empty()) {
            continue;
        }
        for (const auto& x : d.crosspoints) {
            if (!d.registered.contains(x.first)) {
                continue;
            }
            const auto dn = d.names[1].find(x.first);
            const auto sn = d.names[0].find(x.second);
            out += "  router " + std::to_string(d.number) + ": destination " +
                   std::to_string(x.first) + " (" + (dn == d.names[1].end() ? "" : dn->second) +
                   ") <- source " + std::to_string(x.second) + " (" +
                   (sn == d.names[0].end() ? "" : sn->second) + ")\n";
        }
    }
    return out;
}

}  // namespace kest_host
