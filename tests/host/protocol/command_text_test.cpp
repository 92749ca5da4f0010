#include "protocol/command_text.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "common/numbers.h"
#include "plugin/command_dispatcher.h"

#include <string>
#include <vector>

namespace kest_host {
namespace {

struct good_case {
    const char* text;
    std::vector<std::string> arguments;  // numbers as decimal, texts as 'text'
    bool add;
};

std::vector<std::string> flatten(const parsed_command& c) {
    std::vector<std::string> out;
    for (const auto& a : c.arguments) {
        out.push_back(a.is_text ? "'" + a.text + "'" : std::to_string(a.number));
    }
    return out;
}

TEST(command_text, every_form_the_panel_sends_parses) {
    const good_case cases[] = {
        {"PS '1' 'dir/LD_Auto.kest_ui'", {"'1'", "'dir/LD_Auto.kest_ui'"}, false},
        {"PS '1' 'LD_Auto.kest_ui' 'x'", {"'1'", "'LD_Auto.kest_ui'", "'x'"}, false},
        {"TP 'text=61 - 69' '1' 'ID_Slots'", {"'text=61 - 69'", "'1'", "'ID_Slots'"}, false},
        {"TP 'text=' '1' 'CurrentSDI_ID'", {"'text='", "'1'", "'CurrentSDI_ID'"}, false},
        {"CH '1' 'AwaitGPI'", {"'1'", "'AwaitGPI'"}, false},
        {"RC 12 5 3 ',' 0", {"12", "5", "3", "','", "0"}, false},
        {"RC 12 5 3 ',x' 1", {"12", "5", "3", "',x'", "1"}, false},
        {"RR 12 3 3", {"12", "3", "3"}, false},
        {"RR 12 3 3 'ADD'", {"12", "3", "3"}, true},
        {"GP -1 0 -2147483648", {"-1", "0", "-2147483648"}, false},
        {"IU 2147483647", {"2147483647"}, false},
        {"ET 2 1000", {"2", "1000"}, false},
        {"ET 2", {"2"}, false},
        {"SD 'LD Button 1'", {"'LD Button 1'"}, false},
        {"RN 12 1 3", {"12", "1", "3"}, false},
        {"XI '1' 'alm_'", {"'1'", "'alm_'"}, false},
        {"TG '1' 'alm_1' 'value'", {"'1'", "'alm_1'", "'value'"}, false},
        {"AS", {}, false},
    };
    for (const auto& c : cases) {
        parsed_command parsed;
        std::string error;
        ASSERT_TRUE(parse_command(c.text, parsed, error)) << c.text << ": " << error;
        EXPECT_EQ(flatten(parsed), c.arguments) << c.text;
        EXPECT_EQ(parsed.add, c.add) << c.text;
    }
}

TEST(command_text, texts_holding_quotes_and_blanks_keep_them) {
    // Nothing inside a text is escaped: the split that matches the whole form wins.
    parsed_command parsed;
    std::string error;
    // A text ends at the first quote followed by a blank, unless the rest cannot match.
    ASSERT_TRUE(parse_command("TP 'text=it' 's' '1'", parsed, error)) << error;
    EXPECT_EQ(flatten(parsed), (std::vector<std::string>{"'text=it'", "'s'", "'1'"}));
    ASSERT_TRUE(parse_command("CH 'a' b' 'c'", parsed, error)) << error;
    EXPECT_EQ(flatten(parsed), (std::vector<std::string>{"'a' b'", "'c'"}));
    ASSERT_TRUE(parse_command("TP 'text=%1 '' 100%' '1' '21'", parsed, error)) << error;
    EXPECT_EQ(parsed.arguments[0].text, "text=%1 '' 100%");
    ASSERT_TRUE(parse_command("SD ''", parsed, error)) << error;
    EXPECT_EQ(parsed.arguments[0].text, "");
}

// Every "' " in a line is a place where a text may end. A plug-in's long line of
// them is answered like any other: a matcher that retried every split of three texts
// would take hours over these lines, not milliseconds.
TEST(command_text, a_long_line_of_possible_text_ends_is_matched_or_refused_at_once) {
    std::string ends;
    for (int i = 0; i < 20000; ++i) {
        ends += "' ";
    }
    parsed_command parsed;
    std::string error;

    EXPECT_FALSE(parse_command("TP '" + ends + "x", parsed, error));
    EXPECT_NE(error.find("unexpected text after the last argument: \" x\""), std::string::npos)
        << error.substr(0, 200);
    EXPECT_FALSE(parse_command("RC 1 2 3 '" + ends + "x", parsed, error));
    EXPECT_FALSE(parse_command("PS '" + ends + "x", parsed, error));

    // The first split that lets the rest match is taken: the first two texts end at
    // the first quotes that can end them ("''" and "' '"), and the third holds the rest.
    const std::string line = "TP '" + ends + "'";
    ASSERT_TRUE(parse_command(line, parsed, error)) << error.substr(0, 200);
    ASSERT_EQ(parsed.arguments.size(), 3U);
    EXPECT_EQ(parsed.arguments[0].text, "");
    EXPECT_EQ(parsed.arguments[1].text, " ");
    EXPECT_EQ("TP '' ' ' '" + parsed.arguments[2].text + "'", line);
    ASSERT_TRUE(parse_command("RC 1 2 3 '" + ends + "' 7", parsed, error)) << error.substr(0, 200);
    EXPECT_EQ(parsed.arguments[3].text.size(), ends.size());
    EXPECT_EQ(parsed.arguments[4].number, 7);
}

TEST(command_text, malformed_texts_are_refused_with_the_reason) {
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"", "too short"},
        {"ZZ 1", "unknown command code \"ZZ\""},
        {"RC 12 x 3 ',' 0", "argument 2 must be a number"},
        {"RC 12 5 3 ',' 0 9", "unexpected text"},
        {"RR 12 3", "missing argument 3"},
        {"RR 12 03 3", "argument 2 must be a number"},
        {"RR 12 -0 3", "argument 2 must be a number"},
        {"RR 12 2147483648 3", "argument 2 must be a number"},
        {"RR 12  3 3", "argument 2 must be a number"},
        {"RR 12 3 3 ADD", "argument 4 must be 'ADD'"},
        {"RR 12 3 3 'add'", "argument 4 must be 'ADD'"},
        {"ET", "missing argument 1"},
        {"ETX 2", "followed by a space"},
        {"CH '1 'AwaitGPI'", "quoted text"},
        {"TP text=1 '1' 'x'", "argument 1 must be a quoted text"},
        {"AS 1", "unexpected text"},
        {"SD 'a'\n", "line end"},
    };
    for (const auto& c : cases) {
        parsed_command parsed;
        std::string error;
        EXPECT_FALSE(parse_command(c.text, parsed, error)) << c.text;
        EXPECT_NE(error.find(c.reason), std::string::npos)
            << "\"" << c.text << "\" gave \"" << error << "\"";
    }
}

TEST(numbers, the_whole_text_must_be_a_decimal_that_fits) {
    int32_t i = 7;
    EXPECT_EQ(parse_decimal("-2147483648", i), number_status::ok);
    EXPECT_EQ(i, INT32_MIN);
    EXPECT_EQ(parse_decimal("2147483648", i), number_status::out_of_range);
    EXPECT_EQ(i, INT32_MIN) << "left alone on failure";
    for (const char* bad : {"", "-", "+1", " 1", "1 ", "1x", "0x10", "1.5"}) {
        EXPECT_EQ(parse_decimal(bad, i), number_status::malformed) << "\"" << bad << "\"";
    }
    EXPECT_FALSE(decimal<uint64_t>("-1").has_value());
    EXPECT_EQ(decimal<uint64_t>("18446744073709551615"), UINT64_MAX);
    EXPECT_FALSE(decimal<uint64_t>("18446744073709551616").has_value());
}

TEST(command_dispatcher, has_one_handler_for_every_code_of_the_command_table) {
    EXPECT_TRUE(command_dispatcher::covers_command_table());
}

}  // namespace
}  // namespace kest_host
