// The console's parts that need no terminal: Tab completion from the statement table,
// the file parser's refusal of console statements, and what `record` writes.
#include "console/completion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "checks/validator.h"
#include "console/session_record.h"
#include "plugin/sim_host.h"
#include "scenario/scenario_parser.h"

namespace kest_host {
namespace {

using words = std::vector<std::string>;

words complete(const std::string& before, bool* file = nullptr) {
    bool file_wanted = false;
    auto result = completions(before, file_wanted);
    if (file != nullptr) {
        *file = file_wanted;
    }
    return result;
}

TEST(console_completion, offers_statement_words_then_argument_words) {
    const words first = complete("");
    EXPECT_NE(std::find(first.begin(), first.end(), "press"), first.end());
    EXPECT_NE(std::find(first.begin(), first.end(), "record"), first.end());
    EXPECT_EQ(std::count(first.begin(), first.end(), "expect"), 1);  // once, not per form
    EXPECT_EQ(complete("re"), (words{"restart", "release", "request", "revertive", "record"}));
    EXPECT_EQ(complete("expect n"), (words{"not-sent"}));
    EXPECT_EQ(complete("expect timer 2 r"), words{});  // the timer id comes first
    EXPECT_EQ(complete("device "), (words{"router", "infodriver", "gpi"}));
    EXPECT_EQ(complete("trace s"), (words{"short"}));
    EXPECT_EQ(complete("name d"), (words{"dest"}));
    EXPECT_EQ(complete("help expect t"), (words{"timer"}));
    EXPECT_EQ(complete("press "), words{});  // a number: nothing to offer
}

TEST(console_completion, leaves_file_names_to_the_line_editor) {
    bool file = false;
    EXPECT_TRUE(complete("load sce", &file).empty());
    EXPECT_TRUE(file);
    complete("record ", &file);
    EXPECT_TRUE(file);
    complete("load --fresh ", &file);
    EXPECT_TRUE(file);
    complete("press ", &file);
    EXPECT_FALSE(file);
}

// A folder completes with its "/", so that Tab goes on into it; hidden names only
// when asked for.
TEST(console_completion, file_names_end_folders_with_a_slash) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "kest_completion";
    fs::remove_all(dir);
    fs::create_directories(dir / "scenarios");
    fs::create_directories(dir / ".hidden");
    std::ofstream(dir / "scn.txt") << "x";
    const std::string base = dir.generic_string() + "/";
    EXPECT_EQ(file_completions(base + "sc"), (words{base + "scenarios/", base + "scn.txt"}));
    EXPECT_EQ(file_completions(base + "scenarios"), words{base + "scenarios/"});
    EXPECT_EQ(file_completions(base), (words{base + "scenarios/", base + "scn.txt"}));
    EXPECT_EQ(file_completions(base + "."), words{base + ".hidden/"});
    EXPECT_EQ(file_completions(base + "none/x"), words{});
    fs::remove_all(dir);
}

TEST(console_statements, are_refused_in_a_file_but_restart_is_a_step) {
    for (const char* line : {"load a.scn", "trace short", "record b.scn", "help", "quit"}) {
        scenario parsed;
        std::string error;
        EXPECT_FALSE(parse_scenario(std::string("start\n") + line + "\n", "f.scn", parsed, error))
            << line;
        EXPECT_NE(error.find("f.scn:2: error: "), std::string::npos) << error;
        EXPECT_NE(error.find("only at the interactive prompt"), std::string::npos) << error;
    }
    scenario parsed;
    std::string error;
    ASSERT_TRUE(parse_scenario("stop\nstart\nrestart\n", "f.scn", parsed, error)) << error;
    ASSERT_EQ(parsed.steps.size(), 3U);
    EXPECT_EQ(group_of(parsed.steps[2].what), statement_group::step);
}

step parsed_line(const std::string& text) {
    std::optional<step> s;
    std::string error;
    EXPECT_TRUE(parse_scenario_line(text, "t", 1, s, error)) << error;
    return s ? *s : step{};
}

class session_record_test : public ::testing::Test {
  protected:
    session_record_test()
        : checks_([](const check&, bool, const std::string&) {}), host_(checks_) {}

    validator checks_;
    sim_host host_;
    session_record record_;
};

TEST_F(session_record_test, keeps_what_ran_and_expects_the_crosspoints) {
    host_.world().add(device_kind::router, 12);
    host_.world().find_as<router>(12)->crosspoints = {{3, 5}, {-2, 7}};
    record_.section("played from x.scn");
    record_.played(parsed_line("device router 12"), "x.scn", false);
    record_.played(parsed_line("trace short"), "input", false);  // console only: left out
    record_.played(parsed_line("expect dest 3 source 9"), "input", true);
    record_.played(parsed_line("name source 5 \"Cam \\\"5\\\"\"  # a comment"), "input", false);
    const std::string text = record_.text("/tmp/r.scn", host_);
    EXPECT_EQ(record_.statements(), 2U);
    EXPECT_NE(text.find("\n# played from x.scn\ndevice router 12\n"
                        "# did not hold when recorded: expect dest 3 source 9\n"
                        "name source 5 \"Cam \\\"5\\\"\"\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("trace"), std::string::npos) << text;
    EXPECT_NE(text.find("\nexpect dest 3 source 5\n"), std::string::npos) << text;
    // A destination the scenario language cannot name stays a comment.
    EXPECT_NE(text.find("\n# expect dest -2 source 7\n"), std::string::npos) << text;
    // No panel was shown: no control expectations.
    EXPECT_EQ(text.find("expect control"), std::string::npos) << text;
}

TEST_F(session_record_test, makes_a_layout_folder_relative_to_the_new_file) {
    record_.played(parsed_line("layout-dir \"../layouts\""), "/work/a/scenarios/s.scn", false);
    record_.played(parsed_line("layout-dir \"/abs/dir\""), "input", false);
    const std::string text = record_.text("/work/a/records/r.scn", host_);
    EXPECT_NE(text.find("\nlayout-dir \"../layouts\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nlayout-dir \"../../../abs/dir\"\n"), std::string::npos) << text;
}

TEST(scenario_text, quotes_and_escapes_as_the_parser_reads_it) {
    EXPECT_EQ(scenario_text("a\"b\\c"), "\"a\\\"b\\\\c\"");
    const step s = parsed_line("slot 61 " + scenario_text("x\"y\\z"));
    EXPECT_EQ(std::get<stmt::slot>(s.what).text, "x\"y\\z");
}

}  // namespace
}  // namespace kest_host
