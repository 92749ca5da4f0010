// The panel's inputs from TSL tally, end to end on loopback in real time: the npm
// sender (and version 3.1 packets built here) to a TSL GPI device, the panel, and the
// router, simulated or served by kest-videohub.
#include <gtest/gtest.h>

#include <boost/asio/ip/udp.hpp>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "live_scenario.h"
#include "tsl_builder.h"
#include "tsl_peer.h"
#include "videohub_process.h"

namespace kest_host {
namespace {

namespace asio = boost::asio;

using kest_test::has;
using kest_test::live_run;

// The TSL device's port, once declared (port 0 picks a free one).
uint16_t tsl_port(live::live_studio& studio) {
    return studio.tsl_devices().empty() ? 0 : studio.tsl_devices().back()->device().port();
}

// Runs the lines. "!udp STEPS", "!tcp STEPS" and "!tcp-stream STEPS" run the npm
// sender (its steps as peer/tsl_send.js reads them) to the TSL device; "!v31 ADDR
// TALLIES" sends a version 3.1 packet built here.
live_run run(const std::string& text) {
    live::live_studio studio;
    studio.set_first_wait(2000);
    return kest_test::run_live(studio, text, "tsl.scn", [&studio](const std::string& line) {
        std::istringstream words(line);
        std::string mode;
        std::string steps;
        words >> mode;
        std::getline(words, steps);
        if (mode == "v31") {
            unsigned address = 0;
            unsigned tallies = 0;
            std::istringstream(steps) >> address >> tallies;
            asio::io_context io;
            asio::ip::udp::socket s(io, asio::ip::udp::v4());
            const auto packet = tsl_test::v31(address, tallies);
            s.send_to(
                asio::buffer(packet),
                asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), tsl_port(studio)));
        } else {
            tsl_test::peer_run sender(mode, tsl_port(studio), steps);
            asio::io_context idle;  // the studio's loop runs in the next step
            sender.finish(idle);
        }
    });
}

// The studio of the panel's tests: monitor on destination 3 carrying source 1,
// button 1 source 5, button 2 source 6; the GPI device follows TSL on `tsl`.
std::string studio(const std::string& router, const std::string& tsl) {
    return "layout-dir \"" KEST_PANEL_DIR "\"\n" + router +
           "device infodriver 30\n"
           "device gpi 40 tsl " +
           tsl +
           "\n"
           "instance \"Vesk SDI Router\" 12 0\ninstance \"Vesk Tally Infodriver\" 30 0\n"
           "instance \"LD Button 1\" 40 17\n"
           "slot 61 \"5\"\nslot 62 \"6\"\nslot 69 \"3\"\n";
}

const std::string kSimulated = "device router 12\nroute 1 to 3\n";

TEST(TslLive, TheNpmSenderOverUdpSwitchesTheSimulatedRoutersMonitor) {
    TSL_NEED_PEER();
    const live_run r = run(studio(kSimulated, "udp 127.0.0.1:0") +
                           "start\n"
                           "expect dest 3 source 1 within 2000\n"
                           "!udp 2:1:0\n"
                           "expect dest 3 source 6 within 3000\n"
                           "expect control CurrentSDI_ID text \"6\" within 2000\n"
                           "!udp 2:1:0 wait:50 2:0:0\n"
                           "expect dest 3 source 1 within 3000\n"
                           "show\n");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.failed, 0U) << r.out;
    EXPECT_EQ(r.status, 0) << r.out;
    // The trace names each change and its sender; the repeat changed nothing.
    EXPECT_TRUE(has(r.out, "gpi 40 input 2 (index 18) high: TSL from 127.0.0.1:")) << r.out;
    EXPECT_TRUE(has(r.out, "gpi 40 input 2 (index 18) low: TSL from 127.0.0.1:")) << r.out;
    EXPECT_TRUE(has(r.out, "gpi 40 TSL: last packet ")) << r.out;
    EXPECT_TRUE(has(r.out, "gpi 40 TSL: 3 packets, 0 rejected, 2 input changes")) << r.out;
}

TEST(TslLive, Version31AndAChangedMappingAndPressIsRefused) {
    const live_run r = run(studio(kSimulated, "udp 0") +
                           "tsl input 1 address 20 tally 2\n"
                           "start\n"
                           "expect dest 3 source 1 within 2000\n"
                           "!v31 1 1\n"  // address 1 no longer counts for input 1
                           "expect dest 3 source 5 within 500\n"
                           "!v31 20 2\n"
                           "expect dest 3 source 5 within 3000\n"
                           "!v31 20 1\n"
                           "expect dest 3 source 1 within 3000\n"
                           "press 1\n");
    EXPECT_EQ(r.failed, 1U) << r.out;  // the first expectation within 500 ms
    EXPECT_TRUE(has(r.error, "gpi 40 follows TSL tally on UDP 127.0.0.1:")) << r.error;
    EXPECT_TRUE(has(r.error, "its inputs follow the network, press and release are refused"))
        << r.error;
}

TEST(TslLive, TheNpmSenderOverTcpDrivesARouterOnTheNetwork) {
    TSL_NEED_PEER();
    videohub_process router({"--route", "2=0"});
    ASSERT_NE(router.port(), 0);
    const live_run r =
        run(studio("device router 12 videohub " + router.address() + "\n", "tcp 127.0.0.1:0") +
            "start\n"
            "expect dest 3 source 1 within 2000\n"
            "!tcp 1:0:1\n"
            "expect dest 3 source 5 within 3000\n"
            "!tcp-stream 2:2:0 1:0:0\n"  // green is not red: only the release counts
            "expect dest 3 source 1 within 3000\n"
            "!tcp-stream 2:3:0\n"
            "expect dest 3 source 6 within 3000\n"
            "!tcp 2:0:0\n"
            "expect dest 3 source 1 within 3000\n");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.failed, 0U) << r.out;
    EXPECT_EQ(router.log(),
              (std::vector<std::string>{"route 2 4", "route 2 0", "route 2 5", "route 2 0"}));
    EXPECT_TRUE(has(r.out, "TSL TCP sender 127.0.0.1:")) << r.out;
    EXPECT_TRUE(has(r.out, " disconnected (0 still connected); the inputs keep their states"))
        << r.out;
}

TEST(TslLive, APortAlreadyTakenStopsTheScenarioOnItsLine) {
    asio::io_context io;
    asio::ip::udp::socket taken(io,
                                asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    const live_run r =
        run(studio(kSimulated, "udp " + std::to_string(taken.local_endpoint().port())) + "start\n");
    EXPECT_TRUE(has(r.error, "cannot listen for TSL on UDP 127.0.0.1:")) << r.error;
}

}  // namespace
}  // namespace kest_host
