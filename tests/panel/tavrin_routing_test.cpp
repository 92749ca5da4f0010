// GPI-driven monitor routing: tally data, router reports, inputs, name changes and
// timers, delivered as real event records through the plug-in's callback.
#include <climits>

#include "tavrin_fixture.h"

#include <gmock/gmock.h>

namespace tavrin_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class routing_test : public panel_test {
  protected:
    void SetUp() override {
        panel_test::SetUp();
        scriptDevices();
        host.replyPrefix("RN 7 0 ", "Cam");
        host.reply("RN 7 0 102", "Cam 2");
        host.reply("RN 7 1 5", "LD Monitor");
        start();
        sent();
    }
};

TEST_F(routing_test, typical_run_routes_the_pressed_button_and_puts_the_monitor_back) {
    // The first tally answer ends the retry and shows the button's source and name.
    slot(62, "102");
    EXPECT_THAT(sent(), ElementsAre("ET 2", "CH '1' 'AwaitTallyInfo'", "RN 7 0 102",
                                    tp("12", "102"), tp("22", "Cam 2")));
    slot(69, "5");
    EXPECT_THAT(sent(), ElementsAre(tp("50", "5"), "RN 7 1 5", tp("51", "LD Monitor"), "RR 7 5 5",
                                    "RP 7 5 5"));
    routerReports(100, "Studio");
    EXPECT_THAT(sent(), ElementsAre(tp("CurrentSDI_ID", "100"), tp("Current_Name", "Studio")));

    // The GPI poll answers all low: styles only, no crosspoint.
    input(1, 0);
    EXPECT_THAT(sent(), ElementsAre("CH '1' 'AwaitGPI'", style(1, false)));
    for (int n = 2; n <= 8; ++n) {
        input(n, 0);
        EXPECT_THAT(sent(), ElementsAre(style(n, false)));
    }

    input(2, 1);
    EXPECT_THAT(sent(), ElementsAre(style(2, true), rc(102, 5)));
    routerReports(102, "Cam 2");
    sent();
    input(2, 0);
    EXPECT_THAT(sent(), ElementsAre(style(2, false), rc(100, 5)));
    routerReports(100, "Studio");
    sent();
    // Everything low and the monitor back on its source: nothing more to do.
    input(2, 0);
    EXPECT_THAT(sent(), ElementsAre(style(2, false)));
}

TEST_F(routing_test, the_lowest_high_input_wins_not_the_earliest) {
    fillTally();
    input(5, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(105, 5)));
    routerReports(105);
    input(3, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(103, 5)));
    routerReports(103);
    input(3, 0);  // 5 is still high
    EXPECT_THAT(crosspoints(), ElementsAre(rc(105, 5)));
    routerReports(105);
    input(5, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
}

TEST_F(routing_test, until_the_router_reports_every_gpi_revertive_repeats_the_crosspoint) {
    fillTally();
    input(4, 1);
    input(6, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(104, 5), rc(104, 5)));
    routerReports(104);
    input(6, 0);
    EXPECT_THAT(crosspoints(), IsEmpty());
}

TEST_F(routing_test, a_button_without_source_holds_the_route_and_routes_nothing) {
    fillTally();
    slot(64, "0");
    input(4, 1);
    EXPECT_THAT(crosspoints(), IsEmpty());
    // Held: a source routed from elsewhere does not become the one to put back.
    routerReports(200);
    input(4, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
}

TEST_F(routing_test, a_source_already_on_the_monitor_is_not_routed_again) {
    fillTally();
    slot(61, "100");
    input(1, 1);
    input(1, 0);
    EXPECT_THAT(crosspoints(), IsEmpty());
}

TEST_F(routing_test, inputs_before_any_tally_data_route_nothing) {
    input(1, 1);
    input(8, 1);
    input(1, 0);
    input(8, 0);
    EXPECT_THAT(crosspoints(), IsEmpty());
}

TEST_F(routing_test, a_new_source_for_a_high_input_waits_for_the_next_gpi_revertive) {
    fillTally();
    input(2, 1);
    routerReports(102);
    sent();
    slot(62, "120");
    EXPECT_THAT(crosspoints(), IsEmpty());
    input(7, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(120, 5)));
}

