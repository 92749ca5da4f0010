// A router that answers late: the reports of the panel's own crosspoints arrive
// after further GPI revertives, after the inputs fell, out of step with slot 69, or
// not at all. Each test delivers the router's reports itself, in the order a router
// that takes commands one after another would send them.
#include "tavrin_fixture.h"

#include <gmock/gmock.h>

namespace tavrin_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class slow_router_test : public started_panel_test {  // button n: source 100 + n; monitor 5 on 100
  protected:
    // A tap of input 3, answered at once, shows which source the panel puts back.
    void expectTapRestores(int32_t source, int32_t dest = 5) {
        SCOPED_TRACE("a tap of input 3 puts back " + std::to_string(source));
        input(3, 1);
        EXPECT_THAT(crosspoints(), ElementsAre(rc(103, dest)));
        routerReports(103, "Cam 3", dest);
        input(3, 0);
        EXPECT_THAT(crosspoints(), ElementsAre(rc(source, dest)));
        routerReports(source, "", dest);
        sent();
    }
};

TEST_F(slow_router_test, a_tap_shorter_than_the_router_puts_the_earlier_source_back) {
    input(2, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5)));
    // Released before the router reports: the crosspoint to 102 is on its way, so the
    // earlier source follows it at once, although the monitor still reads 100.
    input(2, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));

    // The late report of 102 is shown, in normal mode, and changes nothing else.
    routerReports(102, "Cam 2");
    EXPECT_THAT(sent(), ElementsAre(tp("CurrentSDI_ID", "102"), tp("Current_Name", "Cam 2")));
    routerReports(100, "Studio");
    EXPECT_THAT(sent(), ElementsAre(tp("CurrentSDI_ID", "100"), tp("Current_Name", "Studio")));

    // Settled: nothing more to send, and 100 is the source to put back.
    input(6, 0);
    EXPECT_THAT(crosspoints(), IsEmpty());
    expectTapRestores(100);
}

TEST_F(slow_router_test, a_late_report_whose_restore_is_not_yet_answered_is_not_taken) {
    input(2, 1);
    input(2, 0);
    sent();
    routerReports(102, "Cam 2");
    sent();
    // The monitor reads 102 while every input is low: the next GPI revertive sends the
    // earlier source again, as for any monitor that shows the wrong source.
    input(8, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
    routerReports(100);
    routerReports(100);
    expectTapRestores(100);
}

TEST_F(slow_router_test, repeated_presses_and_bounces_before_any_report_end_on_the_earlier_source) {
    // Two buttons: the lowest high input wins at each step.
    input(2, 1);
    input(1, 1);
    input(1, 0);
    input(2, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5), rc(101, 5), rc(102, 5), rc(100, 5)));
    for (int32_t source : {102, 101, 102}) {
        routerReports(source);
        EXPECT_THAT(crosspoints(), IsEmpty());
    }
    routerReports(100);
    expectTapRestores(100);

    // A contact that bounces, ending low; then one that bounces ending high.
    for (int32_t value : {1, 0, 1, 0, 1, 0}) {
        input(4, value);
    }
    EXPECT_THAT(crosspoints(), ElementsAre(rc(104, 5), rc(100, 5), rc(104, 5), rc(100, 5),
                                           rc(104, 5), rc(100, 5)));
    for (int32_t value : {1, 0, 1}) {
        input(4, value);
    }
    EXPECT_THAT(crosspoints(), ElementsAre(rc(104, 5), rc(100, 5), rc(104, 5)));
    for (int i = 0; i < 4; ++i) {
        routerReports(104);
        routerReports(100);
    }
    routerReports(104);
    input(4, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
    routerReports(100);
    expectTapRestores(100);
}

TEST_F(slow_router_test, a_press_while_the_restore_is_on_its_way_routes_the_button_again) {
    input(1, 1);
    input(1, 0);
    sent();
    routerReports(101);
    // The monitor reads 101, but the restore to 100 follows: 101 must be sent again.
    input(1, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(101, 5)));
    routerReports(100);
    routerReports(101);
    input(1, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
    routerReports(100);
    expectTapRestores(100);
}

TEST_F(slow_router_test, each_repeat_of_a_crosspoint_awaits_its_own_report) {
    // Until the router reports, every GPI revertive sends the crosspoint again.
    input(4, 1);
    input(6, 0);
    input(7, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(104, 5), rc(104, 5), rc(104, 5)));
    routerReports(104);
    // The monitor already reads 104 and no other source is on its way.
    input(6, 0);
    EXPECT_THAT(crosspoints(), IsEmpty());
    input(4, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
    // The repeats' reports are not routes made elsewhere: 100 stays the source to
    // put back, and the monitor, reading 104, is asked for it again.
    routerReports(104);
    routerReports(104);
    input(8, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
    routerReports(100);
    routerReports(100);
    expectTapRestores(100);
}

TEST_F(slow_router_test, routes_made_elsewhere_are_still_followed_once_the_router_has_answered) {
    input(2, 1);
    input(2, 0);
    routerReports(102);
    routerReports(100);
    routerReports(150);  // made elsewhere, after the panel's crosspoints
    sent();
    expectTapRestores(150);

    // Made elsewhere between the panel's two crosspoints: the restore came after it
    // at the router, so the monitor and the source to put back are 150 again.
    input(2, 1);
    input(2, 0);
    sent();
    routerReports(102);
    routerReports(170);
    routerReports(150);
    EXPECT_THAT(crosspoints(), IsEmpty());
    expectTapRestores(150);
}

TEST_F(slow_router_test, a_refused_crosspoint_does_not_keep_the_panel_waiting) {
    // The router reports the source it kept instead of the one asked for.
    input(2, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5)));
    routerReports(100);
    input(2, 0);
    EXPECT_THAT(crosspoints(), IsEmpty());
    routerReports(150);
    expectTapRestores(150);

    // A refused restore: the monitor keeps 102, which is not taken as the source to
    // put back; the next GPI revertive asks for 150 again.
    input(2, 1);
    routerReports(102);
    input(2, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5), rc(150, 5)));
    routerReports(102);
    input(7, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(150, 5)));
    routerReports(150);
    expectTapRestores(150);
}

