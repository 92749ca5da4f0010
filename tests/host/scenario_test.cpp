#include "scenario.h"

#include <gtest/gtest.h>

#include <string>

namespace kest_host {
namespace {

TEST(scenario_parse, statements_read_their_arguments) {
    scenario s;
    std::string error;
    ASSERT_TRUE(
        parse_scenario("device gpi 40  # the inputs\n"
                       "instance \"LD Button 1\" 40 17\n"
                       "slot 61 \"say \\\"7\\\"\"\n"
                       "route 5 to 3\n"
                       "press 8\n"
                       "request none\n"
                       "expect control CurrentSDI_ID text \"\"\n"
                       "expect timer 2 stopped\n",
                       "t.scn", s, error))
        << error;
    ASSERT_EQ(s.steps.size(), 8u);
    EXPECT_EQ(s.steps[0].kind, step_kind::device);
    EXPECT_EQ(s.steps[0].numbers, (std::vector<int64_t>{2, 40}));
    EXPECT_EQ(s.steps[1].texts[0], "LD Button 1");
    EXPECT_EQ(s.steps[1].numbers, (std::vector<int64_t>{40, 17}));
    EXPECT_EQ(s.steps[2].texts[0], "say \"7\"");
    EXPECT_EQ(s.steps[3].numbers, (std::vector<int64_t>{5, 3}));
    EXPECT_EQ(s.steps[4].line, 5);
    EXPECT_TRUE(s.steps[5].flag);
    EXPECT_EQ(s.steps[6].texts, (std::vector<std::string>{"CurrentSDI_ID", "text", ""}));
    EXPECT_FALSE(s.steps[7].flag);
}

TEST(scenario_parse, malformed_lines_say_file_line_and_what_was_expected) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"jump 3", "s.scn:2: jump: expected a statement"},
        {"press 9", "s.scn:2: press: an input number from 1 to 8, not 9"},
        {"press", "s.scn:2: press: expected an input number at the end of the line"},
        {"press two", "s.scn:2: press: expected an input number, got two"},
        {"release 1 2", "s.scn:2: release: expected the end of the line, got \"2\""},
        {"slot 61 7", "s.scn:2: slot: expected a quoted slot text, got 7"},
        {"slot 61 \"7", "s.scn:2: a text opened with \" is not closed"},
        {"device mixer 3", "s.scn:2: device: expected \"router or infodriver or gpi\""},
        {"route 5 3", "s.scn:2: route: expected \"to\", got 3"},
        {"advance -1", "s.scn:2: advance: a time in ms from 0 to 86400000, not -1"},
        {"advance 99999999999999", "s.scn:2: advance: expected a time in ms"},
        {"expect dest 0 source 1", "s.scn:2: expect: a destination number from 1"},
        {"expect colour 1", "s.scn:2: expect: expected \"dest or control"},
        {"expect timer 2 paused", "s.scn:2: expect: expected \"running or stopped\""},
        {"event 1 5", "s.scn:2: event: event types 1 to 3 carry records"},
        {"\"show\"", "s.scn:2: show: expected a statement word"},
        {"slot 61 \"\xFE\"", "s.scn:2: byte 0xFE is reserved"},
    };
    for (const auto& c : cases) {
        scenario s;
        std::string error;
        EXPECT_FALSE(parse_scenario(std::string("show\n") + c.line + "\n", "s.scn", s, error))
            << c.line;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.line << " gave \"" << error << "\"";
    }
}

}  // namespace
}  // namespace kest_host