TEST_F(routing_test, slot_69_moves_the_router_registration) {
    fillTally();
    // The same destination again: dropped and made again, and polled again.
    slot(69, "5");
    EXPECT_THAT(sent(), ElementsAre(tp("50", "5"), "RN 7 1 5", tp("51", "LD Monitor"), "RU 7",
                                    tp("CurrentSDI_ID", ""), "RR 7 5 5", "RP 7 5 5"));
    // A new destination; a name query without reply writes an empty name.
    slot(69, "9");
    EXPECT_THAT(sent(), ElementsAre(tp("50", "9"), "RN 7 1 9", tp("51", ""), "RU 7",
                                    tp("CurrentSDI_ID", ""), "RR 7 9 9", "RP 7 9 9"));
    // No destination: dropped, nothing registered, crosspoints name destination 0.
    slot(69, "0");
    EXPECT_THAT(sent(), ElementsAre(tp("50", "0"), "RN 7 1 0", tp("51", ""), "RU 7",
                                    tp("CurrentSDI_ID", "")));
    slot(69, "0");
    EXPECT_THAT(sent(), ElementsAre(tp("50", "0"), "RN 7 1 0", tp("51", "")));
    input(2, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 0)));
    destroy();
    EXPECT_THAT(sent(), ElementsAre("GU 30", "IU 12", "AS"));
}

TEST_F(routing_test, router_name_changes_follow_sources_and_the_monitor_destination) {
    slot(61, "101");
    slot(62, "101");  // two buttons share a source
    slot(69, "5");
    routerReports(101, "Cam");
    sent();

    databaseChange(kRouter, 0, 101, "Wide");
    EXPECT_THAT(sent(),
                ElementsAre(tp("21", "Wide"), tp("22", "Wide"), tp("Current_Name", "Wide")));
    // Source 0: every button still without a source.
    databaseChange(kRouter, 0, 0, "Black");
    EXPECT_THAT(sent(), ElementsAre(tp("23", "Black"), tp("24", "Black"), tp("25", "Black"),
                                    tp("26", "Black"), tp("27", "Black"), tp("28", "Black")));
    databaseChange(kRouter, 0, 555, "Unused");
    databaseChange(kRouter, 1, 6, "Other monitor");
    databaseChange(kRouter, 2, 5, "Third database");
    databaseChange(kTally, 1, 5, "Not the router");
    EXPECT_THAT(sent(), IsEmpty());
    databaseChange(kRouter, 1, 5, "LD Monitor 2");
    EXPECT_THAT(sent(), ElementsAre(tp("51", "LD Monitor 2")));
}

TEST_F(routing_test, timer_2_repeats_the_tally_poll_and_any_other_timer_is_stopped) {
    tick(2);
    EXPECT_THAT(sent(), ElementsAre("IP 12 61 69"));
    for (int32_t id : {1, 0, -1, 3, INT_MAX, INT_MIN}) {
        tick(id);
        EXPECT_THAT(sent(), ElementsAre("ET " + std::to_string(id)));
    }
}

TEST_F(routing_test, the_first_tally_revertive_of_any_slot_ends_the_wait_once) {
    slot(70, "x");
    EXPECT_THAT(sent(), ElementsAre("ET 2", "CH '1' 'AwaitTallyInfo'"));
    slot(60, "x");
    slot(0, "x");
    EXPECT_THAT(sent(), IsEmpty());
    destroy();
    EXPECT_THAT(sent(), ElementsAre("GU 30", "IU 12", "AS"));
}

