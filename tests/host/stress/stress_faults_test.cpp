// Stress mode's faults come from the fault table, and only a run with --faults reads
// it: adding a fault kind leaves every run without --faults as it was, event for
// event, and changes runs with --faults.
#include "stress/stress_run.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "recording_sink.h"
#include "world/device_world.h"

namespace kest_host {
namespace {

using kest_test::recording_sink;

// The trace of every event of a seeded run, without the line that says how long it
// took.
std::string events_of(bool faults, const std::vector<fault_entry>& table) {
    stress_options options;
    options.plugin = KEST_TAVRIN_PLUGIN;
    options.events = 400;
    options.seed = 11;
    options.trace_from = 0;
    options.faults = faults;
    options.fault_table = &table;
    std::ostringstream out;
    EXPECT_EQ(run_stress(options, out), 0) << out.str();
    std::istringstream lines(out.str());
    std::string line;
    std::string kept;
    while (std::getline(lines, line)) {
        if (line.rfind("Stress: seed", 0) != 0) {
            kept += line + "\n";
        }
    }
    return kept;
}

// One more kind, made as docs/faults.md says: an entry and nothing else declared (the
// device's behaviour and the model's rule are the two other files a real one needs).
fault_entry router_mute() {
    fault_entry mute = *find_fault("router refuse");
    mute.words = "router mute";
    mute.help = "the router makes crosspoints and reports none";
    mute.shown = "MUTES";
    return mute;
}

// The table with the new kind, drawn like the rest.
std::vector<fault_entry> with_a_new_kind() {
    std::vector<fault_entry> table = fault_table();
    table.push_back(router_mute());
    return table;
}

TEST(stress_faults, a_new_kind_needs_no_field_of_the_fault_state) {
    recording_sink sink;
    device_world world(sink);
    const fault_entry mute = router_mute();
    world.apply_fault(mute, {});
    EXPECT_TRUE(world.faults().on("router mute"));
    EXPECT_FALSE(world.faults().on("router refuse"))
        << "its own state, not the one it was copied from";
    EXPECT_EQ(mute.describe(world.faults()), "MUTES");
    world.apply_fault(mute, {0, ""});
    EXPECT_EQ(mute.describe(world.faults()), "");
    EXPECT_FALSE(world.faults().any());
}

TEST(stress_faults, a_new_fault_kind_leaves_runs_without_faults_event_for_event) {
    const std::string before = events_of(false, fault_table());
    ASSERT_NE(before.find("--- event 400:"), std::string::npos) << "every event is traced";
    EXPECT_EQ(events_of(false, with_a_new_kind()), before);
}

TEST(stress_faults, runs_with_faults_draw_from_the_table) {
    const std::string before = events_of(true, fault_table());
    EXPECT_NE(before.find("fault router"), std::string::npos) << before.substr(0, 2000);
    EXPECT_NE(events_of(true, with_a_new_kind()), before)
        << "a kind added to the table is drawn, so the events with --faults change";
}

}  // namespace
}  // namespace kest_host
