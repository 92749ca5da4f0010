// The panel model: the controls of every panel the plug-in has shown (`PS`), made
// from its layout file, with their properties and visibility.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "panel/layout.h"

namespace kest_host {

struct control_state {
    layout_control def;
    std::string text;
    std::string statesheet;
    bool hidden = false;
    std::map<std::string, std::string> other;  // any other property, by name

    // The value of a property ("" when never set); "visible" gives "0" or "1".
    std::string property(const std::string& name) const;
    // The value as written by TP: text, statesheet or any other ("" when never set).
    std::string stored_property(const std::string& name) const;
    void set_property(const std::string& name, const std::string& value);
    // "text=..,statesheet=..,visible=0|1" and every other property set.
    std::string all_properties() const;
};

struct panel_state {
    std::string layout_file;
    std::vector<control_state> controls;
    std::unordered_map<std::string, std::size_t> index;

    const control_state* find(const std::string& id) const;
    control_state* find(const std::string& id);
};

class panel_model {
  public:
    // Shows `panel` from the layout file; false with `error` when it cannot be read.
    bool show(const std::string& panel, const std::string& layout_file, std::string& error);

    const panel_state* find(const std::string& panel) const;
    panel_state* find(const std::string& panel);
    const control_state* control(const std::string& panel, const std::string& id) const;
    control_state* control(const std::string& panel, const std::string& id);
    const std::map<std::string, panel_state>& panels() const { return panels_; }
    bool empty() const { return panels_.empty(); }

  private:
    std::map<std::string, panel_state> panels_;
};

}  // namespace kest_host
