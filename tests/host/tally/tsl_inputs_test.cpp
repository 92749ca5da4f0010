#include "tally/tsl_inputs.h"

#include <gtest/gtest.h>

#include "tsl_builder.h"

namespace kest_host {
namespace {

using namespace tsl_test;

tsl_packet packet_of(const bytes& b) {
    tsl_packet p;
    std::string why;
    EXPECT_TRUE(parse_tsl_datagram(b.data(), b.size(), p, why)) << why;
    return p;
}

std::vector<tsl_change> feed(tsl_inputs& inputs, const bytes& b) {
    std::vector<tsl_change> changes;
    inputs.apply(packet_of(b), changes);
    return changes;
}

std::string written(const std::vector<tsl_change>& changes) {
    std::string out;
    for (const tsl_change& c : changes) {
        out += (out.empty() ? "" : " ") + std::to_string(c.input) + (c.high ? "+" : "-");
    }
    return out;
}

TEST(TslInputs, DefaultMappingFollowsRedBitOfEitherSideLamp) {
    struct row {
        unsigned control;
        bool high;
    };
    const std::vector<row> table = {
        {lamps(0, 0, 0), false}, {lamps(1, 0, 0), true},  {lamps(3, 0, 0), true},
        {lamps(2, 0, 0), false}, {lamps(0, 0, 1), true},  {lamps(0, 0, 3), true},
        {lamps(0, 0, 2), false}, {lamps(0, 1, 0), false}, {lamps(0, 3, 0), false},
        {lamps(2, 1, 2), false}, {lamps(2, 0, 1), true},
    };
    for (const row& r : table) {
        SCOPED_TRACE(r.control);
        tsl_inputs inputs;
        feed(inputs, v5({display(4, r.control)}));
        EXPECT_EQ(inputs.high(4), r.high);
        EXPECT_TRUE(inputs.named(4));
        EXPECT_FALSE(inputs.named(3));
    }
}

TEST(TslInputs, OnlyChangesAreReportedAndRepeatsSendNothing) {
    tsl_inputs inputs;
    EXPECT_EQ(written(feed(inputs, v5({display(2, 1), display(5, 0x10)}))), "2+ 5+");
    EXPECT_EQ(written(feed(inputs, v5({display(2, 1), display(5, 0x10)}))), "");
    EXPECT_EQ(written(feed(inputs, v5({display(2, 0)}))), "2-");
    // A never-named display reported off changes nothing.
    EXPECT_EQ(written(feed(inputs, v5({display(7, 0)}))), "");
    EXPECT_TRUE(inputs.high(5));
}

TEST(TslInputs, ThePacketsLastWordOnADisplayCountsOnce) {
    tsl_inputs inputs;
    EXPECT_EQ(written(feed(inputs, v5({display(3, 1), display(3, 0)}))), "");
    EXPECT_FALSE(inputs.high(3));
    EXPECT_EQ(written(feed(inputs, v5({display(3, 0), display(3, 1)}))), "3+");
}

TEST(TslInputs, OtherScreensIndicesAndControlDataLeaveInputsAlone) {
    tsl_inputs inputs;
    feed(inputs, v5({display(1, 1)}));
    EXPECT_EQ(written(feed(inputs, v5({display(1, 0)}, 1))), "");  // screen 1
    EXPECT_EQ(written(feed(inputs, v5({display(9, 1), display(0, 1)}))), "");
    EXPECT_EQ(written(feed(inputs, v5({{1, 0x8000, {0, 0}}}))), "");     // control data
    EXPECT_EQ(written(feed(inputs, v5({display(1, 0)}, 0, 0x02))), "");  // screen control
    EXPECT_TRUE(inputs.high(1));
}

TEST(TslInputs, BroadcastIndexAndScreenReachEveryMappedInput) {
    tsl_inputs inputs;
    EXPECT_EQ(written(feed(inputs, v5({display(0xFFFF, 1)}))), "1+ 2+ 3+ 4+ 5+ 6+ 7+ 8+");
    EXPECT_EQ(written(feed(inputs, v5({display(2, 0)}, 0xFFFF))), "2-");
    EXPECT_EQ(written(feed(inputs, v5({display(0xFFFF, 0)}, 3))), "");  // screen 3
    EXPECT_EQ(written(feed(inputs, v5({display(0xFFFF, 0)}, 0xFFFF))), "1- 3- 4- 5- 6- 7- 8-");
}

TEST(TslInputs, Version31FollowsTally1OfTheAddress) {
    tsl_inputs inputs;
    EXPECT_EQ(written(feed(inputs, v31(6, 0x01))), "6+");
    EXPECT_EQ(written(feed(inputs, v31(6, 0x0E))), "6-");
    EXPECT_EQ(written(feed(inputs, v31(0, 0x01))), "");
    // A version 5.0 packet for the same number is the same input: newest wins.
    EXPECT_EQ(written(feed(inputs, v5({display(6, 1)}))), "6+");
    EXPECT_EQ(written(feed(inputs, v31(6, 0))), "6-");
}

TEST(TslInputs, AChangedMappingFollowsItsLampAndColour) {
    tsl_inputs inputs;
    tsl_source& s = inputs.source(3);
    s.index = 12;
    s.screen = 1;
    s.lamp = tsl_lamp::left;
    s.colour = tsl_colour::green;
    s.address = 40;
    s.tally = 3;
    EXPECT_EQ(written(feed(inputs, v5({display(3, 1)}))), "");                   // old index
    EXPECT_EQ(written(feed(inputs, v5({display(12, lamps(2, 0, 0))}, 1))), "");  // right
    EXPECT_EQ(written(feed(inputs, v5({display(12, lamps(0, 0, 2))}, 1))), "3+");
    EXPECT_EQ(written(feed(inputs, v5({display(12, lamps(0, 0, 1))}, 1))), "3-");
    EXPECT_EQ(written(feed(inputs, v31(40, 0x04))), "3+");
    EXPECT_EQ(written(feed(inputs, v31(40, 0x01))), "3-");
    EXPECT_EQ(describe(s), "index 12 screen 1 lamp left colour green, address 40 tally 3");

    struct row {
        uint8_t value;
        tsl_colour colour;
        bool shows;
    };
    const std::vector<row> colours = {
        {0, tsl_colour::any, false},  {2, tsl_colour::any, true},   {1, tsl_colour::amber, false},
        {3, tsl_colour::amber, true}, {3, tsl_colour::green, true}, {1, tsl_colour::green, false},
        {3, tsl_colour::red, true},   {2, tsl_colour::red, false},
    };
    for (const row& r : colours) {
        EXPECT_EQ(lamp_shows(r.value, r.colour), r.shows)
            << int{r.value} << " " << colour_name(r.colour);
    }
}

}  // namespace
}  // namespace kest_host
