// What kest-host prints about what it was given: escaped, cut to a readable length,
// and read within limits.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "common/printable.h"
#include "scenario/scenario_file.h"

namespace kest_host {
namespace {

TEST(printable, control_bytes_are_escaped_and_utf8_is_kept) {
    EXPECT_EQ(printable("a\033[2Jb"), "a\\x1B[2Jb");
    EXPECT_EQ(printable("K\xC3\xA4mer\xC3\xA4\xC3\xA4\xC3\xA4"),
              "K\xC3\xA4mer\xC3\xA4\xC3\xA4\xC3\xA4");
    EXPECT_EQ(printable(std::string("\x00\x7F\n", 3)), "\\x00\\x7F\\x0A");
    EXPECT_EQ(printable("\xC2\x9B"), "\\xC2\\x9B") << "a C1 control (CSI) is escaped too";
    EXPECT_EQ(printable("\xC3"), "\\xC3") << "a character cut short";
    EXPECT_EQ(printable("\xC0\xAF"), "\\xC0\\xAF") << "an overlong form";
    EXPECT_EQ(printable("\xED\xA0\x80"), "\\xED\\xA0\\x80") << "a surrogate";
    EXPECT_EQ(printable("\xFE\xFF"), "\\xFE\\xFF");
    EXPECT_EQ(printable("\xE2\x80\xA6x"), "\xE2\x80\xA6x");
}

TEST(printable, excerpts_are_at_most_200_bytes_and_cut_at_a_character) {
    EXPECT_EQ(excerpt("short"), "short");
    EXPECT_EQ(excerpt(std::string(300, 'x')), std::string(200, 'x') + "...");
    std::string umlauts = "x";
    for (int i = 0; i < 150; ++i) {
        umlauts += "\xC3\xA4";
    }
    const std::string cut = excerpt(umlauts);
    EXPECT_EQ(cut.size(), 1 + 198 + 3) << "the character across byte 200 is left out whole";
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
}

bool parse(const std::string& content, std::string& error, const scenario_limits& limits = {}) {
    std::istringstream in(content);
    scenario s;
    return parse_scenario_stream(in, "s.scn", s, error, limits);
}

TEST(scenario_file, texts_reject_nul_and_unknown_escapes_naming_the_column) {
    std::string error;
    EXPECT_FALSE(parse(std::string("show\nslot 61 \"a\0b\"\n", 18), error));
    EXPECT_EQ(
        error,
        "s.scn:2: error: a NUL byte at column 11 inside a text; texts may hold any byte but NUL");
    EXPECT_FALSE(parse("slot 61 \"a\\qb\"\n", error));
    EXPECT_EQ(
        error,
        "s.scn:1: error: unknown escape \\q at column 11; inside a text only \\\" (a quote) and "
        "\\\\ (a backslash) are escapes");
    EXPECT_FALSE(parse("slot 61 \"ab\n", error));
    EXPECT_EQ(error.rfind("s.scn:1: error: a text opened with \" is not closed", 0), 0u) << error;
    EXPECT_FALSE(parse("advance 9223372036854775807\n", error));
    EXPECT_EQ(error,
              "s.scn:1: error: advance: a time in ms from 0 to 86400000, not 9223372036854775807");
    EXPECT_FALSE(parse("press \033[2J\n", error));
    EXPECT_EQ(error, "s.scn:1: error: press: expected an input number from 1 to 8, got \\x1B[2J");
}

TEST(scenario_file, lines_and_files_past_their_limits_stop_with_file_and_line) {
    scenario_limits limits;
    limits.line = 10;
    limits.file = 30;
    std::string error;
    EXPECT_TRUE(parse("show\npress 1\n# 10 bytes", error, limits)) << error;
    EXPECT_FALSE(parse("show\npress 1 # 11 bytes\n", error, limits));
    EXPECT_EQ(error,
              "s.scn:2: error: the line is longer than 10 bytes; a line may hold at most 10 bytes");
    EXPECT_FALSE(parse("show\nshow\nshow\nshow\nshow\nshow\nshow\n", error, limits));
    EXPECT_EQ(error,
              "s.scn:7: error: the file is larger than 30 bytes; a scenario file may hold at most "
              "30 bytes");
}

TEST(scenario_file, devices_directories_and_empty_names_end_at_once) {
    scenario s;
    std::string error;
#ifndef _WIN32  // (no /dev there)
    EXPECT_FALSE(read_scenario_file("/dev/zero", s, error));
    EXPECT_EQ(error.rfind("/dev/zero is not a regular file", 0), 0u) << error;
#endif
    EXPECT_FALSE(read_scenario_file(KEST_SCENARIOS_DIR, s, error));
    EXPECT_NE(error.find(" is a directory; name a scenario file in it"), std::string::npos)
        << error;
    EXPECT_FALSE(read_scenario_file("", s, error));
    EXPECT_EQ(error.rfind("the scenario file name is empty", 0), 0u) << error;
    EXPECT_FALSE(read_scenario_file("/nonexistent.scn", s, error));
    EXPECT_EQ(error, "cannot read scenario /nonexistent.scn: No such file or directory");
    EXPECT_TRUE(read_scenario_file(KEST_SCENARIOS_DIR "/demo.scn", s, error)) << error;
    EXPECT_GT(s.steps.size(), 10u);
}

}  // namespace
}  // namespace kest_host
