// The TSL GPI device's sockets against a sender nobody on the team wrote: the npm
// package tsl-umd-v5, driven by peer/tsl_send.js.
#include "tally/tsl_listener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tsl_loop.h"
#include "tsl_peer.h"

namespace kest_host {
namespace {

using namespace tsl_test;

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

// Counts changes without keeping them, so that a flood measures the device alone.
struct counter : kest_host::tsl_feed_sink {
    uint64_t changes = 0;
    void input_changed(int, bool, const std::string&) override { ++changes; }
    void remark(const std::string&) override {}
};

// How much resident memory a flood may add, in KB. AddressSanitizer keeps freed
// blocks in a quarantine of up to 256 MB before reusing them, so a sanitized build
// grows by that much whatever the reader holds; the bound itself is proven by the
// builds without it.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KEST_TSL_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KEST_TSL_TEST_ASAN 1
#endif
#ifdef KEST_TSL_TEST_ASAN
constexpr long kFloodGrowthKb = (32L + 256L) * 1024L;
#else
constexpr long kFloodGrowthKb = 32L * 1024L;
#endif

// Resident memory in KB.
long resident_kb() {
    std::ifstream in("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    in >> pages >> resident;
    return resident * 4;
}

// Packets in the flood: KEST_TSL_FLOOD, or a million.
int flood_size() {
    const char* set = std::getenv("KEST_TSL_FLOOD");
    return set != nullptr ? std::atoi(set) : 1000000;
}

void report_flood(const char* how, int sent, const tsl_feed& feed, double seconds) {
    std::printf(
        "flood %s: %d packets sent, %llu read (%.1f%%), %llu input changes, %.3f s, "
        "%.0f packets/s read\n",
        how, sent, static_cast<unsigned long long>(feed.counters().packets),
        100.0 * static_cast<double>(feed.counters().packets) / sent,
        static_cast<unsigned long long>(feed.counters().changes), seconds,
        static_cast<double>(feed.counters().packets) / seconds);
}

TEST(TslPeer, AFloodOverUdpIsReadInBoundedMemoryAndTheLastWordHolds) {
    TSL_NEED_PEER();
    asio::io_context loop;
    counter r;
    tsl_feed feed(r);
    tsl_udp_listener listener(loop, udp::endpoint(kLoopback, 0), feed);
    const int n = flood_size();
    const long before = resident_kb();
    const auto start = std::chrono::steady_clock::now();
    // The flood toggles input 3; then the sender settles it low, twice, after a pause.
    peer_run sender("udp", listener.local().port(),
                    "flood:" + std::to_string(n) + ":3 wait:300 3:0:0 wait:100 3:0:0");
    sender.finish(loop);
    run_until(
        loop, [] { return false; }, std::chrono::milliseconds(200));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    report_flood("udp", n + 2, feed, seconds);
    EXPECT_FALSE(feed.inputs().high(3));
    EXPECT_EQ(feed.counters().rejected, 0U);
    EXPECT_GT(feed.counters().packets, 2U);
    EXPECT_LE(feed.counters().packets, static_cast<uint64_t>(n) + 2);
    EXPECT_LT(resident_kb() - before, kFloodGrowthKb)
        << "resident memory grew past the flood's bound";
}

TEST(TslPeer, AFloodOverOneTcpStreamLosesNothing) {
    TSL_NEED_PEER();
    asio::io_context loop;
    counter r;
    tsl_feed feed(r);
    tsl_tcp_listener listener(loop, tcp::endpoint(kLoopback, 0), feed);
    const int n = flood_size() / 2 * 2;  // even: the flood ends with input 3 low
    const long before = resident_kb();
    const auto start = std::chrono::steady_clock::now();
    peer_run sender("tcp-stream", listener.local().port(),
                    "flood:" + std::to_string(n) + ":3 4:1:0");
    sender.finish(loop);
    ASSERT_TRUE(run_until(
        loop, [&] { return feed.counters().packets == static_cast<uint64_t>(n) + 1; },
        std::chrono::milliseconds(120000)))
        << feed.summary();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    report_flood("tcp", n + 1, feed, seconds);
    // Every packet read, each of the flood's a change of input 3, then input 4 high.
    EXPECT_EQ(feed.counters().changes, static_cast<uint64_t>(n) + 1);
    EXPECT_FALSE(feed.inputs().high(3));
    EXPECT_TRUE(feed.inputs().high(4));
    EXPECT_EQ(feed.counters().rejected, 0U);
    EXPECT_LT(resident_kb() - before, kFloodGrowthKb)
        << "resident memory grew past the flood's bound";
}

}  // namespace
}  // namespace kest_host
