// Device faults in the world: each one must change what the devices report, and
// ending it must bring what a recovering device sends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "world/device_world.h"

namespace kest_host {
namespace {

class recording_sink : public revertive_sink {
  public:
    void report(int32_t type, const revertive_info& r) override {
        reports.push_back(std::to_string(type) + " " + std::to_string(r.device) + " " +
                          std::to_string(r.index) + " " + std::to_string(r.value) + " " + r.text);
    }
    void remark(const std::string& text) override { remarks.push_back(text); }
    std::vector<std::string> take() {
        auto out = std::move(reports);
        reports.clear();
        return out;
    }

    std::vector<std::string> reports;
    std::vector<std::string> remarks;
};

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
    world.set_router_offline(true);
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

    world.set_router_offline(false);
    EXPECT_EQ(sink.take(), lines{"1 12 3 8 Cam 8 wide"}) << "every registered destination again";
    EXPECT_TRUE(r->take_crosspoint(3, 4));
    EXPECT_EQ(sink.take(), lines{"1 12 3 4 Cam 4"});
    world.set_router_offline(false);
    EXPECT_TRUE(sink.take().empty()) << "only a router that was offline reconnects";
}

TEST_F(faults_test, a_refusing_router_reports_the_unchanged_source) {
    world.set_router_refuse(true);
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
    world.set_router_delay(500);
    EXPECT_TRUE(r->take_crosspoint(3, 8));
    EXPECT_EQ(r->source_at(3), 8) << "made at once";
    EXPECT_TRUE(sink.take().empty());
    world.clock().move_to(100);
    world.set_router_delay(10);  // shorter now, but never ahead of the earlier report
    r->take_crosspoint(3, 4);
    int64_t due = 0;
    ASSERT_TRUE(line.waiting(due));
    EXPECT_EQ(due, 500);
    EXPECT_EQ(line.all_due_by(), 500);
    EXPECT_FALSE(line.deliver_due(499));
    world.set_router_delay(0);
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
    world.set_router_delay(100);
    r->take_crosspoint(3, 8);  // due at 100
    world.clock().move_to(50);
    world.set_router_delay(400);
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
    world.set_infodriver_silent(true);
    tally->slots[61] = "6";
    tally->poll(61, 62);
    tally->poll(61, 62);  // asked twice: answered once
    tally->set_slot(62, "8");
    tally->set_slot(69, "3");
    tally->set_slot(70, "9");  // not registered
    EXPECT_TRUE(sink.take().empty());
    EXPECT_EQ(tally->outstanding_polls(), 1U);
    EXPECT_EQ(world.faults_in_force(), "infodriver 30 SILENT");
    world.set_infodriver_silent(false);
    EXPECT_EQ(sink.take(), (lines{"1 30 61 0 6", "1 30 62 0 8", "1 30 69 0 3"}))
        << "the poll's answer first, then the changed slots it did not cover";
    world.set_infodriver_silent(false);
    EXPECT_TRUE(sink.take().empty());
}

TEST_F(faults_test, a_bouncing_input_reports_alternating_states_before_the_final_one) {
    world.set_gpi_bounce(2);
    inputs->set_input(18, 1);
    EXPECT_EQ(sink.take(), (lines{"1 40 18 1 ", "1 40 18 0 ", "1 40 18 1 "}));
    world.set_gpi_bounce(1);
    inputs->set_input(18, 0);
    EXPECT_EQ(sink.take(), (lines{"1 40 18 1 ", "1 40 18 0 "}));
    inputs->set_input(18, 0);
    EXPECT_EQ(sink.take(), lines{"1 40 18 0 "}) << "no change, no bounce";
    inputs->set_input(30, 1);
    EXPECT_TRUE(sink.take().empty()) << "unregistered inputs stay unreported";
}

TEST_F(faults_test, clear_brings_the_devices_back_first_and_then_ends_every_fault) {
    world.set_router_offline(true);
    world.set_router_delay(200);
    world.set_infodriver_silent(true);
    world.set_gpi_bounce(3);
    world.set_names_missing(true);
    world.set_lookup_missing("LD Button 1");
    world.set_layout_missing(true);
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

}  // namespace
}  // namespace kest_host
