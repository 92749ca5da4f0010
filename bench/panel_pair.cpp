#include "panel_pair.h"

#include <cstring>
#include <vector>

namespace kest_bench {

namespace {

intptr_t record(revertive_info& info) {
    return reinterpret_cast<intptr_t>(&info);
}

intptr_t requestText(const char* text) {
    return reinterpret_cast<intptr_t>(text);
}

std::string describe(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& text : texts) {
        all += "\n    [" + text + "]";
    }
    return all.empty() ? "\n    (nothing)" : all;
}

}  // namespace

const char* eventName(event_kind kind) {
    switch (kind) {
        case event_kind::gpi_press:
            return "gpi_press";
        case event_kind::gpi_release:
            return "gpi_release";
        case event_kind::router_revertive:
            return "router_revertive";
        case event_kind::tally_slot:
            return "tally_slot";
        case event_kind::database_change:
            return "database_change";
        case event_kind::parent_request:
            return "parent_request";
    }
    return "?";
}

panel_pair::panel_pair() {
    plugin_ = load_kest_client_script(&host, "/nonexistent/layouts");
    if (plugin_ == nullptr) {
        error_ = "load_kest_client_script made no panel";
        return;
    }
    baselineInit(&baseline_, &host, kRouterDevice, kTallyDevice, kGpiDevice, kGpiFirstSlot);
    warmUp();
}

panel_pair::~panel_pair() {
    delete plugin_;
}

char* panel_pair::pluginCall(intptr_t data, int32_t type) {
    return plugin_->callback(data, type);
}

char* panel_pair::baselineCall(intptr_t data, int32_t type) {
    return baselineCallback(&baseline_, data, type);
}

void panel_pair::warmUp() {
    event_records& r = records();
    const auto both = [this](intptr_t data, int32_t type) {
        pluginCall(requestText(pluginCall(data, type)), KEST_EVENT_RELEASE);
        baselineCall(requestText(baselineCall(data, type)), KEST_EVENT_RELEASE);
    };
    for (revertive_info& slot : r.tallySlots) {
        both(record(slot), KEST_EVENT_REVERTIVE);
    }
    both(record(r.routerNormal), KEST_EVENT_REVERTIVE);
    both(record(r.gpiPress), KEST_EVENT_REVERTIVE);
    both(record(r.routerStray), KEST_EVENT_REVERTIVE);
    both(requestText(kMyParamRequest), KEST_EVENT_PARENT_REQUEST);
}

void panel_pair::plugin(event_kind kind) {
    event_records& r = records();
    switch (kind) {
        case event_kind::gpi_press:
            pluginCall(record(r.gpiPress), KEST_EVENT_REVERTIVE);
            return;
        case event_kind::gpi_release:
            pluginCall(record(r.gpiRelease), KEST_EVENT_REVERTIVE);
            return;
        case event_kind::router_revertive:
            pluginCall(record(r.routerStray), KEST_EVENT_REVERTIVE);
            return;
        case event_kind::tally_slot:
            pluginCall(record(r.tallySlot), KEST_EVENT_REVERTIVE);
            return;
        case event_kind::database_change:
            pluginCall(record(r.nameChange), KEST_EVENT_DATABASE_CHANGE);
            return;
        case event_kind::parent_request: {
            char* answer = pluginCall(requestText(kReturnAllRequest), KEST_EVENT_PARENT_REQUEST);
            pluginCall(requestText(answer), KEST_EVENT_RELEASE);
            return;
        }
    }
}

void panel_pair::baseline(event_kind kind) {
    event_records& r = records();
    switch (kind) {
        case event_kind::gpi_press:
            baselineCall(record(r.gpiPress), KEST_EVENT_REVERTIVE);
            return;
        case event_kind::gpi_release:
            baselineCall(record(r.gpiRelease), KEST_EVENT_REVERTIVE);
            return;
        case event_kind::router_revertive:
            baselineCall(record(r.routerStray), KEST_EVENT_REVERTIVE);
            return;
        case event_kind::tally_slot:
            baselineCall(record(r.tallySlot), KEST_EVENT_REVERTIVE);
            return;
        case event_kind::database_change:
            baselineCall(record(r.nameChange), KEST_EVENT_DATABASE_CHANGE);
            return;
        case event_kind::parent_request: {
            char* answer = baselineCall(requestText(kReturnAllRequest), KEST_EVENT_PARENT_REQUEST);
            baselineCall(requestText(answer), KEST_EVENT_RELEASE);
            return;
        }
    }
}

