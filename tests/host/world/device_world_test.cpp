#include "world/device_world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_sink.h"

namespace kest_host {
namespace {

// Records what the devices report with the database, as the event queue would
// receive it.
struct shown_sink : kest_test::recording_sink {
    shown_sink() : kest_test::recording_sink(database::shown) {}
};

TEST(device_world, devices_are_looked_up_by_number_and_kind) {
    shown_sink sink;
    device_world world(sink);
    ASSERT_NE(world.add_router(12), nullptr);
    ASSERT_NE(world.add_gpi(40), nullptr);
    EXPECT_EQ(world.add_infodriver(12), nullptr) << "a number is taken once";
    EXPECT_NE(world.find_as<router>(12), nullptr);
    EXPECT_EQ(world.find_as<gpi>(12), nullptr) << "device 12 is a router";
    EXPECT_EQ(world.first(device_kind::gpi)->number(), 40);
    EXPECT_EQ(world.first(device_kind::infodriver), nullptr);
    world.instances().add("LD Button 1", 40, 17);
    EXPECT_EQ(world.instances().first_offset_on(40), 17);
    EXPECT_EQ(world.instances().first_offset_on(12), 0);
}

TEST(device_world, a_poll_answers_every_index_but_at_most_the_limit) {
    shown_sink sink;
    device_world world(sink);
    infodriver& tally = *world.add_infodriver(30);
    tally.slots[61] = "5";
    tally.poll(60, 61);
    EXPECT_EQ(sink.reports, (std::vector<std::string>{"1 30 0 60 0 ", "1 30 0 61 0 5"}));
    sink.reports.clear();
    tally.poll(1, 1000000);
    EXPECT_EQ(sink.reports.size(), static_cast<std::size_t>(device::kPollLimit));
    EXPECT_EQ(sink.remarks, (std::vector<std::string>{"poll range cut to 4096 indices"}));
}

TEST(device_world, changes_reach_the_panel_only_where_it_registered_but_renames_always) {
    shown_sink sink;
    device_world world(sink);
    router& r = *world.add_router(12);
    r.names[router::kSources][7] = "Cam 7";
    r.registered().add(3, 3);
    r.route(3, 7);
    r.route(4, 7);
    r.rename(router::kDestinations, 9, "Spare");
    EXPECT_EQ(sink.reports, (std::vector<std::string>{"1 12 0 3 7 Cam 7", "6 12 1 9 0 Spare"}));
    EXPECT_EQ(r.source_at(4), 7);
    EXPECT_FALSE(r.source_at(5).has_value());
    gpi& g = *world.add_gpi(40);
    g.registered().add(17, 24);
    g.set_input(25, 1);
    g.set_input(17, 1);
    EXPECT_EQ(sink.reports.back(), "1 40 0 17 1 ");
    EXPECT_EQ(g.input(25), 1);
}

}  // namespace
}  // namespace kest_host
