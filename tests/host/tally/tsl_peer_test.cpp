// The TSL GPI device's sockets against a sender nobody on the team wrote: the npm
// package tsl-umd-v5, driven by peer/tsl_send.js.
#include <gtest/gtest.h>

#include "tally/tsl_listener.h"
#include "tsl_loop.h"
#include "tsl_peer.h"

namespace kest_host {
namespace {

using namespace tsl_test;
namespace asio = boost::asio;
using asio::ip::tcp;
using asio::ip::udp;

const auto kLoopback = asio::ip::make_address("127.0.0.1");

TEST(TslPeer, UdpPressesAndReleasesInputs) {
    TSL_NEED_PEER();
    asio::io_context loop;
    recorder r;
    tsl_feed feed(r);
    tsl_udp_listener listener(loop, udp::endpoint(kLoopback, 0), feed);
    // Right red, left red, off, repeated off, right green (not red), amber on the left.
    peer_run sender("udp", listener.local().port(),
                    "3:1:0 wait:30 5:0:1 wait:30 3:0:0 wait:30 3:0:0 wait:30 7:2:0 wait:30 8:0:3");
    sender.finish(loop);
    ASSERT_TRUE(run_until(loop, [&] { return feed.counters().packets >= 6; })) << feed.summary();
    EXPECT_EQ(states(r.changes), "3+ 5+ 3- 8+");
    EXPECT_FALSE(feed.inputs().high(7));
    EXPECT_TRUE(feed.inputs().named(7));
    EXPECT_EQ(feed.counters().rejected, 0U);
}

TEST(TslPeer, TcpSenderConnectingPerPacketIsShownComingAndGoing) {
    TSL_NEED_PEER();
    asio::io_context loop;
    recorder r;
    tsl_feed feed(r);
    tsl_tcp_listener listener(loop, tcp::endpoint(kLoopback, 0), feed);
    peer_run sender("tcp", listener.local().port(), "2:1:0 wait:50 2:0:0 wait:50 4:3:3");
    sender.finish(loop);
    ASSERT_TRUE(run_until(loop, [&] {
        return feed.counters().packets >= 3 && listener.senders() == 0;
    })) << feed.summary();
    EXPECT_EQ(states(r.changes), "2+ 2- 4+");
    std::size_t connected = 0;
    std::size_t left = 0;
    for (const std::string& remark : r.remarks) {
        connected += remark.find(" connected (") != std::string::npos ? 1 : 0;
        left += remark.find(" disconnected (") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(connected, 3U);
    EXPECT_EQ(left, 3U);
    EXPECT_NE(listener.describe().find("no sender (127.0.0.1:"), std::string::npos)
        << listener.describe();
}

TEST(TslPeer, TcpStreamWithStuffedBytesAndAChangedMapping) {
    TSL_NEED_PEER();
    asio::io_context loop;
    recorder r;
    tsl_feed feed(r);
    tsl_source& one = feed.inputs().source(1);
    one.screen = 254;  // 0xFE: the sender has to stuff the screen and the index
    one.index = 254;
    one.lamp = tsl_lamp::left;
    tsl_tcp_listener listener(loop, tcp::endpoint(kLoopback, 0), feed);
    peer_run sender("tcp-stream", listener.local().port(),
                    "254:1:0:254 254:0:1:254 1:1:1:0 254:0:0:254:caméra");
    sender.finish(loop);
    ASSERT_TRUE(run_until(loop, [&] { return feed.counters().packets >= 4; })) << feed.summary();
    EXPECT_EQ(states(r.changes), "1+ 1-");
    EXPECT_EQ(feed.counters().rejected, 0U);
}

}  // namespace
}  // namespace kest_host