int panel_pair::pluginMixedRound() {
    event_records& r = records();
    pluginCall(record(r.gpiPress), KEST_EVENT_REVERTIVE);
    pluginCall(record(r.routerPressed), KEST_EVENT_REVERTIVE);
    pluginCall(record(r.gpiRelease), KEST_EVENT_REVERTIVE);
    pluginCall(record(r.routerNormal), KEST_EVENT_REVERTIVE);
    pluginCall(record(r.tallySlot), KEST_EVENT_REVERTIVE);
    pluginCall(record(r.nameChange), KEST_EVENT_DATABASE_CHANGE);
    pluginCall(2, KEST_EVENT_TIMER);
    char* answer = pluginCall(requestText(kReturnAllRequest), KEST_EVENT_PARENT_REQUEST);
    pluginCall(requestText(answer), KEST_EVENT_RELEASE);
    return 9;
}

int panel_pair::baselineMixedRound() {
    event_records& r = records();
    baselineCall(record(r.gpiPress), KEST_EVENT_REVERTIVE);
    baselineCall(record(r.routerPressed), KEST_EVENT_REVERTIVE);
    baselineCall(record(r.gpiRelease), KEST_EVENT_REVERTIVE);
    baselineCall(record(r.routerNormal), KEST_EVENT_REVERTIVE);
    baselineCall(record(r.tallySlot), KEST_EVENT_REVERTIVE);
    baselineCall(record(r.nameChange), KEST_EVENT_DATABASE_CHANGE);
    baselineCall(2, KEST_EVENT_TIMER);
    char* answer = baselineCall(requestText(kReturnAllRequest), KEST_EVENT_PARENT_REQUEST);
    baselineCall(requestText(answer), KEST_EVENT_RELEASE);
    return 9;
}

std::string compareWithBaseline() {
    // Separate pairs, so that each side's texts are recorded on their own.
    const auto compare = [](const char* what, const std::vector<std::string>& plugin,
                            const std::vector<std::string>& baseline) -> std::string {
        if (plugin == baseline) {
            return {};
        }
        return std::string(what) + ": the plug-in sent" + describe(plugin) +
               "\n  the baseline sent" + describe(baseline);
    };

    for (const event_kind kind : kAllEventKinds) {
        panel_pair pair;
        if (!pair.error().empty()) {
            return pair.error();
        }
        pair.host.record(true);
        pair.host.takeTexts();
        // Twice each: the second time shows that the steady state holds.
        pair.plugin(kind);
        pair.plugin(kind);
        const std::vector<std::string> plugin = pair.host.takeTexts();
        pair.baseline(kind);
        pair.baseline(kind);
        const std::vector<std::string> baseline = pair.host.takeTexts();
        std::string difference = compare(eventName(kind), plugin, baseline);
        if (!difference.empty()) {
            return difference;
        }
        if (kind != event_kind::parent_request && plugin.empty()) {
            return std::string(eventName(kind)) + ": no command was sent at all";
        }
    }

    panel_pair pair;
    pair.host.record(true);
    pair.pluginMixedRound();
    pair.pluginMixedRound();
    const std::vector<std::string> plugin = pair.host.takeTexts();
    pair.baselineMixedRound();
    pair.baselineMixedRound();
    std::string difference = compare("mixed round", plugin, pair.host.takeTexts());
    if (!difference.empty()) {
        return difference;
    }

    // The answers themselves.
    panel_pair answers;
    const std::vector<const char*> requests = {kReturnAllRequest, "return.x=myParam", "_events",
                                               "_commands", "return=instance"};
    for (const char* request : requests) {
        char* fromPlugin = answers.pluginCall(requestText(request), 3);
        char* fromBaseline = answers.baselineCall(requestText(request), 3);
        const bool same = (fromPlugin == nullptr && fromBaseline == nullptr) ||
                          (fromPlugin != nullptr && fromBaseline != nullptr &&
                           std::strcmp(fromPlugin, fromBaseline) == 0);
        std::string shown = std::string("answer to ") + request + ": plug-in [" +
                            (fromPlugin != nullptr ? fromPlugin : "(null)") + "], baseline [" +
                            (fromBaseline != nullptr ? fromBaseline : "(null)") + "]";
        answers.pluginCall(requestText(fromPlugin), KEST_EVENT_RELEASE);
        answers.baselineCall(requestText(fromBaseline), KEST_EVENT_RELEASE);
        if (!same) {
            return shown;
        }
    }
    if (pair.host.strayReleases() != 0 || answers.host.strayReleases() != 0) {
        return "a reply the host never handed out came back";
    }
    return {};
}

}  // namespace kest_bench
