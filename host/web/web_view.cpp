#include "web/web_view.h"

#include "panel/panel_names.h"
#include "plugin/report_feed.h"
#include "report/html_live.h"
#include "report/html_report.h"
#include "web/web_message.h"
#include "world/device.h"

namespace kest_host::web {

namespace {

using report::html_text;

const char* direction(trace_kind kind) {
    switch (kind) {
        case trace_kind::command:
        case trace_kind::release:
        case trace_kind::answer:
            return "plug-in -> host";
        case trace_kind::reply:
        case trace_kind::event:
            return "host -> plug-in";
    }
    return "";
}

std::string draw_devices(const device_world& world) {
    std::string out = "<ul class=\"devices\">";
    for (const auto& entry : world.devices()) {
        const device& d = *entry.second;
        // A router on the network says how its link is; every other device is ours.
        std::string link = "simulated";
        std::string state = "simulated";
        if (const auto* r = dynamic_cast<const router*>(&d); r != nullptr && r->remote()) {
            const std::string status = r->remote()->status();
            state = status.empty() ? "up" : "down";
            link = status.empty() ? "link up" : status;
        }
        out += "<li class=\"device\" data-device=\"" + std::to_string(d.number()) +
               "\" data-kind=\"" + kind_name(d.kind()) + "\" data-link=\"" + state + "\">" +
               kind_name(d.kind()) + " " + std::to_string(d.number()) + " <span class=\"link\">" +
               html_text(link) + "</span></li>";
    }
    out += "</ul>";
    const std::string faults = world.faults_in_force();
    out += "<p class=\"faults-in-force\" data-faults=\"" + html_text(faults) + "\">";
    out += faults.empty() ? "no faults" : "faults: " + html_text(faults);
    out += "</p>";
    return out;
}

std::string draw_inputs(const device_world& world,
                        std::optional<std::pair<int32_t, int32_t>> inputs) {
    const gpi* device = nullptr;
    int32_t first = 0;
    if (inputs) {
        device = world.find_as<gpi>(inputs->first);
        first = inputs->second;
    } else {
        for (const auto& entry : world.devices()) {
            if (entry.second->kind() == device_kind::gpi) {
                device = dynamic_cast<const gpi*>(entry.second.get());
                first = world.instances().first_offset_on(entry.first);
                break;
            }
        }
    }
    if (device == nullptr) {
        return "<p class=\"no-inputs\">no simulated GPI device: the inputs cannot be "
               "pressed</p>";
    }
    std::string out =
        "<div class=\"inputs\" data-gpi=\"" + std::to_string(device->number()) + "\">";
    for (int n = 1; n <= page_view::kInputs; ++n) {
        const bool high = device->input(first + n - 1) != 0;
        out += "<button type=\"button\" class=\"input" + std::string(high ? " high" : "") +
               "\" data-input=\"" + std::to_string(n) + "\" data-high=\"" + (high ? "1" : "0") +
               "\" aria-pressed=\"" + (high ? "true" : "false") + "\" title=\"input " +
               std::to_string(n) + " (key " + std::to_string(n) + "): hold to press\">" +
               std::to_string(n) + "<small>" + (high ? "HIGH" : "low") + "</small></button>";
    }
    out += "</div>";
    return out;
}

std::string draw_faults(const std::vector<std::string>& faults) {
    if (faults.empty()) {
        return "";
    }
    std::string out = "<div class=\"fault-buttons\">";
    for (const auto& f : faults) {
        out += "<button type=\"button\" class=\"fault\" data-statement=\"" + html_text(f) + "\">" +
               html_text(f.substr(6)) + "</button>";
    }
    out += "</div>";
    return out;
}

}  // namespace

page_view::page_view(std::string studio) : studio_(std::move(studio)) {}

void page_view::traced(trace_kind kind, const std::string& text, std::optional<int32_t>) {
    add_trace(std::string(direction(kind)) + "  " + text);
}

void page_view::note(const std::string& line) {
    add_trace("> " + line);
}

void page_view::add_trace(std::string line) {
    trace_.push_back(std::move(line));
    while (trace_.size() > kTraceLines) {
        trace_.pop_front();
    }
}

std::string page_view::draw_trace() const {
    std::string out = "<ol class=\"trace\">";
    for (const auto& line : trace_) {
        out += "<li>" + html_text(line) + "</li>";
    }
    out += "</ol>";
    return out;
}

std::vector<std::string> page_view::refresh(const sim_host& host,
                                            std::optional<std::pair<int32_t, int32_t>> inputs) {
    const device_world& world = host.world();
    bool router = false;
    bool infodriver = false;
    bool gpi_device = false;
    for (const auto& entry : world.devices()) {
        router = router || entry.second->kind() == device_kind::router;
        infodriver = infodriver || entry.second->kind() == device_kind::infodriver;
        gpi_device = gpi_device || entry.second->kind() == device_kind::gpi;
    }
    faults_ = web::offered_faults(router, infodriver, gpi_device);

    std::map<std::string, std::string> now;
    now["title"] = studio_;
    // The drawing's statesheet colours are scoped to the element with its id.
    now["panel"] =
        "<div id=\"live\">" +
        report::html_panel_drawing(panel_snapshots(host.panels(), report::snapshot_reason::live, 0),
                                   panel_names::kInputHigh, "live") +
        "</div>";
    now["devices"] = draw_devices(world);
    now["inputs"] = draw_inputs(world, inputs);
    now["faults"] = draw_faults(faults_);
    now["trace"] = draw_trace();

    std::vector<std::string> changed;
    for (auto& entry : now) {
        const auto old = parts_.find(entry.first);
        if (old == parts_.end() || old->second != entry.second) {
            changed.push_back(part_message(entry.first, entry.second));
            parts_[entry.first] = std::move(entry.second);
        }
    }
    return changed;
}

std::vector<std::string> page_view::everything() const {
    std::vector<std::string> out;
    for (const auto& entry : parts_) {
        out.push_back(part_message(entry.first, entry.second));
    }
    return out;
}

std::string page_view::part(const std::string& name) const {
    const auto it = parts_.find(name);
    return it == parts_.end() ? std::string() : it->second;
}

}  // namespace kest_host::web
