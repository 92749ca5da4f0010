// Drawing a shown panel in the terminal, at most 80 columns wide: every visible
// control at its place on the layout's character grid (narrowed when the layout is
// wider), texts cut to their width with a marker, buttons marked with their style, and a line for
// each router destination that a panel shows.
#pragma once

#include <string>

#include "panel/panel_model.h"
#include "panel/panel_names.h"
#include "world/device_world.h"

namespace kest_host {

struct render_options {
    bool color = false;
    std::string high_style = panel_names::kInputHigh;  // the statesheet drawn as a lit button
    std::string cut_marker = "\xE2\x80\xA6";           // ends a text cut to its control's width
};

std::string render_panel(const panel_model& panels, const device_world& world,
                         const std::string& panel, const render_options& options);

}  // namespace kest_host
