// The device faults, one entry each (see fault_entry in faults.h). A new fault is an
// entry here, its field in fault_state, what the device does while it is in force,
// and how stress mode's routing model follows it.
#include "world/faults.h"

namespace kest_host {

namespace {

using argument = fault_entry::argument;

constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;
// A fault that is on or off: on two times in three in a stress run.
const std::vector<int64_t> kOnOff = {0, 1, 1};

std::string when(bool on, const char* text) {
    return on ? text : "";
}

std::string lookups(const fault_state& state) {
    std::string out;
    for (const auto& name : state.lookups_missing) {
        out += (out.empty() ? "lookup \"" : ", lookup \"") + name + "\" MISSING";
    }
    return out;
}

const std::vector<fault_entry> kFaults = {
    {"router offline", "", "router commands are lost and no revertive comes", argument::none, "", 0,
     nullptr, [](fault_state& f, const fault_args& a) { f.router_offline = a.value != 0; },
     device_kind::router, [](const fault_state& f) { return when(f.router_offline, "OFFLINE"); },
     kOnOff},
    {"router online",
     "",
     "the router is back and reports every registered destination again",
     argument::none,
     "",
     0,
     nullptr,
     [](fault_state& f, const fault_args&) { f.router_offline = false; },
     device_kind::router,
     nullptr,
     {}},
    {"router delay",
     "MS",
     "revertives arrive MS ms late (0 ends it)",
     argument::number,
     "a delay in ms",
     kDayMs,
     nullptr,
     [](fault_state& f, const fault_args& a) { f.router_delay_ms = a.value; },
     device_kind::router,
     [](const fault_state& f) {
         return f.router_delay_ms > 0 ? "DELAY " + std::to_string(f.router_delay_ms) + " ms"
                                      : std::string();
     },
     {0, 20, 100, 500, 1500}},
    {"router refuse", "", "crosspoints are acknowledged but not made", argument::none, "", 0,
     nullptr, [](fault_state& f, const fault_args& a) { f.router_refuse = a.value != 0; },
     device_kind::router, [](const fault_state& f) { return when(f.router_refuse, "REFUSES"); },
     kOnOff},
    {"infodriver silent", "", "the infodriver answers nothing", argument::none, "", 0, nullptr,
     [](fault_state& f, const fault_args& a) { f.infodriver_silent = a.value != 0; },
     device_kind::infodriver,
     [](const fault_state& f) { return when(f.infodriver_silent, "SILENT"); }, kOnOff},
    {"infodriver online",
     "",
     "the infodriver answers the outstanding polls and changes",
     argument::none,
     "",
     0,
     nullptr,
     [](fault_state& f, const fault_args&) { f.infodriver_silent = false; },
     device_kind::infodriver,
     nullptr,
     {}},
    {"gpi bounce",
     "N",
     "each input change arrives after N extra alternating reports (0 ends it)",
     argument::number,
     "a number of extra reports",
     1000,
     nullptr,
     [](fault_state& f, const fault_args& a) { f.gpi_bounce = static_cast<int32_t>(a.value); },
     device_kind::gpi,
     [](const fault_state& f) {
         return f.gpi_bounce > 0 ? "BOUNCE " + std::to_string(f.gpi_bounce) : std::string();
     },
     {0, 1, 2, 3, 4}},
    {"names missing", "", "every `RN` gets a null reply", argument::none, "", 0, nullptr,
     [](fault_state& f, const fault_args& a) { f.names_missing = a.value != 0; }, std::nullopt,
     [](const fault_state& f) { return when(f.names_missing, "names MISSING"); }, kOnOff},
    {"lookup",
     "\"NAME\" missing",
     "`SD 'NAME'` gets a null reply (before start: a start-up without it)",
     argument::name,
     "a quoted instance name",
     0,
     "missing",
     [](fault_state& f, const fault_args& a) { f.lookups_missing.insert(a.name); },
     std::nullopt,
     lookups,
     {1}},
    {"layout missing",
     "",
     "`PS` fails: the host refuses to show the panel",
     argument::none,
     "",
     0,
     nullptr,
     [](fault_state& f, const fault_args&) { f.layout_missing = true; },
     std::nullopt,
     [](const fault_state& f) { return when(f.layout_missing, "layout MISSING"); },
     {}},
    {"clear",
     "",
     "ends every fault, the online ones first",
     argument::none,
     "",
     0,
     nullptr,
     [](fault_state& f, const fault_args&) { f = fault_state{}; },
     std::nullopt,
     nullptr,
     {}},
};

}  // namespace

const std::vector<fault_entry>& fault_table() {
    return kFaults;
}

const fault_entry* find_fault(const std::string& words) {
    for (const auto& entry : kFaults) {
        if (words == entry.words) {
            return &entry;
        }
    }
    return nullptr;
}

std::string markdown_fault_table() {
    std::string table =
        "| fault | what it does | switched at random by `--faults` |\n| --- | --- | --- |\n";
    for (const auto& entry : kFaults) {
        std::string form = std::string("fault ") + entry.words;
        if (entry.form[0] != '\0') {
            form += std::string(" ") + entry.form;
        }
        table += "| `" + form + "` | " + entry.help + " | " +
                 (entry.stress_values.empty() ? "no" : "yes") + " |\n";
    }
    return table;
}

}  // namespace kest_host
