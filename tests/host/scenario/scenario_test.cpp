#include "scenario/scenario_parser.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <sstream>
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
        {"jump 3", "s.scn:2: error: jump: unknown statement \"jump\""},
        {"press 9", "s.scn:2: error: press: an input number from 1 to 8, not 9"},
        {"press",
         "s.scn:2: error: press: expected an input number from 1 to 8 at the end of the line"},
        {"press two", "s.scn:2: error: press: expected an input number from 1 to 8, got two"},
        {"release 1 2", "s.scn:2: error: release: expected the end of the line, got \"2\""},
        {"slot 61 7", "s.scn:2: error: slot: expected a quoted slot text, got 7"},
        {"slot 61 \"7", "s.scn:2: error: a text opened with \" is not closed"},
        {"device mixer 3", "s.scn:2: error: device: expected \"router or infodriver or gpi\""},
        {"route 5 3", "s.scn:2: error: route: expected \"to\", got 3"},
        {"advance -1", "s.scn:2: error: advance: a time in ms from 0 to 86400000, not -1"},
        {"advance 99999999999999",
         "s.scn:2: error: advance: a time in ms from 0 to 86400000, not 99999999999999"},
        {"expect dest 0 source 1", "s.scn:2: error: expect: a destination number from 1"},
        {"expect colour 1", "s.scn:2: error: expect: expected \"dest or control"},
        {"expect timer 2 paused", "s.scn:2: error: expect: expected \"running or stopped\""},
        {"event 1 5", "s.scn:2: error: event: event types 1 to 3 carry records"},
        {"\"show\"", "s.scn:2: error: show: expected a statement word"},
        {"slot 61 \"\xFE\"", "s.scn:2: error: byte 0xFE is reserved"},
    };
    for (const auto& c : cases) {
        scenario s;
        std::string error;
        EXPECT_FALSE(parse_scenario(std::string("show\n") + c.line + "\n", "s.scn", s, error))
            << c.line;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.line << " gave \"" << error << "\"";
    }
}

// Every statement of the table parses from the example its help shows, the
// statement it makes belongs to the group its keyword says, and every help text
// (the groups, each group, each statement) fits a terminal's 80 columns.
TEST(statement_table, every_entry_parses_its_own_example_and_help_fits) {
    const auto fits = [](const std::string& help) {
        std::istringstream lines(help);
        std::string line;
        while (std::getline(lines, line)) {
            EXPECT_LE(line.size(), kHelpWidth) << line;
        }
    };
    fits(statement_help());
    for (const auto& group : statement_groups()) {
        EXPECT_NE(statement_help().find(std::string("  ") + group.name + " "), std::string::npos)
            << group.name;
        fits(statement_help(group.name));
    }
    for (const auto& entry : statement_table()) {
        ASSERT_NE(entry.example, nullptr) << entry.keyword;
        const std::string example = entry.example;
        EXPECT_EQ(example.rfind(entry.keyword, 0), 0U) << example;
        std::optional<step> s;
        std::string error;
        ASSERT_TRUE(parse_scenario_line(example, "t", 1, s, error)) << error;
        const bool expectation = std::string(entry.keyword).rfind("expect ", 0) == 0;
        EXPECT_EQ(group_of(s->what) == statement_group::expectation, expectation) << example;
        const std::string help = statement_help(entry.keyword);
        fits(help);
        EXPECT_NE(help.find("example: " + example), std::string::npos) << help;
        const std::string group = statement_help(entry.group);
        EXPECT_NE(group.find(std::string("  ") + entry.keyword), std::string::npos) << group;
    }
    EXPECT_EQ(statement_help("nosuch"), "");
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
