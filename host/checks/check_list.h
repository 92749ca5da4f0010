// The registered checks, in the order of the table at the end of a run. Adding a
// check: write its unit (one .cpp file with its make_ function), add its id here and
// its factory to check_list.cpp.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "checks/check.h"

namespace kest_host {

enum class check_id {
    replies_released_once,
    replies_untouched,
    answers_well_formed,
    no_command_after_delete,
    commands_well_formed,
    controls_in_layout,
    crosspoint_valid,
    known_devices,
    events_settle,
    routing_model,
    count_
};

std::unique_ptr<check> make_replies_released_once();
std::unique_ptr<check> make_replies_untouched();
std::unique_ptr<check> make_answers_well_formed();
std::unique_ptr<check> make_no_command_after_delete();
std::unique_ptr<check> make_commands_well_formed();
std::unique_ptr<check> make_controls_in_layout();
std::unique_ptr<check> make_crosspoint_valid();
std::unique_ptr<check> make_known_devices();
std::unique_ptr<check> make_events_settle();
std::unique_ptr<check> make_routing_model();

// One of each, indexed by check_id.
std::vector<std::unique_ptr<check>> make_all_checks();

// The checks as the manual's table (docs/kest-host.md): id, failure or warning, what
// each checks and when it is skipped.
std::string markdown_check_table();

}  // namespace kest_host
