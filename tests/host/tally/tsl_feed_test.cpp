#include "tally/tsl_feed.h"

#include <gtest/gtest.h>

#include "tsl_builder.h"

namespace kest_host {
namespace {

using namespace tsl_test;

struct recorder : tsl_feed_sink {
    std::vector<std::string> changes;
    std::vector<std::string> remarks;
    void input_changed(int input, bool high, const std::string& source) override {
        changes.push_back(std::to_string(input) + (high ? "+ " : "- ") + source);
    }
    void remark(const std::string& text) override { remarks.push_back(text); }
};

const tsl_clock::time_point t0{};

void send(tsl_feed& feed, const bytes& b, tsl_clock::time_point at = t0,
          const std::string& from = "127.0.0.9:5000") {
    feed.datagram(b.data(), b.size(), from, at);
}

TEST(TslFeed, ReportsChangesWithTheirSenderAndCountsEverything) {
    recorder r;
    tsl_feed feed(r);
    send(feed, v5({display(1, 1), display(2, 0x10), {9, 0x8000, {}}}), t0, "127.0.0.11:7");
    send(feed, v5({display(1, 1)}), t0, "127.0.0.12:8");  // a repeat
    send(feed, v31(1, 0), t0, "127.0.0.13:9");
    EXPECT_EQ(r.changes,
              (std::vector<std::string>{"1+ 127.0.0.11:7", "2+ 127.0.0.11:7", "1- 127.0.0.13:9"}));
    EXPECT_EQ(feed.counters().packets, 3U);
    EXPECT_EQ(feed.counters().displays, 4U);
    EXPECT_EQ(feed.counters().control, 1U);
    EXPECT_EQ(feed.summary(), "3 packets, 0 rejected, 3 input changes");
}

TEST(TslFeed, AWrappedDatagramIsTakenButOnlyWhole) {
    recorder r;
    tsl_feed feed(r);
    // (Not 18 bytes long: a datagram of 18 bytes starting 0xFE is version 3.1.)
    const bytes wrapped = wrap_tsl_packet(v5({display(4, 1, "\xFE\xFE-")}));
    ASSERT_EQ(wrapped.size(), v5({display(4, 1, "\xFE\xFE-")}).size() + 4);
    send(feed, wrapped);
    EXPECT_EQ(r.changes, std::vector<std::string>{"4+ 127.0.0.9:5000"});
    bytes trailing = wrap_tsl_packet(v5({display(4, 0, "CAMERA 4")}));
    trailing.push_back('x');
    send(feed, trailing);
    const bytes longer = wrap_tsl_packet(v5({display(4, 0, "CAMERA 4")}));
    send(feed, bytes(longer.begin(), longer.end() - 1));
    EXPECT_EQ(r.changes.size(), 1U);
    EXPECT_EQ(feed.counters().rejected, 2U);
}

TEST(TslFeed, RejectedPacketsChangeNothingAndTheirRemarksAreRationed) {
    recorder r;
    tsl_feed feed(r);
    send(feed, v5({display(3, 1)}));
    bytes bad = v5({display(3, 0)});
    bad.pop_back();  // cut short
    for (int i = 0; i < 100; ++i) {
        send(feed, bad, t0 + std::chrono::milliseconds(i));
    }
    EXPECT_TRUE(feed.inputs().high(3));
    EXPECT_EQ(feed.counters().rejected, 100U);
    ASSERT_EQ(r.remarks.size(), std::size_t{tsl_feed::kRemarksPerSecond});
    EXPECT_NE(r.remarks[0].find("from 127.0.0.9:5000 rejected: packet cut short"),
              std::string::npos)
        << r.remarks[0];
    // A second later the silenced ones are counted in one remark.
    send(feed, bad, t0 + std::chrono::milliseconds(1500));
    ASSERT_EQ(r.remarks.size(), std::size_t{tsl_feed::kRemarksPerSecond} + 2);
    EXPECT_EQ(r.remarks[tsl_feed::kRemarksPerSecond],
              "TSL: " + std::to_string(100 - tsl_feed::kRemarksPerSecond) +
                  " more packets rejected without a remark");
    EXPECT_EQ(r.changes.size(), 1U);
}

TEST(TslFeed, SaysHowLongAgoTheLastGoodPacketCame) {
    recorder r;
    tsl_feed feed(r);
    EXPECT_EQ(feed.last_packet(t0), "no packet yet");
    send(feed, v5({display(7, 0)}), t0 + std::chrono::seconds(5));
    send(feed, bytes{1, 2, 3}, t0 + std::chrono::seconds(20));  // rejected: not a packet heard
    EXPECT_EQ(feed.last_packet(t0 + std::chrono::seconds(47)), "last packet 42 s ago");
}

}  // namespace
}  // namespace kest_host
