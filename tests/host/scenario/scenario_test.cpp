#include "scenario/scenario_parser.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "scenario/statement_table.h"
#include "text_file.h"

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
    const auto& device = std::get<stmt::device>(s.steps[0].what);
    EXPECT_EQ(device.kind, device_kind::gpi);
    EXPECT_EQ(device.number, 40);
    const auto& instance = std::get<stmt::instance>(s.steps[1].what);
    EXPECT_EQ(instance.name, "LD Button 1");
    EXPECT_EQ(instance.device, 40);
    EXPECT_EQ(instance.offset, 17);
    EXPECT_EQ(std::get<stmt::slot>(s.steps[2].what).text, "say \"7\"");
    const auto& route = std::get<stmt::route>(s.steps[3].what);
    EXPECT_EQ(route.source, 5);
    EXPECT_EQ(route.destination, 3);
    EXPECT_EQ(s.steps[4].line, 5);
    EXPECT_EQ(std::get<stmt::press>(s.steps[4].what).input, 8);
    EXPECT_FALSE(std::get<stmt::request>(s.steps[5].what).text.has_value());
    const auto& control = std::get<stmt::expect_control>(s.steps[6].what);
    EXPECT_EQ(control.id, "CurrentSDI_ID");
    EXPECT_EQ(control.property, "text");
    EXPECT_EQ(control.value, "");
    EXPECT_FALSE(std::get<stmt::expect_timer>(s.steps[7].what).running);
    EXPECT_EQ(group_of(s.steps[0].what), statement_group::setup);
    EXPECT_TRUE(needs_panel(s.steps[4].what));
    EXPECT_EQ(group_of(s.steps[7].what), statement_group::expectation);
}

// A step keeps its statement as written, cut at the comment: a "#" inside a text is not
// a comment, even after an escaped quote.
TEST(scenario_parse, a_step_keeps_its_text_up_to_the_comment) {
    const std::pair<const char*, const char*> cases[] = {
        {"  press 2   # the director's tap", "press 2"},
        {"expect sent \"AS\\\" #x\" # note", "expect sent \"AS\\\" #x\""},
        {"name source 5 \"Cam #5\"", "name source 5 \"Cam #5\""},
    };
    for (const auto& [line, source] : cases) {
        std::optional<step> s;
        std::string error;
        ASSERT_TRUE(parse_scenario_line(line, "t", 1, s, error)) << line << ": " << error;
        EXPECT_EQ(s->source, source) << line;
    }
}

TEST(scenario_parse, malformed_lines_say_file_line_and_what_was_expected) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"jump 3", "s.scn:2: jump: expected a statement"},
        {"press 9", "s.scn:2: press: an input number from 1 to 8, not 9"},
        {"press", "s.scn:2: press: expected an input number from 1 to 8 at the end of the line"},
        {"press two", "s.scn:2: press: expected an input number from 1 to 8, got two"},
        {"release 1 2", "s.scn:2: release: expected the end of the line, got \"2\""},
        {"slot 61 7", "s.scn:2: slot: expected a quoted slot text, got 7"},
        {"slot 61 \"7", "s.scn:2: a text opened with \" is not closed"},
        {"device mixer 3", "s.scn:2: device: expected \"router or infodriver or gpi\""},
        {"route 5 3", "s.scn:2: route: expected \"to\", got 3"},
        {"advance -1", "s.scn:2: advance: a time in ms from 0 to 86400000, not -1"},
        {"advance 99999999999999",
         "s.scn:2: advance: a time in ms from 0 to 86400000, not 99999999999999"},
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

// Every statement of the table parses from its first form with sample arguments,
// and the statement it makes belongs to the group its keyword says.
TEST(statement_table, every_entry_parses_its_own_example) {
    const std::map<std::string, std::string> examples = {
        {"device", "router 1"},
        {"allow", "dest 4"},
        {"instance", "\"X\" 1 2"},
        {"inputs", "1 2"},
        {"layout-dir", "\"d\""},
        {"slot", "61 \"5\""},
        {"name", "dest 3 \"M\""},
        {"route", "1 to 3"},
        {"input", "17 1"},
        {"start", ""},
        {"stop", ""},
        {"restart", ""},
        {"show", ""},
        {"press", "1"},
        {"release", "8"},
        {"advance", "10"},
        {"request", "none"},
        {"button", "\"1\""},
        {"revertive", "1 2 3"},
        {"dbchange", "1 0 2 \"n\""},
        {"event", "4 2"},
        {"tsl", "input 3 index 12 screen 1 lamp left colour red"},
        {"fault router", "delay 500"},
        {"fault infodriver", "silent"},
        {"fault gpi", "bounce 3"},
        {"fault names", "missing"},
        {"fault lookup", "\"LD Button 1\" missing"},
        {"fault layout", "missing"},
        {"fault clear", ""},
        {"expect dest", "3 source 1"},
        {"expect control", "50 text \"3\""},
        {"expect hidden", "AwaitGPI"},
        {"expect visible", "AwaitGPI"},
        {"expect answer", "none"},
        {"expect sent", "\"AS\""},
        {"expect not-sent", "\"RC\""},
        {"expect timer", "2 running"},
        {"load", "a.scn"},
        {"trace", "short"},
        {"record", "\"b c.scn\""},
        {"help", "expect dest"},
        {"quit", ""},
    };
    ASSERT_EQ(examples.size(), statement_table().size());
    for (const auto& entry : statement_table()) {
        const auto example = examples.find(entry.keyword);
        ASSERT_NE(example, examples.end()) << entry.keyword;
        std::optional<step> s;
        std::string error;
        ASSERT_TRUE(parse_scenario_line(std::string(entry.keyword) + " " + example->second, "t", 1,
                                        s, error))
            << error;
        const bool expectation = std::string(entry.keyword).rfind("expect ", 0) == 0;
        EXPECT_EQ(group_of(s->what) == statement_group::expectation, expectation) << entry.keyword;
        EXPECT_NE(statement_help().find(entry.help), std::string::npos);
    }
}

// The manual's statement table is the statement table: a statement added, renamed or
// reworded must show there too.
TEST(statement_table, the_manual_table_matches_it) {
    std::string text;
    ASSERT_TRUE(kest_test::read_text_file(KEST_HOST_MANUAL, text)) << KEST_HOST_MANUAL;
    const std::string& manual = text;
    const std::string expected = markdown_statement_table();
    const auto at = manual.find("| statement | what it does |");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(manual.substr(at, expected.size()), expected);
}

}  // namespace
}  // namespace kest_host
