#include "panel/panel_model.h"

namespace kest_host {

std::string control_state::property(const std::string& name) const {
    return name == "visible" ? (hidden ? "0" : "1") : stored_property(name);
}

std::string control_state::stored_property(const std::string& name) const {
    if (name == "text") {
        return text;
    }
    if (name == "statesheet") {
        return statesheet;
    }
    const auto p = other.find(name);
    return p == other.end() ? std::string() : p->second;
}

void control_state::set_property(const std::string& name, const std::string& value) {
    if (name == "text") {
        text = value;
    } else if (name == "statesheet") {
        statesheet = value;
    } else {
        other[name] = value;
    }
}

std::string control_state::all_properties() const {
    std::string value =
        "text=" + text + ",statesheet=" + statesheet + ",visible=" + (hidden ? "0" : "1");
    for (const auto& p : other) {
        value += "," + p.first + "=" + p.second;
    }
    return value;
}

const control_state* panel_state::find(const std::string& id) const {
    const auto it = index.find(id);
    return it == index.end() ? nullptr : &controls[it->second];
}

control_state* panel_state::find(const std::string& id) {
    const auto it = index.find(id);
    return it == index.end() ? nullptr : &controls[it->second];
}

bool panel_model::show(const std::string& panel, const std::string& layout_file,
                       std::string& error) {
    layout parsed;
    if (!read_layout(layout_file, parsed, error)) {
        return false;
    }
    panel_state& shown = panels_[panel];
    shown = panel_state{};
    shown.layout_file = layout_file;
    for (const auto& def : parsed.controls) {
        control_state state;
        state.def = def;
        state.text = def.text;
        shown.index[def.id] = shown.controls.size();
        shown.controls.push_back(std::move(state));
    }
    return true;
}

const panel_state* panel_model::find(const std::string& panel) const {
    const auto p = panels_.find(panel);
    return p == panels_.end() ? nullptr : &p->second;
}

panel_state* panel_model::find(const std::string& panel) {
    const auto p = panels_.find(panel);
    return p == panels_.end() ? nullptr : &p->second;
}

const control_state* panel_model::control(const std::string& panel, const std::string& id) const {
    const panel_state* p = find(panel);
    return p == nullptr ? nullptr : p->find(id);
}

control_state* panel_model::control(const std::string& panel, const std::string& id) {
    panel_state* p = find(panel);
    return p == nullptr ? nullptr : p->find(id);
}

}  // namespace kest_host
