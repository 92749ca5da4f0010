#include "tally/tsl_packet.h"

#include <gtest/gtest.h>

#include "tsl_builder.h"

namespace kest_host {
namespace {

using namespace tsl_test;

bool parse(const bytes& b, tsl_packet& out, std::string& why) {
    return parse_tsl_datagram(b.data(), b.size(), out, why);
}

TEST(TslPacket, ReadsTheWireSampleOfAnIndependentSender) {
    // Index 3, right lamp red, brightness 3, text "CAM 3", as sent by a third-party
    // sender.
    const bytes wire{0x0f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0xc1,
                     0x00, 0x05, 0x00, 0x43, 0x41, 0x4d, 0x20, 0x33};
    tsl_packet p;
    std::string why;
    ASSERT_TRUE(parse(wire, p, why)) << why;
    EXPECT_EQ(p.version, 5);
    ASSERT_EQ(p.displays.size(), 1U);
    EXPECT_EQ(p.displays[0].index, 3);
    EXPECT_EQ(p.displays[0].right, 1);
    EXPECT_EQ(p.displays[0].left, 0);
    EXPECT_EQ(p.displays[0].text_lamp, 0);
    EXPECT_EQ(p.displays[0].brightness, 3);
    EXPECT_EQ(p.displays[0].text, "CAM 3");
}

struct accepted {
    const char* name;
    bytes packet;
    int version;
    std::size_t displays;
    std::size_t control_messages;
    std::size_t padding;
};

TEST(TslPacket, AcceptedTable) {
    const bytes padded_after = [] {
        bytes b = v5({display(1, lamps(1, 0, 0))});
        b.insert(b.end(), 10, 0xAA);
        return b;
    }();
    const bytes zero_pad_inside = [] {
        bytes b = v5({display(1, lamps(1, 0, 0))});
        b.insert(b.end(), 3, 0x00);
        b[0] = static_cast<uint8_t>(b[0] + 3);
        return b;
    }();
    const bytes big = [] {
        std::vector<message> many;
        for (unsigned i = 0; i < 254; ++i) {
            many.push_back(display(i, lamps(1, 0, 0), ""));  // 6 bytes each
        }
        return v5(many);  // 6 + 254 * 6 = 1530 bytes
    }();
    const bytes max_size = [] {
        bytes b = v5({{1, lamps(1, 0, 0), bytes(kTslMaxPacket - 12, 'x')}});
        return b;
    }();
    const std::vector<accepted> table = {
        {"one message", v5({display(1, lamps(1, 0, 0))}), 5, 1, 0, 0},
        {"several messages", v5({display(1, 1), display(2, 0), display(3, 0x30)}), 5, 3, 0, 0},
        {"no message", v5({}), 5, 0, 0, 0},
        {"control data message", v5({{7, 0x8000, {1, 2, 3}}, display(2, 1)}), 5, 1, 1, 0},
        {"screen control data", v5({display(1, 1)}, 0, 0x02), 5, 0, 0, 0},
        {"padded after the count", padded_after, 5, 1, 0, 10},
        {"zero padding inside the count", zero_pad_inside, 5, 1, 0, 3},
        {"empty text", v5({display(4, 1, "")}), 5, 1, 0, 0},
        {"254 messages", big, 5, 254, 0, 0},
        {"2048 bytes", max_size, 5, 1, 0, 0},
        {"UTF-16LE text", v5({{1, 1, {'C', 0, 0x01, 0x04}}}, 0, 0x01), 5, 1, 0, 0},
        {"broadcast index and screen", v5({display(0xFFFF, 1)}, 0xFFFF), 5, 1, 0, 0},
        {"version 3.1", v31(5, 0x01), 3, 1, 0, 0},
        {"version 3.1 address 0", v31(0, 0x0F), 3, 1, 0, 0},
        {"version 3.1 address 126", v31(126, 0), 3, 1, 0, 0},
    };
    for (const accepted& a : table) {
        SCOPED_TRACE(a.name);
        tsl_packet p;
        std::string why;
        ASSERT_TRUE(parse(a.packet, p, why)) << why;
        EXPECT_EQ(p.version, a.version);
        EXPECT_EQ(p.displays.size(), a.displays);
        EXPECT_EQ(p.control_messages, a.control_messages);
        EXPECT_EQ(p.padding, a.padding);
    }
}

struct rejected {
    const char* name;
    bytes packet;
    const char* why;
};

TEST(TslPacket, RejectedTableLeavesThePacketAlone) {
    const bytes good = v5({display(1, 1), display(2, 1)});
    const bytes cut = bytes(good.begin(), good.end() - 1);
    const bytes count_short = [&] {
        bytes b = good;
        b[0] = static_cast<uint8_t>(b[0] - 1);  // last text byte outside the count
        return b;
    }();
    const bytes junk_tail = [] {
        bytes b = v5({display(1, 1)});
        b.insert(b.end(), {0x00, 0x07});
        b[0] = static_cast<uint8_t>(b[0] + 2);
        return b;
    }();
    const bytes over = bytes(kTslMaxPacket + 1, 0);
    const bytes v31_127 = [] {
        bytes b = v31(0, 1);
        b[0] = 0xFF;
        return b;
    }();
    const bytes v31_bit7 = [] {
        bytes b = v31(3, 1);
        b[1] = 0x81;
        return b;
    }();
    const std::vector<rejected> table = {
        {"empty", {}, "shorter than a header"},
        {"one byte", {0x04}, "shorter than a header"},
        {"header cut", {0x04, 0x00, 0x00, 0x00, 0x00}, "shorter than a header"},
        {"count below a header", {0x02, 0x00, 0x00, 0x00, 0x00, 0x00}, "shorter than a header"},
        {"cut short in the last text", cut, "cut short"},
        {"count ends inside a text", count_short, "cut short"},
        {"non-zero bytes after the last message", junk_tail, "message cut short"},
        {"over 2048 bytes", over, "over 2048"},
        {"odd UTF-16LE length", v5({{1, 1, {'C', 0, 'A'}}}, 0, 0x01), "odd length"},
        {"version 3.1 address 127", v31_127, "address 127"},
        {"version 3.1 control bit 7", v31_bit7, "bit 7"},
        {"all 0xFF", bytes(40, 0xFF), "cut short"},
    };
    for (const rejected& r : table) {
        SCOPED_TRACE(r.name);
        tsl_packet p;
        p.displays.push_back({});
        p.screen = 77;
        std::string why;
        EXPECT_FALSE(parse(r.packet, p, why));
        EXPECT_NE(why.find(r.why), std::string::npos) << why;
        EXPECT_EQ(p.displays.size(), 1U);
        EXPECT_EQ(p.screen, 77);
    }
}

TEST(TslPacket, ReadsEveryLampAndTheScreen) {
    tsl_packet p;
    std::string why;
    ASSERT_TRUE(parse(v5({display(9, lamps(2, 3, 1, 2))}, 4), p, why)) << why;
    ASSERT_EQ(p.displays.size(), 1U);
    EXPECT_EQ(p.screen, 4);
    EXPECT_EQ(p.displays[0].screen, 4);
    EXPECT_EQ(p.displays[0].right, 2);
    EXPECT_EQ(p.displays[0].text_lamp, 3);
    EXPECT_EQ(p.displays[0].left, 1);
    EXPECT_EQ(p.displays[0].brightness, 2);
}

TEST(TslPacket, ReadsVersion31TalliesAndText) {
    tsl_packet p;
    std::string why;
    ASSERT_TRUE(parse(v31(12, 0x05, 2, "VT 2"), p, why)) << why;
    ASSERT_EQ(p.displays.size(), 1U);
    EXPECT_EQ(p.displays[0].index, 12);
    EXPECT_EQ(p.displays[0].tallies, 0x05);
    EXPECT_EQ(p.displays[0].brightness, 2);
    EXPECT_EQ(p.displays[0].text, "VT 2            ");
}

TEST(TslPacket, AnEighteenByteVersion5PacketIsNotTakenForVersion31) {
    tsl_packet p;
    std::string why;
    const bytes b = v5({display(1, lamps(1, 0, 0), "123456")});
    ASSERT_EQ(b.size(), 18U);
    ASSERT_TRUE(parse(b, p, why)) << why;
    EXPECT_EQ(p.version, 5);
}

TEST(TslPacket, TextsBecomeUtf8WithControlAndBrokenCharactersReplaced) {
    tsl_packet p;
    std::string why;
    // "é" then U+1F3A5 as a surrogate pair, then a lone low surrogate and a BEL.
    const bytes utf16{0xE9, 0x00, 0x3C, 0xD8, 0xA5, 0xDF, 0x00, 0xDC, 0x07, 0x00};
    ASSERT_TRUE(parse(v5({{1, 1, utf16}}, 0, 0x01), p, why)) << why;
    EXPECT_EQ(p.displays.at(0).text, "\xC3\xA9\xF0\x9F\x8E\xA5\xEF\xBF\xBD\xEF\xBF\xBD");
    // ASCII: a byte above 0x7F and a control byte are replaced, never passed on.
    ASSERT_TRUE(parse(v5({{1, 1, {'A', 0xC3, 0x1B, 'B'}}}), p, why)) << why;
    EXPECT_EQ(p.displays.at(0).text,
              "A\xEF\xBF\xBD\xEF\xBF\xBD"
              "B");
}

}  // namespace
}  // namespace kest_host
