// `within MS` on the simulated clock, and the values a scenario names with ${NAME}.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "scenario/scenario_file.h"
#include "scenario/scenario_runner.h"
#include "scenario/scenario_values.h"

namespace kest_host {
namespace {

const char kSetup[] = "layout-dir \"" KEST_PANEL_DIR
                      "\"\n"
                      "device router 12\ndevice infodriver 30\ndevice gpi 40\n"
                      "instance \"Vesk SDI Router\" 12 0\ninstance \"Vesk Tally Infodriver\" 30 0\n"
                      "instance \"LD Button 1\" 40 17\n"
                      "route 4 to 3\nslot 61 \"6\"\nslot 69 \"3\"\nstart\nfault router delay 500\n";

struct run_result {
    int status = 0;
    int64_t clock = 0;
    uint64_t failed = 0;
    std::string out;
};

run_result run(const std::string& steps) {
    scenario s;
    std::string error;
    EXPECT_TRUE(parse_scenario(std::string(kSetup) + steps, "t.scn", s, error)) << error;
    run_options options;
    options.plugin = KEST_TAVRIN_PATH;
    options.quiet = true;
    std::ostringstream out;
    options.errors = &out;
    scenario_runner runner(options, out);
    for (const auto& st : s.steps) {
        EXPECT_TRUE(runner.execute(st, s.file)) << runner.error();
    }
    run_result r;
    r.clock = runner.host().now();
    r.failed = runner.failed_expectations();
    r.status = runner.finish();
    r.out = out.str();
    return r;
}

TEST(within_simulated, a_positive_expectation_waits_until_it_holds_and_no_longer) {
    // The router's report is 500 ms late: without `within` the panel still shows 4.
    const run_result late = run("press 1\nexpect control CurrentSDI_ID text \"6\"\n");
    EXPECT_EQ(late.failed, 1u);

    const run_result waited = run("press 1\nexpect control CurrentSDI_ID text \"6\" within 800\n");
    EXPECT_EQ(waited.failed, 0u) << waited.out;
    EXPECT_EQ(waited.status, 0);
    EXPECT_EQ(waited.clock, 500);  // stopped at the event that made it true

    const run_result short_wait =
        run("press 1\nexpect control CurrentSDI_ID text \"6\" within 499\n");
    EXPECT_EQ(short_wait.failed, 1u);
    EXPECT_EQ(short_wait.clock, 499);  // the whole time passed, then the verdict
    EXPECT_NE(short_wait.out.find("expected control \"CurrentSDI_ID\" text \"6\", it is \"4\""),
              std::string::npos)
        << short_wait.out;
}

TEST(within_simulated, a_negative_expectation_must_hold_for_the_whole_time) {
    // The retry timer sends nothing once the tally arrived; the crosspoint is sent at
    // the press itself, so "not-sent RC" after a press fails, within or not.
    const run_result quiet = run("advance 10\nexpect not-sent \"RC\" within 3000\n");
    EXPECT_EQ(quiet.failed, 0u) << quiet.out;
    EXPECT_EQ(quiet.clock, 3010);
    const run_result sent = run("press 1\nexpect not-sent \"RC\" within 100\n");
    EXPECT_EQ(sent.failed, 1u);
}

TEST(within_simulated, the_expectation_counts_once_whatever_it_tried) {
    const run_result r =
        run("press 1\nexpect dest 3 source 6 within 1000\n"
            "expect control CurrentSDI_ID text \"6\" within 1000\n");
    EXPECT_NE(r.out.find("2 expectations, 0 failed"), std::string::npos) << r.out;
}

TEST(within_parse, within_takes_a_time_and_belongs_to_expectations) {
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario("expect dest 3 source 1 within 250\n", "t", s, error)) << error;
    ASSERT_EQ(s.steps.size(), 1u);
    EXPECT_EQ(s.steps[0].within, 250);
    EXPECT_FALSE(parse_scenario("expect dest 3 source 1 within\n", "t", s, error));
    EXPECT_FALSE(parse_scenario("expect dest 3 source 1 within -5\n", "t", s, error));
    EXPECT_NE(error.find("a time in ms after within"), std::string::npos) << error;
    EXPECT_FALSE(parse_scenario("press 1 within 20\n", "t", s, error));
    // A quoted "within" is the expectation's own text.
    ASSERT_TRUE(parse_scenario("expect answer \"within\"\n", "t", s, error)) << error;
    EXPECT_FALSE(s.steps[0].within);
}

TEST(scenario_values, names_are_replaced_and_unknown_ones_refused) {
    scenario_values values;
    std::string error;
    ASSERT_TRUE(read_scenario_value("PORT=9990", values, error));
    ASSERT_TRUE(read_scenario_value("host_1=127.0.0.1", values, error));
    std::string line = "device router 1 videohub ${host_1}:${PORT}$";
    ASSERT_TRUE(substitute_values(line, values, error)) << error;
    EXPECT_EQ(line, "device router 1 videohub 127.0.0.1:9990$");
    // A comment is left as it is, even naming a value nobody set; a "#" inside a
    // text does not start one.
    std::string commented = "name source 1 \"#${PORT}\" # ${UNSET} \"";
    ASSERT_TRUE(substitute_values(commented, values, error)) << error;
    EXPECT_EQ(commented, "name source 1 \"#9990\" # ${UNSET} \"");

    std::string unknown = "slot 69 \"${DEST}\"";
    EXPECT_FALSE(substitute_values(unknown, values, error));
    EXPECT_NE(error.find("--set DEST=VALUE"), std::string::npos) << error;
    std::string open = "slot 69 \"${PORT\"";
    EXPECT_FALSE(substitute_values(open, values, error));
    std::string plain = "name source 1 \"$5 and {x}\"";
    EXPECT_TRUE(substitute_values(plain, values, error));
    EXPECT_EQ(plain, "name source 1 \"$5 and {x}\"");

    for (const char* bad : {"=1", "1X=2", "NOEQUALS", "A-B=3", "T=a\nb"}) {
        EXPECT_FALSE(read_scenario_value(bad, values, error)) << bad;
    }
}

TEST(scenario_values, a_file_names_them_and_a_missing_one_names_its_line) {
    std::istringstream in("show\nslot 69 \"${DEST}\"\n");
    scenario s;
    std::string error;
    EXPECT_FALSE(parse_scenario_stream(in, "f.scn", s, error));
    EXPECT_EQ(error.rfind("f.scn:2: error: ${DEST} is not set", 0), 0u) << error;
    scenario_values values{{"DEST", "4"}};
    scenario_limits limits;
    limits.values = &values;
    std::istringstream again("show\nslot 69 \"${DEST}\"\n");
    ASSERT_TRUE(parse_scenario_stream(again, "f.scn", s, error, limits)) << error;
    EXPECT_EQ(s.steps[1].source, "slot 69 \"4\"");
}

}  // namespace
}  // namespace kest_host
