// Device faults in the world: each one must change what the devices report, and
// ending it must bring what a recovering device sends.
#include "world/faults.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "recording_sink.h"
#include "text_file.h"
#include "world/device_world.h"

namespace kest_host {
namespace {

using kest_test::recording_sink;
using lines = std::vector<std::string>;

class faults_test : public ::testing::Test {
  protected:
    faults_test() : world(sink) {
        r = world.add_router(12);
        tally = world.add_infodriver(30);
        inputs = world.add_gpi(40);
        r->names[router::kSources][4] = "Cam 4";
        r->names[router::kSources][8] = "Cam 8";
        r->crosspoints[3] = 4;
        r->registered().add(3, 3);
        tally->registered().add(61, 69);
        inputs->registered().add(17, 24);
    }

    recording_sink sink;
    device_world world;
    router* r;
    infodriver* tally;
    gpi* inputs;
};

TEST_F(faults_test, an_offline_router_loses_commands_and_reports_until_it_reconnects) {
    world.switch_fault("router offline");
    EXPECT_FALSE(r->take_crosspoint(3, 8));
    EXPECT_EQ(r->source_at(3), 4) << "a lost crosspoint is not made";
    r->poll(3, 3);
    r->route(3, 8);  // switched by hand at the router
    EXPECT_EQ(r->source_at(3), 8);
    EXPECT_TRUE(sink.take().empty()) << "no poll answer, no revertive";
    EXPECT_EQ(sink.remarks.size(), 2U);
    r->rename(router::kSources, 8, "Cam 8 wide");
    EXPECT_EQ(sink.take(), lines{"6 12 8 0 Cam 8 wide"})
        << "names are the host's, not the router's";
    EXPECT_EQ(world.faults_in_force(), "router 12 OFFLINE");

    world.switch_fault("router online");
    EXPECT_EQ(sink.take(), lines{"1 12 3 8 Cam 8 wide"}) << "every registered destination again";
    EXPECT_TRUE(r->take_crosspoint(3, 4));
    EXPECT_EQ(sink.take(), lines{"1 12 3 4 Cam 4"});
    world.switch_fault("router online");
    EXPECT_TRUE(sink.take().empty()) << "only a router that was offline reconnects";
}

TEST_F(faults_test, a_refusing_router_reports_the_unchanged_source) {
    world.switch_fault("router refuse");
    EXPECT_FALSE(r->take_crosspoint(3, 8));
    EXPECT_EQ(r->source_at(3), 4);
    EXPECT_EQ(sink.take(), lines{"1 12 3 4 Cam 4"});
    r->route(3, 8);  // by hand: made
    EXPECT_EQ(sink.take(), lines{"1 12 3 8 Cam 8"});
    world.clear_faults();
    EXPECT_TRUE(r->take_crosspoint(3, 4));
    EXPECT_EQ(r->source_at(3), 4);
}

TEST_F(faults_test, a_slow_router_makes_at_once_and_reports_in_order_on_the_clock) {
    router_line& line = world.routers_line();
    world.switch_fault("router delay", 500);
    EXPECT_TRUE(r->take_crosspoint(3, 8));
    EXPECT_EQ(r->source_at(3), 8) << "made at once";
    EXPECT_TRUE(sink.take().empty());
    world.clock().move_to(100);
    world.switch_fault("router delay", 10);  // shorter now, but never ahead of the earlier report
    r->take_crosspoint(3, 4);
    int64_t due = 0;
    ASSERT_TRUE(line.waiting(due));
    EXPECT_EQ(due, 500);
    EXPECT_EQ(line.all_due_by(), 500);
    EXPECT_FALSE(line.deliver_due(499));
    world.switch_fault("router delay", 0);
    r->route(3, 8);  // the delay ended, but reports already waiting go first
    EXPECT_TRUE(sink.take().empty());
    EXPECT_TRUE(line.deliver_due(500));
    EXPECT_TRUE(line.deliver_due(500));
    EXPECT_TRUE(line.deliver_due(500));
    EXPECT_FALSE(line.deliver_due(10000));
    EXPECT_EQ(sink.take(), (lines{"1 12 3 8 Cam 8", "1 12 3 4 Cam 4", "1 12 3 8 Cam 8"}));
    r->take_crosspoint(3, 4);
    EXPECT_EQ(sink.take(), lines{"1 12 3 4 Cam 4"}) << "nothing waits: straight through";
}

// The time by which every waiting report has arrived is the last one's, not the
// first one's: a stress run moves the clock there to settle the line.
TEST_F(faults_test, all_due_by_is_the_due_time_of_the_last_waiting_report) {
    router_line& line = world.routers_line();
    EXPECT_EQ(line.all_due_by(), 0) << "nothing waits: now";
    world.switch_fault("router delay", 100);
    r->take_crosspoint(3, 8);  // due at 100
    world.clock().move_to(50);
    world.switch_fault("router delay", 400);
    r->take_crosspoint(3, 4);  // due at 450
    int64_t first = 0;
    ASSERT_TRUE(line.waiting(first));
    EXPECT_EQ(first, 100);
    EXPECT_EQ(line.all_due_by(), 450);
    EXPECT_TRUE(line.deliver_due(100));
    world.clock().move_to(600);
    EXPECT_EQ(line.all_due_by(), 600) << "overdue: now, never in the past";
}

TEST_F(faults_test, a_silent_infodriver_answers_what_it_owes_when_it_comes_back) {
    world.switch_fault("infodriver silent");
    tally->slots[61] = "6";
    tally->poll(61, 62);
    tally->poll(61, 62);  // asked twice: answered once
    tally->set_slot(62, "8");
    tally->set_slot(69, "3");
    tally->set_slot(70, "9");  // not registered
    EXPECT_TRUE(sink.take().empty());
    EXPECT_EQ(tally->outstanding_polls(), 1U);
    EXPECT_EQ(world.faults_in_force(), "infodriver 30 SILENT");
    world.switch_fault("infodriver online");
    EXPECT_EQ(sink.take(), (lines{"1 30 61 0 6", "1 30 62 0 8", "1 30 69 0 3"}))
        << "the poll's answer first, then the changed slots it did not cover";
    world.switch_fault("infodriver online");
    EXPECT_TRUE(sink.take().empty());
}

TEST_F(faults_test, a_bouncing_input_reports_alternating_states_before_the_final_one) {
    world.switch_fault("gpi bounce", 2);
    inputs->set_input(18, 1);
    EXPECT_EQ(sink.take(), (lines{"1 40 18 1 ", "1 40 18 0 ", "1 40 18 1 "}));
    world.switch_fault("gpi bounce", 1);
    inputs->set_input(18, 0);
    EXPECT_EQ(sink.take(), (lines{"1 40 18 1 ", "1 40 18 0 "}));
    inputs->set_input(18, 0);
    EXPECT_EQ(sink.take(), lines{"1 40 18 0 "}) << "no change, no bounce";
    inputs->set_input(30, 1);
    EXPECT_TRUE(sink.take().empty()) << "unregistered inputs stay unreported";
}

TEST_F(faults_test, clear_brings_the_devices_back_first_and_then_ends_every_fault) {
    world.switch_fault("router offline");
    world.switch_fault("router delay", 200);
    world.switch_fault("infodriver silent");
    world.switch_fault("gpi bounce", 3);
    world.switch_fault("names missing");
    world.switch_fault("lookup", 1, "LD Button 1");
    world.switch_fault("layout missing");
    tally->set_slot(69, "4");
    EXPECT_EQ(world.faults_in_force(),
              "router 12 OFFLINE, router 12 DELAY 200 ms, infodriver 30 SILENT, gpi 40 BOUNCE 3, "
              "names MISSING, lookup \"LD Button 1\" MISSING, layout MISSING");
    world.clear_faults();
    EXPECT_FALSE(world.faults().any());
    EXPECT_EQ(world.faults_in_force(), "");
    EXPECT_EQ(sink.take(), lines{"1 30 69 0 4"}) << "the infodriver's change";
    EXPECT_EQ(world.routers_line().waiting_count(), 1U)
        << "the reconnection report left while the router was still slow";
}

// The fault table is the one place a fault is described: every entry changes the
// state, and the devices line names what is in force.
TEST(fault_table, each_fault_switches_by_its_words_and_unknown_words_change_nothing) {
    recording_sink sink;
    device_world world(sink);
    world.add_router(12);
    for (const auto& fault : fault_table()) {
        EXPECT_EQ(find_fault(fault.words), &fault);
        EXPECT_FALSE(std::string(fault.help).empty()) << fault.words;
        for (const int64_t value : fault.stress_values) {
            EXPECT_GE(value, 0) << fault.words;
            EXPECT_TRUE(fault.takes != fault_entry::argument::number || value <= fault.most)
                << fault.words;
        }
    }
    EXPECT_FALSE(world.switch_fault("router sulks"));
    EXPECT_FALSE(world.faults().any());
    EXPECT_TRUE(world.switch_fault("router delay", 20));
    EXPECT_TRUE(world.switch_fault("router refuse"));
    EXPECT_EQ(world.faults_in_force(), "router 12 DELAY 20 ms, router 12 REFUSES");
    EXPECT_TRUE(world.switch_fault("router refuse", 0));
    EXPECT_EQ(world.faults_in_force(), "router 12 DELAY 20 ms") << "0 ends an on-off fault";
    EXPECT_THROW((void)world.faults().on("router sulks"), std::logic_error)
        << "a device asking for a fault the table lacks is a mistake, not a fault off";
    world.switch_fault("lookup", 1, "LD Button 1");
    EXPECT_EQ(world.faults().names("lookup"), std::set<std::string>{"LD Button 1"});
}

// docs/faults.md's table of the faults is made from the table: a fault added, renamed
// or reworded must show there too.
TEST(fault_table, the_documented_table_matches_it) {
    const std::string table = markdown_fault_table();
    for (const auto& fault : fault_table()) {
        EXPECT_NE(table.find(std::string("`fault ") + fault.words), std::string::npos)
            << fault.words;
    }
    std::string text;
    ASSERT_TRUE(kest_test::read_text_file(KEST_FAULTS_DOC, text)) << KEST_FAULTS_DOC;
    EXPECT_NE(text.find(table), std::string::npos)
        << "docs/faults.md: put this table in place of its table of the faults:\n"
        << table;
    const std::string links = markdown_link_state_table();
    EXPECT_NE(text.find(links), std::string::npos)
        << "docs/faults.md: put this table in place of its table of the link states:\n"
        << links;
}

}  // namespace
}  // namespace kest_host
