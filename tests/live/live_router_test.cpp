// The panel against a router on loopback (kest-videohub), in real time: what goes on
// the wire, what the panel sees, and what the link does when the router misbehaves.
// Every wait is bounded; the router logs every routing line it received.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "live_scenario.h"
#include "videohub_process.h"

namespace kest_host {
namespace {

using lines = std::vector<std::string>;

// The usual studio: monitor on destination 3 carrying source 1 (output 2, input 0),
// button 1 source 5, button 2 source 6.
std::string studio(const videohub_process& router) {
    return "layout-dir \"" KEST_PANEL_DIR
           "\"\n"
           "device router 12 videohub " +
           router.address() +
           "\ndevice infodriver 30\ndevice gpi 40\n"
           "instance \"Vesk SDI Router\" 12 0\ninstance \"Vesk Tally Infodriver\" 30 0\n"
           "instance \"LD Button 1\" 40 17\n"
           "slot 61 \"5\"\nslot 62 \"6\"\nslot 69 \"3\"\n";
}

using kest_test::has;

struct live_run : kest_test::live_run {
    uint64_t refused = 0;
};

// Deadlines short enough for the tests' waits, long enough for a loaded machine.
live::link_timing test_timing() {
    live::link_timing timing;
    timing.ping_every_ms = 300;
    timing.answer_timeout_ms = 1000;
    timing.dump_timeout_ms = 5000;
    return timing;
}

// Runs the lines; a line "!X" is not a statement: the hook gets X (to change the
// router while the panel runs).
live_run run(const std::string& text, const std::function<void(const std::string&)>& hook = {},
             bool read_only = false, const live::link_timing& timing = test_timing()) {
    live::live_studio studio;
    studio.set_read_only(read_only);
    studio.set_first_wait(std::min<int64_t>(timing.dump_timeout_ms, 3000));
    studio.set_timing(timing);
    live_run r;
    static_cast<kest_test::live_run&>(r) = kest_test::run_live(studio, text, "live.scn", hook);
    EXPECT_EQ(r.error, "");
    r.refused = studio.guard().refused;
    return r;
}

// The hook for "!..." lines: control lines for kest-videohub.
std::function<void(const std::string&)> controls(const videohub_process& router) {
    return [&router](const std::string& line) { router.control(line); };
}

TEST(live_router, presses_become_routing_blocks_and_the_panel_follows_the_router) {
    videohub_process router(
        {"--route", "2=0", "--label-in", "5=Cam 6", "--label-out", "2=LD Monitor"});
    ASSERT_NE(router.port(), 0);
    const live_run r = run(studio(router) +
                               "start\n"
                               "expect control 51 text \"LD Monitor\" within 2000\n"
                               "expect control CurrentSDI_ID text \"1\" within 2000\n"
                               "press 2\n"
                               "expect sent \"RC 12 6 3 ',' 0\"\n"
                               "expect dest 3 source 6 within 2000\n"
                               "expect control Current_Name text \"Cam 6\" within 2000\n"
                               "release 2\n"
                               "expect control CurrentSDI_ID text \"1\" within 2000\n"
                               "!label in 0 Studio Wide\n"
                               "expect control Current_Name text \"Studio Wide\" within 2000\n",
                           controls(router));
    EXPECT_EQ(r.failed, 0u) << r.out;
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(router.log(), (lines{"route 2 5", "route 2 0"}));
    EXPECT_TRUE(has(r.out, "router 12 LINK UP: 16 inputs, 16 outputs")) << r.out;
    EXPECT_TRUE(has(r.out, "; 0 crosspoints refused")) << r.out;
}

TEST(live_router, a_quick_tap_under_late_status_ends_on_the_normal_source) {
    videohub_process router({"--route", "2=0", "--late-status", "300"});
    const live_run r = run(studio(router) +
                           "start\npress 2\nrelease 2\n"
                           "expect control CurrentSDI_ID text \"1\" within 3000\n"
                           "expect dest 3 source 1 within 3000\n"
                           "advance 700\n"
                           "expect control CurrentSDI_ID text \"1\"\n"
                           "expect dest 3 source 1\n");
    EXPECT_EQ(r.failed, 0u) << r.out;
    EXPECT_EQ(router.log(), (lines{"route 2 5", "route 2 0"}));
}

TEST(live_router, a_locked_output_is_never_routed_and_the_panel_sees_a_refusal) {
    videohub_process router({"--route", "2=0", "--lock", "2"});
    const live_run r = run(studio(router) +
                           "start\nexpect control CurrentSDI_ID text \"1\" within 2000\n"
                           "press 2\nadvance 300\n"
                           "expect dest 3 source 1\nexpect control CurrentSDI_ID text \"1\"\n");
    EXPECT_EQ(r.failed, 0u) << r.out;
    EXPECT_TRUE(router.log().empty());
    EXPECT_TRUE(has(r.out, "RC 12 6 3 ',' 0  (refused: destination 3 locked by another client)"))
        << r.out;
    EXPECT_EQ(r.refused, 1u);
    EXPECT_TRUE(has(r.out, "; 1 crosspoint refused")) << r.out;
}

TEST(live_router, a_nak_is_a_refusal_the_panel_sees) {
    videohub_process router({"--route", "2=0", "--nak"});
    const live_run r = run(studio(router) +
                           "start\npress 2\nadvance 300\n"
                           "expect dest 3 source 1\nexpect control CurrentSDI_ID text \"1\"\n");
    EXPECT_EQ(r.failed, 0u) << r.out;
    EXPECT_EQ(router.log(), (lines{"route 2 5"}));  // sent, and refused by the router
    EXPECT_TRUE(has(r.out, "router 12 NAK: source 6 to destination 3 (refused: router said NAK)"))
        << r.out;
    EXPECT_EQ(r.refused, 1u);
}

TEST(live_router, only_the_monitor_and_allowed_destinations_are_routed) {
    videohub_process router({"--route", "2=0", "--route", "3=0"});
    // The tally moves the monitor to destination 4 after the start: not allowed.
    const live_run refused = run(studio(router) +
                                 "start\nslot 69 \"4\"\nadvance 200\npress 2\nadvance 300\n"
                                 "expect dest 4 source 1\n");
    EXPECT_EQ(refused.failed, 0u) << refused.out;
    EXPECT_TRUE(router.log().empty());
    EXPECT_TRUE(has(refused.out, "RC 12 6 4 ',' 0  (refused: destination 4 not allowed)"))
        << refused.out;
    EXPECT_EQ(refused.refused, 1u);

    const live_run allowed = run(studio(router) +
                                 "allow dest 4\nstart\nslot 69 \"4\"\nadvance 200\npress 2\n"
                                 "expect dest 4 source 6 within 2000\n");
    EXPECT_EQ(allowed.failed, 0u) << allowed.out;
    EXPECT_EQ(router.log(), (lines{"route 3 5"}));
}

TEST(live_router, read_only_sends_no_crosspoint) {
    videohub_process router({"--route", "2=0"});
    const live_run r = run(studio(router) +
                               "start\npress 2\nadvance 300\nrelease 2\n"
                               "expect dest 3 source 1 within 300\n",
                           {}, true);
    EXPECT_EQ(r.failed, 0u) << r.out;
    EXPECT_TRUE(router.log().empty());
    EXPECT_TRUE(has(r.out, "RC 12 6 3 ',' 0  (not sent: read-only)")) << r.out;
}

TEST(live_router, replies_one_byte_at_a_time_are_read_as_whole_blocks) {
    videohub_process router(
        {"--route", "2=0", "--byte-at-a-time", "--inputs", "6", "--outputs", "3"});
    const live_run r = run(studio(router) +
                           "start\nexpect control CurrentSDI_ID text \"1\" within 3000\n"
                           "press 2\nexpect control CurrentSDI_ID text \"6\" within 3000\n"
                           "release 2\nexpect control CurrentSDI_ID text \"1\" within 3000\n");
    EXPECT_EQ(r.failed, 0u) << r.out;
    EXPECT_EQ(router.log(), (lines{"route 2 5", "route 2 0"}));
}

TEST(live_router, an_outage_loses_commands_and_the_newest_lost_crosspoint_is_sent_after) {
    videohub_process router({"--route", "2=0"});
    const live_run r = run(studio(router) +
                               "start\nexpect control CurrentSDI_ID text \"1\" within 2000\n"
                               "!outage 1200\n"
                               "advance 200\n"
                               "show\n"
                               "press 1\npress 2\nrelease 1\n"  // the newest: source 6
                               "expect control CurrentSDI_ID text \"6\" within 6000\n"
                               "expect dest 3 source 6\n",
                           controls(router));
    EXPECT_EQ(r.failed, 0u) << r.out;
    EXPECT_TRUE(has(r.out, "devices: router 12 LINK DOWN since ")) << r.out;
    EXPECT_TRUE(has(r.out, "RC 12 5 3 ',' 0  (lost: router link down)")) << r.out;
    EXPECT_EQ(router.log(), (lines{"route 2 5"}));  // sent once, after the dump
}

TEST(live_router, a_press_and_release_inside_an_outage_send_nothing_after_it) {
    videohub_process router({"--route", "2=0"});
    const live_run r = run(studio(router) +
                               "start\nexpect control CurrentSDI_ID text \"1\" within 2000\n"
                               "!outage 1200\nadvance 200\npress 2\nrelease 2\n"
                               "advance 3500\n"
                               "expect dest 3 source 1\nexpect control CurrentSDI_ID text \"1\"\n",
                           controls(router));
    EXPECT_EQ(r.failed, 0u) << r.out;
    EXPECT_TRUE(router.log().empty());
    EXPECT_TRUE(has(r.out, "already on source 1: lost crosspoint not sent again")) << r.out;
}

TEST(live_router, a_route_made_by_hand_in_an_outage_stays_unless_the_panel_asked_for_another) {
    videohub_process router({"--route", "2=0", "--route", "3=0"});
    // Nobody pressed: the hand-made route 8 on the monitor stays, and the panel
    // shows it.
    const live_run kept = run(studio(router) +
                                  "start\nexpect control CurrentSDI_ID text \"1\" within 2000\n"
                                  "!outage 1200\nadvance 200\n!route 2 7\n"
                                  "expect control CurrentSDI_ID text \"8\" within 6000\n"
                                  "advance 500\nexpect dest 3 source 8\n",
                              controls(router));
    EXPECT_EQ(kept.failed, 0u) << kept.out;
    EXPECT_TRUE(router.log().empty());
    // A press during the outage asked for source 6: that overwrites the hand route.
    const live_run overwritten = run(studio(router) +
                                         "start\n!outage 1200\nadvance 200\n!route 2 7\npress 2\n"
                                         "expect control CurrentSDI_ID text \"6\" within 6000\n"
                                         "expect dest 3 source 6\n",
                                     controls(router));
    EXPECT_EQ(overwritten.failed, 0u) << overwritten.out;
    EXPECT_EQ(router.log(), (lines{"route 2 5"}));
}

TEST(live_router, a_silent_router_is_a_link_down_and_loses_the_press) {
    videohub_process router({"--silent"});
    live::link_timing timing = test_timing();
    timing.dump_timeout_ms = 1000;
    const live_run r =
        run(studio(router) + "start\npress 2\nadvance 1500\nshow\n", {}, false, timing);
    EXPECT_TRUE(has(r.out, "RC 12 6 3 ',' 0  (lost: router link down)")) << r.out;
    EXPECT_TRUE(has(r.out, "no state dump within 1 s")) << r.out;
    EXPECT_TRUE(has(r.out, "devices: router 12 LINK DOWN since")) << r.out;
    EXPECT_TRUE(router.log().empty());
}

TEST(live_router, the_keepalive_finds_a_router_that_stopped_answering) {
    videohub_process router({"--route", "2=0"});
    const live_run r = run(studio(router) +
                               "start\nexpect control CurrentSDI_ID text \"1\" within 2000\n"
                               "!silent on\nadvance 2500\n",
                           controls(router));
    EXPECT_TRUE(has(r.out, "LINK DOWN since")) << r.out;
    EXPECT_TRUE(has(r.out, "no answer within 1 s")) << r.out;
}

TEST(live_router, hostile_output_is_bounded_reported_and_survived) {
    const std::string dir = "/tmp";
    const std::string extra = dir + "/kest-videohub-hostile-" + std::to_string(getpid());
    {
        std::ofstream out(extra, std::ios::binary);
        out << "garbage without a block\n\x01\x02\xff\n\n";
        out << "INPUT LABELS:\n5 Cam\x1b[2J\xff\n99 Beyond\nx y\n\n";
        out << "VIDEO OUTPUT ROUTING:\n2 99\n77 1\n-1 0\n\n";
        out << "OUTPUT LABELS:\n0 ";
        out << std::string(std::size_t{10} * 1024 * 1024, 'L') << "\n\n";
        out << "ACK\n\n";  // an answer nobody asked for
    }
    videohub_process router({"--route", "2=0", "--extra", extra});
    const live_run r = run(studio(router) +
                           "start\nexpect control CurrentSDI_ID text \"1\" within 5000\n"
                           "press 2\nexpect control CurrentSDI_ID text \"6\" within 3000\n"
                           "expect control 22 text \"Cam?[2J?\" within 3000\n");
    std::remove(extra.c_str());
    EXPECT_EQ(r.failed, 0u) << r.out;
    EXPECT_TRUE(has(r.out, "line outside a block skipped")) << r.out;
    EXPECT_TRUE(has(r.out, "names a port the router does not have")) << r.out;
    EXPECT_TRUE(has(r.out, "longer than 4096 bytes dropped")) << r.out;
    EXPECT_EQ(router.log(), (lines{"route 2 5"}));
}

TEST(live_router, port_counts_past_the_bound_are_cut_and_zero_ports_take_nothing) {
    videohub_process huge({"--inputs", "100000", "--outputs", "8", "--route", "2=0"});
    const live_run big = run(studio(huge) + "start\npress 2\nadvance 300\n");
    EXPECT_TRUE(has(big.out, "Video inputs 100000: kest-host takes at most 4096")) << big.out;
    EXPECT_TRUE(has(big.out, "dropped")) << big.out;  // the 100,000-line label block
    EXPECT_EQ(huge.log(), (lines{"route 2 5"}));

    videohub_process empty({"--inputs", "0", "--outputs", "0"});
    const live_run none = run(studio(empty) + "start\npress 2\nadvance 300\n");
    EXPECT_TRUE(has(none.out, "(refused: source 6 or destination 3 not on the router)"))
        << none.out;
    EXPECT_TRUE(empty.log().empty());
}

}  // namespace
}  // namespace kest_host
