#include "checks/check_list.h"

namespace kest_host {

std::vector<std::unique_ptr<check>> make_all_checks() {
    using factory = std::unique_ptr<check> (*)();
    static constexpr factory kFactories[] = {
        make_replies_released_once,   make_replies_untouched,    make_answers_well_formed,
        make_no_command_after_delete, make_commands_well_formed, make_controls_in_layout,
        make_crosspoint_valid,        make_known_devices,        make_events_settle,
        make_routing_model,
    };
    static_assert(
        sizeof kFactories / sizeof kFactories[0] == static_cast<std::size_t>(check_id::count_),
        "one factory per check id");
    std::vector<std::unique_ptr<check>> checks;
    for (const factory make : kFactories) {
        checks.push_back(make());
    }
    return checks;
}

std::string markdown_check_table() {
    std::string table =
        "| id | a finding is | what it checks | skipped |\n| --- | --- | --- | --- |\n";
    for (const auto& each : make_all_checks()) {
        const std::string& skipped = each->skip_reason();
        table += std::string("| `") + each->id() + "` | " +
                 (each->warning_only() ? "a warning" : "a failure") + " | " + each->description() +
                 " | " + (skipped.empty() ? "-" : skipped) + " |\n";
    }
    return table;
}

}  // namespace kest_host