// Several crosspoints outstanding and a report of a source the panel did not send (a
// refusal, or a route made elsewhere): it answers the oldest only. The later ones
// still await their reports, so that one of them arriving with every input low is not
// taken for a route made elsewhere.
TEST_F(slow_router_test, a_foreign_report_answers_only_the_oldest_of_several_crosspoints) {
    input(2, 1);
    input(1, 1);
    input(1, 0);
    input(2, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5), rc(101, 5), rc(102, 5), rc(100, 5)));
    routerReports(107, "Elsewhere");  // answers the first 102
    EXPECT_THAT(crosspoints(), IsEmpty());
    routerReports(101, "Cam 1");  // the second crosspoint's report, every input low
    EXPECT_THAT(crosspoints(), IsEmpty());
    // 101 is the panel's own, so 100 is still the source to put back: the next GPI
    // revertive sends it again, the monitor showing another source.
    input(6, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
    routerReports(102);
    routerReports(100);
    routerReports(100);
    expectTapRestores(100);
}

TEST_F(slow_router_test, crosspoints_that_are_never_reported_leave_the_panel_following_again) {
    // The router is offline: the press, a repeat and the restore are lost. When it
    // comes back it reports what it holds, the untouched 100.
    input(2, 1);
    input(5, 0);
    input(2, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5), rc(102, 5), rc(100, 5)));
    routerReports(100);
    routerReports(150);
    expectTapRestores(150);

    // Lost while held; the router comes back holding 160, switched by hand. That one
    // report ends the wait for the lost crosspoint.
    input(2, 1);
    sent();
    routerReports(160);
    input(2, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(150, 5)));
    routerReports(150);
    routerReports(170);
    expectTapRestores(170);

    // Everything lost and no report matches: the panel waits for at most as many
    // reports as it sent crosspoints (three here), then follows the router again.
    input(2, 1);
    input(5, 0);
    input(2, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5), rc(102, 5), rc(170, 5)));
    routerReports(180);
    routerReports(181);
    routerReports(182);
    routerReports(190);
    sent();
    expectTapRestores(190);
}

TEST_F(slow_router_test, a_crosspoint_to_no_destination_is_not_awaited) {
    // Destination 0 is not registered; one below 0 is, but no router has it.
    for (const char* dest : {"0", "-3"}) {
        SCOPED_TRACE(std::string("slot 69 reports ") + dest);
        slot(69, dest);
        input(2, 1);
        EXPECT_THAT(crosspoints(), ElementsAre(rc(102, std::stoi(dest))));
        // currentSource still reads the 100 of destination 5: nothing to put back.
        input(2, 0);
        EXPECT_THAT(crosspoints(), IsEmpty());
    }
    slot(69, "5");
    sent();
    routerReports(120);  // the answer to the poll is followed
    expectTapRestores(120);
}

TEST_F(slow_router_test, a_new_monitor_destination_ends_the_wait_and_the_same_one_keeps_it) {
    input(2, 1);
    input(2, 0);
    sent();
    // The new destination's poll answer is taken as the source to put back.
    slot(69, "9");
    EXPECT_THAT(sent(), ElementsAre(tp("50", "9"), "RN 7 1 9", tp("51", ""), "RU 7",
                                    tp("CurrentSDI_ID", ""), "RR 7 9 9", "RP 7 9 9"));
    routerReports(140, "", 9);
    expectTapRestores(140, 9);

    // The same destination again: the late reports still come, ahead of the poll's
    // answer, and 102 is not taken as the source to put back.
    input(2, 1);
    input(2, 0);
    slot(69, "9");
    sent();
    routerReports(102, "", 9);
    input(8, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(140, 9)));
    for (int report = 0; report < 3; ++report) {
        routerReports(140, "", 9);  // the restore, the poll's answer, the restore again
    }
    EXPECT_THAT(crosspoints(), IsEmpty());
    expectTapRestores(140, 9);

    // Moved while an input is held: the held route still belongs to the button.
    input(2, 1);
    slot(69, "5");
    sent();
    routerReports(100);
    input(2, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(140, 5)));
}

TEST_F(slow_router_test,
       more_crosspoints_outstanding_than_are_kept_still_end_on_the_earlier_source) {
    // Twenty taps before any report: forty crosspoints, more than the panel keeps.
    for (int tap = 0; tap < 20; ++tap) {
        input(2, 1);
        input(2, 0);
    }
    EXPECT_EQ(crosspoints().size(), 40u);
    for (int tap = 0; tap < 20; ++tap) {
        routerReports(102);
        routerReports(100);
    }
    EXPECT_THAT(crosspoints(), IsEmpty());
    expectTapRestores(100);
}

// Before the router's first report the panel knows no source to put back, and sends
// none (source 0 is no source); the poll's late answer is taken for the tap's.
TEST_F(panel_test, a_tap_before_the_first_router_report_puts_back_no_source_0) {
    scriptDevices();
    start();
    slot(62, "102");
    slot(69, "5");
    sent();
    input(2, 1);
    input(2, 0);
    EXPECT_THAT(sent(),
                ElementsAre("CH '1' 'AwaitGPI'", style(2, true), rc(102, 5), style(2, false)));
}

}  // namespace
}  // namespace tavrin_test