// Tally slot texts the host may carry, and the number the panel makes of them.
TEST_F(routing_test, tally_slot_texts_convert_safely) {
    struct text_case {
        std::string text;
        std::string number;
    };
    const text_case cases[] = {
        {"", "0"},
        {"abc", "0"},
        {"  42xyz", "42"},
        {"-17", "-17"},
        {"99999999999999999999", "2147483647"},
        {"-99999999999999999999", "-2147483648"},
        {std::string(255, '9'), "2147483647"},
        {std::string(255, 'x'), "0"},
        {std::string(256, '8'), "2147483647"},  // no NUL inside the record
    };
    for (const text_case& c : cases) {
        SCOPED_TRACE("slot text of " + std::to_string(c.text.size()) + " characters");
        slot(63, c.text);
        const std::vector<std::string> commands = sent();
        ASSERT_GE(commands.size(), 3u);
        EXPECT_EQ(commands[commands.size() - 3], "RN 7 0 " + c.number);
        EXPECT_EQ(commands[commands.size() - 2], tp("13", c.number));
    }
}

TEST_F(routing_test, long_names_and_texts_reach_the_controls_whole) {
    const std::string longName(255, 'n');
    host.reply("RN 7 0 101", longName);
    slot(61, "101");
    EXPECT_EQ(sent().back(), tp("21", longName));
    // A router text that fills the record without a NUL is read no further.
    routerReports(101, std::string(256, 'r'));
    EXPECT_THAT(sent(),
                ElementsAre(tp("CurrentSDI_ID", "101"), tp("Current_Name", std::string(256, 'r'))));
}

TEST_F(routing_test, revertives_for_other_devices_and_inputs_change_nothing) {
    fillTally();
    revertive(99, 61, 1, "103");
    revertive(-1, 17, 1);
    databaseChange(99, 0, 101, "x");
    // A host that sends no record at all.
    EXPECT_EQ(panel->callback(0, KEST_EVENT_REVERTIVE), nullptr);
    EXPECT_EQ(panel->callback(0, KEST_EVENT_DATABASE_CHANGE), nullptr);
    EXPECT_THAT(sent(), IsEmpty());
    // GPI indices beside and far from the eight inputs: no style, no state.
    for (int32_t index : {kGpiFirst - 1, kGpiFirst + 8, INT_MIN, INT_MAX}) {
        revertive(kGpi, index, 1);
    }
    EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(routing_test, gpi_states_other_than_0_and_1_never_read_past_the_inputs) {
    fillTally();
    // High but not exactly 1: the route is held, nothing is routed.
    input(1, 2);
    EXPECT_THAT(sent(), ElementsAre(style(1, true)));
    routerReports(300);
    input(1, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
    routerReports(100);

    // Wrapping sums: INT_MAX + 1 is not zero, so input 2 (exactly 1) is routed...
    input(1, INT_MAX);
    input(2, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5)));
    routerReports(102);
    // ...while two INT_MIN states add up to zero and count as all low.
    input(2, 0);
    input(1, INT_MIN);
    sent();
    input(3, INT_MIN);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
}

// One device number for all three: each matching step runs, router, GPI, tally.
TEST_F(panel_test, a_record_for_a_shared_device_runs_every_matching_step_in_order) {
    scriptDevices("40 0", "40 0", "40 61");
    start();
    sent();
    revertive(40, 61, 1, "5");
    EXPECT_THAT(sent(),
                ElementsAre(tp("CurrentSDI_ID", "1"), tp("Current_Name", "5"), "CH '1' 'AwaitGPI'",
                            style(1, true), "ET 2", "CH '1' 'AwaitTallyInfo'", "RN 40 0 5",
                            tp("11", "5"), tp("21", "")));
}

// An offset at the top of the number range must not overflow the last input.
TEST_F(panel_test, a_gpi_offset_at_the_top_of_the_range_wraps_instead_of_overflowing) {
    scriptDevices("7 0", "12 0", "30 2147483647");
    start();
    const std::vector<std::string> commands = sent();
    EXPECT_EQ(commands[7], tp("GPIslots", "2147483647 - -2147483642"));
    EXPECT_EQ(commands.back(), "GP 30 2147483647 -2147483642");
    revertive(30, INT_MAX, 1);
    EXPECT_THAT(sent(), ElementsAre("CH '1' 'AwaitGPI'"));
}

}  // namespace
}  // namespace tavrin_test
