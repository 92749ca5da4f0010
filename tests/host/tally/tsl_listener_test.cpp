#include "tally/tsl_listener.h"

#include <gtest/gtest.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/write.hpp>
#include <memory>

#include "tsl_builder.h"
#include "tsl_loop.h"

namespace kest_host {
namespace {

using namespace tsl_test;

TEST(TslListener, UdpTakesBothVersionsAndNamesTheSender) {
    asio::io_context loop;
    recorder r;
    tsl_feed feed(r);
    tsl_udp_listener listener(loop, udp::endpoint(kLoopback, 0), feed);
    udp::socket sender(loop, udp::endpoint(kLoopback, 0));
    const std::string from = "127.0.0.1:" + std::to_string(sender.local_endpoint().port());
    for (const bytes& b :
         {v5({display(2, 1)}), v31(3, 1), bytes(3000, 0x41), v5({display(2, 0)})}) {
        sender.send_to(asio::buffer(b), listener.local());
    }
    ASSERT_TRUE(run_until(loop, [&] { return r.changes.size() >= 3; })) << states(r.changes);
    EXPECT_EQ(r.changes, (std::vector<std::string>{"2+ " + from, "3+ " + from, "2- " + from}));
    EXPECT_EQ(feed.counters().rejected, 1U);  // the 3000 bytes, whole, not cut to 2048
    EXPECT_NE(r.remarks.at(0).find("3000 bytes is over 2048"), std::string::npos) << r.remarks[0];
}

TEST(TslListener, TcpUnwrapsPacketsSentOneByteAtATime) {
    asio::io_context loop;
    recorder r;
    tsl_feed feed(r);
    tsl_tcp_listener listener(loop, tcp::endpoint(kLoopback, 0), feed);
    tcp::socket sender(loop);
    sender.connect(listener.local());
    bytes stream = wrap_tsl_packet(v5({display(1, 1), display(0xFE, 1)}, 0));
    const bytes second = wrap_tsl_packet(v5({display(1, 0x30), display(5, 3)}));
    stream.insert(stream.end(), second.begin(), second.end());
    for (uint8_t byte : stream) {
        asio::write(sender, asio::buffer(&byte, 1));
        loop.restart();
        loop.poll();
    }
    ASSERT_TRUE(run_until(loop, [&] { return r.changes.size() >= 2; }));
    EXPECT_EQ(states(r.changes), "1+ 5+");
    EXPECT_EQ(listener.senders(), 1U);
    EXPECT_NE(listener.describe().find(", 1 sender"), std::string::npos) << listener.describe();
}

TEST(TslListener, TcpTakesSixteenSendersRefusesMoreAndShowsWhoLeft) {
    asio::io_context loop;
    recorder r;
    tsl_feed feed(r);
    tsl_tcp_listener listener(loop, tcp::endpoint(kLoopback, 0), feed);
    std::vector<std::unique_ptr<tcp::socket>> senders;
    for (std::size_t i = 0; i < tsl_tcp_listener::kMaxSenders + 2; ++i) {
        senders.push_back(std::make_unique<tcp::socket>(loop));
        senders.back()->connect(listener.local());
    }
    ASSERT_TRUE(run_until(loop, [&] { return listener.refused() == 2; }));
    EXPECT_EQ(listener.senders(), tsl_tcp_listener::kMaxSenders);
    std::size_t refusals = 0;
    for (const std::string& remark : r.remarks) {
        refusals += remark.find("refused: 16 senders are connected") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(refusals, 2U);

    // The last sender of the sixteen sets an input and goes away inside a packet; the
    // input keeps its state, and a seventeenth gets in.
    tcp::socket& last = *senders[tsl_tcp_listener::kMaxSenders - 1];
    const bytes on = wrap_tsl_packet(v5({display(6, 1)}));
    asio::write(last, asio::buffer(on));
    asio::write(last, asio::buffer(on.data(), 5));
    ASSERT_TRUE(run_until(loop, [&] { return r.changes.size() == 1; }));
    last.close();
    ASSERT_TRUE(run_until(loop, [&] { return listener.senders() == 15; }));
    EXPECT_NE(r.remarks.back().find("disconnected inside a packet, which is dropped"),
              std::string::npos)
        << r.remarks.back();
    EXPECT_TRUE(feed.inputs().high(6));
    tcp::socket again(loop);
    again.connect(listener.local());
    ASSERT_TRUE(run_until(loop, [&] { return listener.senders() == 16; }));
    EXPECT_EQ(listener.refused(), 2U);

    senders.clear();
    again.close();
    ASSERT_TRUE(run_until(loop, [&] { return listener.senders() == 0; }));
    EXPECT_NE(listener.describe().find(", no sender (127.0.0.1:"), std::string::npos)
        << listener.describe();
    EXPECT_EQ(states(r.changes), "6+");
}

TEST(TslListener, ASenderThatDoesNotWrapItsPacketsIsToldOfWhenItLeaves) {
    asio::io_context loop;
    recorder r;
    tsl_feed feed(r);
    tsl_tcp_listener listener(loop, tcp::endpoint(kLoopback, 0), feed);
    tcp::socket sender(loop);
    sender.connect(listener.local());
    const bytes bare = v5({display(1, 1)});
    asio::write(sender, asio::buffer(bare));
    ASSERT_TRUE(run_until(loop, [&] { return listener.senders() == 1; }));
    sender.close();
    ASSERT_TRUE(run_until(loop, [&] { return listener.senders() == 0; }));
    EXPECT_NE(r.remarks.back().find("; it sent " + std::to_string(bare.size()) +
                                    " bytes outside any DLE STX wrapper, which were skipped"),
              std::string::npos)
        << r.remarks.back();
    EXPECT_TRUE(r.changes.empty());
    EXPECT_EQ(feed.summary(), "0 packets, 0 rejected, 0 input changes, " +
                                  std::to_string(bare.size()) + " bytes outside any wrapper");
}

TEST(TslListener, ClosingTheListenerWithSendersConnectedIsClean) {
    asio::io_context loop;
    recorder r;
    tsl_feed feed(r);
    auto listener = std::make_unique<tsl_tcp_listener>(loop, tcp::endpoint(kLoopback, 0), feed);
    tcp::socket sender(loop);
    sender.connect(listener->local());
    ASSERT_TRUE(run_until(loop, [&] { return listener->senders() == 1; }));
    listener.reset();
    // The aborted reads and accept run after the listener is gone and touch nothing.
    loop.restart();
    loop.run_for(std::chrono::milliseconds(20));
    const bytes on = wrap_tsl_packet(v5({display(1, 1)}));
    boost::system::error_code error;
    asio::write(sender, asio::buffer(on), error);
    loop.restart();
    loop.run_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(r.changes.empty());
}

}  // namespace
}  // namespace kest_host
