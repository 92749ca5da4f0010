#include "tally/tsl_packet.h"

#include <gtest/gtest.h>

#include "tsl_builder.h"

namespace kest_host {
namespace {

using namespace tsl_test;

struct collector : tsl_stream::sink {
    std::vector<bytes> packets;
    std::vector<std::string> faults;
    void packet(const uint8_t* data, std::size_t size) override {
        packets.emplace_back(data, data + size);
    }
    void fault(const std::string& why) override { faults.push_back(why); }
};

void feed(tsl_stream& s, const bytes& b, collector& c) {
    s.feed(b.data(), b.size(), c);
}

bytes operator+(bytes a, const bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A packet whose byte count, screen and text hold 0xFE, so that stuffing matters.
bytes dle_packet() {
    bytes text(0xFE - 10, 'x');  // header 4 and message head 6 in the count
    text.back() = 0xFE;
    return v5({{0xFE, lamps(1, 0, 0), text}}, 0xFE);
}

TEST(TslStream, UnwrapsAndUnstuffsWhateverTheSegmentSizes) {
    const bytes one = dle_packet();
    ASSERT_EQ(one[0], 0xFE);  // the byte count itself is a DLE
    const bytes two = v5({display(2, 1), display(3, 0x10)});
    const bytes stream = wrap_tsl_packet(one) + wrap_tsl_packet(two) + wrap_tsl_packet(one);
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, stream.size()}) {
        SCOPED_TRACE(piece);
        tsl_stream s;
        collector c;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            s.feed(stream.data() + at, std::min(piece, stream.size() - at), c);
        }
        ASSERT_EQ(c.packets.size(), 3U);
        EXPECT_EQ(c.packets[0], one);
        EXPECT_EQ(c.packets[1], two);
        EXPECT_EQ(c.packets[2], one);
        EXPECT_TRUE(c.faults.empty());
        EXPECT_FALSE(s.inside_packet());
        EXPECT_EQ(s.skipped(), 0U);
    }
}

TEST(TslStream, SkipsBytesOutsideTheWrapperAndFindsTheNextStart) {
    tsl_stream s;
    collector c;
    const bytes p = v5({display(1, 1)});
    // Garbage, a lone DLE, a DLE DLE pair, then a DLE right before the real start.
    feed(s, bytes{'x', 0xFE, 'y', 0xFE, 0xFE} + wrap_tsl_packet(p), c);
    ASSERT_EQ(c.packets.size(), 1U);
    EXPECT_EQ(c.packets[0], p);
    EXPECT_EQ(s.skipped(), 5U);
    EXPECT_TRUE(c.faults.empty());
}

TEST(TslStream, GivesUpBrokenPacketsAndRecovers) {
    const bytes p = v5({display(1, 1)});
    const bytes wrapped = wrap_tsl_packet(p);
    struct broken {
        const char* name;
        bytes stream;
        const char* why;
    };
    const bytes cut(wrapped.begin(), wrapped.end() - 3);
    const bytes bad_escape = bytes{0xFE, 0x02, 0x20, 0x00, 0xFE, 0x41};
    const bytes huge_count = bytes{0xFE, 0x02, 0xFF, 0x07};  // 2047 + 2 bytes
    const std::vector<broken> table = {
        {"cut short by the next start", cut, "cut short by the next DLE STX"},
        {"DLE before another byte", bad_escape, "DLE followed by 0x41"},
        {"byte count over the limit", huge_count, "over 2046"},
    };
    for (const broken& b : table) {
        SCOPED_TRACE(b.name);
        tsl_stream s;
        collector c;
        feed(s, b.stream + wrapped, c);
        ASSERT_EQ(c.faults.size(), 1U);
        EXPECT_NE(c.faults[0].find(b.why), std::string::npos) << c.faults[0];
        ASSERT_EQ(c.packets.size(), 1U);
        EXPECT_EQ(c.packets[0], p);
    }
}

TEST(TslStream, AStreamThatNeverClosesItsWrapperHoldsOnePacketAtMost) {
    tsl_stream s;
    collector c;
    // A start, the largest count, then stuffed DLEs for ever: the packet ends at its
    // count, and what follows is skipped while the unwrapper looks for a start.
    feed(s, bytes{0xFE, 0x02, 0xFE, 0xFE, 0x07}, c);
    const bytes dles(100000, 0xFE);
    for (int i = 0; i < 20; ++i) {
        feed(s, dles, c);
    }
    EXPECT_TRUE(c.faults.empty());
    ASSERT_EQ(c.packets.size(), 1U);
    EXPECT_EQ(c.packets[0].size(), kTslMaxPacket);
    // The last DLE may yet start a packet, so it is not counted as skipped.
    EXPECT_EQ(s.skipped(), std::size_t{2000000} - 2 * (kTslMaxPacket - 2) - 1);
}

}  // namespace
}  // namespace kest_host
