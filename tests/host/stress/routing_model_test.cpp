#include "stress/routing_model.h"

#include <gtest/gtest.h>

namespace kest_host {
namespace {

// A studio: monitor destination 3 showing source 1; buttons 1..5 carry 5, 6, 7, 0, 9.
routing_model studio() {
    routing_model m;
    m.router = {{3, 1}, {4, 2}};
    m.source_names = {{1, "Wide"}, {5, "Cam 5"}, {7, "Cam 7"}, {9, "Playout"}};
    m.dest_names = {{3, "LD Monitor"}};
    const char* slots[] = {"5", "6", "7", "0", "9", "0", "0", "0", "3"};
    for (int i = 0; i < 9; ++i) {
        m.slot_report(61 + i, slots[i]);
    }
    return m;
}

TEST(routing_model, the_lowest_high_input_wins_and_the_old_source_returns) {
    struct step {
        int input;  // 1..8
        int value;
        int32_t expected_on_monitor;
    };
    const struct {
        const char* name;
        std::vector<step> steps;
    } cases[] = {
        {"3 then 5, release 3, release 5", {{3, 1, 7}, {5, 1, 7}, {3, 0, 9}, {5, 0, 1}}},
        {"5 then 3: lower wins, not earlier", {{5, 1, 9}, {3, 1, 7}, {5, 0, 7}, {3, 0, 1}}},
        {"a button without a source routes nothing", {{4, 1, 1}, {4, 0, 1}}},
        {"no source, then a lower one", {{4, 1, 1}, {2, 1, 6}, {2, 0, 6}, {4, 0, 1}}},
    };
    for (const auto& c : cases) {
        routing_model m = studio();
        for (const auto& s : c.steps) {
            m.input_report(s.input - 1, s.value);
            EXPECT_EQ(m.router[3], s.expected_on_monitor)
                << c.name << ": after input " << s.input << " -> " << s.value;
        }
        EXPECT_FALSE(m.held) << c.name;
    }
}

TEST(routing_model, routes_from_elsewhere_become_the_source_to_restore_only_when_free) {
    routing_model m = studio();
    m.route_elsewhere(3, 9);
    m.input_report(0, 1);
    EXPECT_EQ(m.router[3], 5);
    m.route_elsewhere(3, 7);  // while held: shown, but not what comes back
    std::string text;
    ASSERT_TRUE(m.expected_control("CurrentSDI_ID", text));
    EXPECT_EQ(text, "7");
    m.input_report(0, 0);
    EXPECT_EQ(m.router[3], 9);
}

TEST(routing_model, a_new_source_for_a_held_button_waits_for_the_next_gpi_report) {
    routing_model m = studio();
    m.input_report(0, 1);
    m.slot_report(61, "7");
    EXPECT_EQ(m.router[3], 5);
    m.input_report(-1, 0);  // a report for an index outside the eight still decides
    EXPECT_EQ(m.router[3], 7);
}

TEST(routing_model, controls_follow_names_and_the_monitor) {
    routing_model m = studio();
    std::string text;
    m.rename(0, 5, "Cam 5 jib");
    ASSERT_TRUE(m.expected_control("21", text));
    EXPECT_EQ(text, "Cam 5 jib");
    ASSERT_TRUE(m.expected_control("22", text));
    EXPECT_EQ(text, "") << "source 6 has no name";
    m.input_report(1, 1);
    ASSERT_TRUE(m.expected_control("2", text));
    EXPECT_EQ(text, "Ryx_TakeHigh");
    ASSERT_TRUE(m.expected_control("51", text));
    EXPECT_EQ(text, "LD Monitor");
    m.slot_report(69, "4");
    EXPECT_EQ(m.on_monitor, 2);
    EXPECT_EQ(m.restore, 1) << "held: the source to restore stays";
    EXPECT_FALSE(m.expected_control("ID_ID", text));
}

TEST(routing_model, without_a_monitor_destination_nothing_is_routed_or_shown) {
    routing_model m = studio();
    m.slot_report(69, "0");
    std::string text;
    ASSERT_TRUE(m.expected_control("CurrentSDI_ID", text));
    EXPECT_EQ(text, "");
    m.input_report(0, 1);
    EXPECT_EQ(m.router[3], 1);
    EXPECT_TRUE(m.held);
    m.router_report(9, "Stray");  // a report still reaches the panel
    m.slot_report(69, "0");       // no registration to drop: the text stays
    ASSERT_TRUE(m.expected_control("CurrentSDI_ID", text));
    EXPECT_EQ(text, "9");
}

TEST(routing_model, a_tap_shorter_than_a_slow_router_brings_the_earlier_source_back) {
    routing_model m = studio();
    m.faults.set("router delay", 500);
    m.input_change(0, 1);
    EXPECT_EQ(m.router[3], 5) << "made at once";
    EXPECT_EQ(m.on_monitor, 1) << "reported later";
    m.input_change(0, 0);
    EXPECT_EQ(m.router[3], 1) << "awaiting source 5: the earlier source is sent back";
    m.advance(499);
    EXPECT_EQ(m.on_monitor, 1);
    m.advance(1);
    EXPECT_EQ(m.on_monitor, 1);
    EXPECT_EQ(m.restore, 1) << "the late report of the panel's own crosspoint is not restored";
    EXPECT_TRUE(m.runs.empty());
    m.route_elsewhere(3, 9);
    m.advance(500);
    EXPECT_EQ(m.restore, 9) << "a route made elsewhere is still followed";
}

TEST(routing_model, lost_and_refused_crosspoints_are_awaited_but_not_made) {
    routing_model m = studio();
    m.set_offline(true);
    m.input_change(0, 1);
    EXPECT_EQ(m.router[3], 1);
    EXPECT_EQ(m.runs.size(), 1U) << "the panel still awaits the lost crosspoint";
    m.set_offline(false);  // the reconnection report answers it
    EXPECT_TRUE(m.runs.empty());
    EXPECT_EQ(m.restore, 1);
    m.input_change(0, 0);
    m.faults.set("router refuse", 1);
    m.input_change(2, 1);
    EXPECT_EQ(m.router[3], 1);
    EXPECT_EQ(m.on_monitor, 1) << "the unchanged source is reported";
    EXPECT_TRUE(m.runs.empty());
    m.faults.set("gpi bounce", 2);
    m.faults.set("router refuse", 0);
    m.input_change(2, 0);
    m.input_change(0, 1);  // high, low, high: ends on button 1's source
    EXPECT_EQ(m.router[3], 5);
}

TEST(routing_model, slot_texts_read_like_the_panel_reads_numbers) {
    EXPECT_EQ(routing_model::number_of(" 12x"), 12);
    EXPECT_EQ(routing_model::number_of("-3"), -3);
    EXPECT_EQ(routing_model::number_of("abc"), 0);
    EXPECT_EQ(routing_model::number_of(""), 0);
    EXPECT_EQ(routing_model::number_of("99999999999"), 2147483647);
}

}  // namespace
}  // namespace kest_host
