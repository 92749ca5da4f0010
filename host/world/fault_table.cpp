// The device faults, one entry each (see fault_entry in faults.h), and beside them
// the link states of real devices. A new fault is an entry here, what the device does
// while it is in force (reading its level by its words) and how stress mode's
// routing model follows it: three files.
#include <stdexcept>

#include "world/faults.h"

namespace kest_host {

namespace {

using argument = fault_entry::argument;

constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;
// A fault that is on or off: on two times in three in a stress run.
const std::vector<int64_t> kOnOff = {0, 1, 1};

std::string lookups(const fault_state& state) {
    std::string out;
    for (const auto& name : state.names("lookup")) {
        out += (out.empty() ? "lookup \"" : ", lookup \"") + name + "\" MISSING";
    }
    return out;
}

const std::vector<fault_entry> kFaults = {
    {"router offline", "", "router commands are lost and no revertive comes", argument::none, "", 0,
     nullptr, nullptr, device_kind::router, "OFFLINE", nullptr, kOnOff},
    {"router online",
     "",
     "the router is back and reports every registered destination again",
     argument::none,
     "",
     0,
     nullptr,
     [](fault_state& f, const fault_args&) { f.set("router offline", 0); },
     device_kind::router,
     nullptr,
     nullptr,
     {}},
    {"router delay",
     "MS",
     "revertives arrive MS ms late (0 ends it)",
     argument::number,
     "a delay in ms",
     kDayMs,
     nullptr,
     nullptr,
     device_kind::router,
     "DELAY # ms",
     nullptr,
     {0, 20, 100, 500, 1500}},
    {"router refuse", "", "crosspoints are acknowledged but not made", argument::none, "", 0,
     nullptr, nullptr, device_kind::router, "REFUSES", nullptr, kOnOff},
    {"infodriver silent", "", "the infodriver answers nothing", argument::none, "", 0, nullptr,
     nullptr, device_kind::infodriver, "SILENT", nullptr, kOnOff},
    {"infodriver online",
     "",
     "the infodriver answers the outstanding polls and changes",
     argument::none,
     "",
     0,
     nullptr,
     [](fault_state& f, const fault_args&) { f.set("infodriver silent", 0); },
     device_kind::infodriver,
     nullptr,
     nullptr,
     {}},
    {"gpi bounce",
     "N",
     "each input change arrives after N extra alternating reports (0 ends it)",
     argument::number,
     "a number of extra reports",
     1000,
     nullptr,
     nullptr,
     device_kind::gpi,
     "BOUNCE #",
     nullptr,
     {0, 1, 2, 3, 4}},
    {"names missing", "", "every `RN` gets a null reply", argument::none, "", 0, nullptr, nullptr,
     std::nullopt, "names MISSING", nullptr, kOnOff},
    {"lookup",
     "\"NAME\" missing",
     "`SD 'NAME'` gets a null reply (before start: a start-up without it)",
     argument::name,
     "a quoted instance name",
     0,
     "missing",
     nullptr,
     std::nullopt,
     nullptr,
     lookups,
     {1}},
    {"layout missing",
     "",
     "`PS` fails: the host refuses to show the panel",
     argument::none,
     "",
     0,
     nullptr,
     nullptr,
     std::nullopt,
     "layout MISSING",
     nullptr,
     {}},
    {"clear",
     "",
     "ends every fault, the online ones first",
     argument::none,
     "",
     0,
     nullptr,
     [](fault_state& f, const fault_args&) { f.clear(); },
     std::nullopt,
     nullptr,
     nullptr,
     {}},
};

const std::vector<link_state_entry> kLinkStates = {
    {"router connecting", device_kind::router, "CONNECTING", "",
     "waits for its first connection and the router's state"},
    {"router link down", device_kind::router, "LINK DOWN", "lost: router link down",
     "crosspoints and polls are lost as under `offline`; the link reconnects"},
};

std::string cell(const std::string& text) {
    return "`" + text + "`";
}

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

const std::vector<link_state_entry>& link_state_table() {
    return kLinkStates;
}

const link_state_entry& link_state(const std::string& name) {
    for (const auto& entry : kLinkStates) {
        if (name == entry.name) {
            return entry;
        }
    }
    throw std::logic_error("no link state named \"" + name + "\"");
}

std::string markdown_fault_table() {
    std::string table =
        "| fault | what it does | switched at random by `--faults` |\n| --- | --- | --- |\n";
    for (const auto& entry : kFaults) {
        std::string form = std::string("fault ") + entry.words;
        if (entry.form[0] != '\0') {
            form += std::string(" ") + entry.form;
        }
        table += "| " + cell(form) + " | " + entry.help + " | " +
                 (entry.stress_values.empty() ? "no" : "yes") + " |\n";
    }
    return table;
}

std::string markdown_link_state_table() {
    std::string table =
        "| link state | devices line | trace mark | what it means |\n"
        "| --- | --- | --- | --- |\n";
    for (const auto& entry : kLinkStates) {
        table += "| " + std::string(entry.name) + " | " +
                 cell(std::string(kind_name(entry.on)) + " 12 " + entry.shown) + " | " +
                 (entry.mark[0] == '\0' ? std::string("-") : cell(entry.mark)) + " | " +
                 entry.help + " |\n";
    }
    return table;
}

}  // namespace kest_host
