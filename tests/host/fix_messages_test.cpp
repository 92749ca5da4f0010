// Messages that point at the fix: each names the file and the line, says what is
// wrong and suggests what to write instead.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/diagnostic.h"
#include "common/suggest.h"
#include "scenario/scenario_file.h"
#include "scenario/scenario_runner.h"

namespace kest_host {
namespace {

TEST(suggest, nearest_names_put_a_case_slip_first_and_ignore_far_words) {
    const std::vector<std::string> ids = {"AwaitGPI", "AwaitTallyInfo", "Current_Name", "11"};
    EXPECT_EQ(nearest_names("AwaitGpi", ids), std::vector<std::string>{"AwaitGPI"});
    EXPECT_EQ(nearest_names("AwiatGPI", ids), std::vector<std::string>{"AwaitGPI"})
        << "a swap of neighbours is one edit";
    EXPECT_TRUE(nearest_names("Monitor", ids).empty());
    EXPECT_EQ(nearest_names("12", {"11"}), std::vector<std::string>{"11"}) << "one edit is near";
    EXPECT_TRUE(nearest_names(std::string(5000, 'A'), ids).empty());
    EXPECT_EQ(did_you_mean("ofline", {"offline", "online", "delay"}),
              "; did you mean `offline` or `online`?");
    EXPECT_EQ(did_you_mean("zzz", {"offline"}), "");
}

TEST(diagnostic, each_line_of_an_error_is_printed_once_in_the_one_form) {
    std::ostringstream out;
    print_error(out, "a.scn:2: error: x\nb: c\nplain \033[2J");
    EXPECT_EQ(out.str(),
              "a.scn:2: error: x\nkest-host: error: b: c\nkest-host: error: plain \\x1B[2J\n");
    EXPECT_EQ(counted(1, "expectation"), "1 expectation");
    EXPECT_EQ(counted(0, "event"), "0 events");
}

std::string parse_error(const std::string& content) {
    std::istringstream in(content);
    scenario s;
    std::string error;
    EXPECT_FALSE(parse_scenario_stream(in, "m.scn", s, error)) << content;
    return error;
}

// Mistakes in a file: the whole message, so that the place, the cause and the
// suggestion are all checked.
TEST(fix_messages, malformed_lines_name_the_place_the_cause_and_the_nearest_word) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"pres 1", "m.scn:1: error: pres: unknown statement \"pres\"; did you mean `press`?"},
        {"Press 1", "m.scn:1: error: Press: unknown statement \"Press\"; did you mean `press`?"},
        {"relaese 1",
         "m.scn:1: error: relaese: unknown statement \"relaese\"; did you mean `release`?"},
        {"expect dset 3 source 1",
         "m.scn:1: error: expect: expected \"dest or control or hidden or visible or answer or "
         "sent or not-sent or timer\", got dset; did you mean `dest`?"},
        {"expect hiden AwaitGPI",
         "m.scn:1: error: expect: expected \"dest or control or hidden or visible or answer or "
         "sent or not-sent or timer\", got hiden; did you mean `hidden`?"},
        {"fault router ofline",
         "m.scn:1: error: fault: expected \"offline or online or delay or refuse\", got ofline; "
         "did you mean `offline` or `online`?"},
        {"device rooter 12",
         "m.scn:1: error: device: expected \"router or infodriver or gpi\", got rooter; did you "
         "mean `router`?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse_error(std::string(c.line) + "\n"), c.error);
    }
}

TEST(fix_messages, every_malformed_line_is_reported_up_to_the_limit) {
    EXPECT_EQ(parse_error("show\npres 1\nshow\npress 9\n"),
              "m.scn:2: error: pres: unknown statement \"pres\"; did you mean `press`?\n"
              "m.scn:4: error: press: an input number from 1 to 8, not 9");
    std::string many;
    for (int i = 0; i < 30; ++i) {
        many += "press 0\n";
    }
    const std::string error = parse_error(many);
    EXPECT_NE(error.find("m.scn:20: error: press"), std::string::npos);
    EXPECT_EQ(error.find("m.scn:21:"), std::string::npos);
    EXPECT_NE(error.find("m.scn: 20 errors; the rest of the file was not read"), std::string::npos);
    // A line past its limit still ends the reading at once, after what went before.
    scenario_limits limits;
    limits.line = 8;
    std::istringstream in("pres 1\npress 1 # too long\nshow\n");
    scenario s;
    std::string both;
    EXPECT_FALSE(parse_scenario_stream(in, "m.scn", s, both, limits));
    EXPECT_EQ(both.rfind("m.scn:1: error: pres", 0), 0U) << both;
    EXPECT_NE(both.find("\nm.scn:2: error: the line is longer than 8 bytes"), std::string::npos)
        << both;
}

#ifdef KEST_TAVRIN_PLUGIN
// Mistakes found as the scenario runs against the real panel: what goes to standard
// error for the last line of `steps`.
std::string run_error(const std::string& steps) {
    const std::string setup =
        "device router 12\ndevice infodriver 30\ndevice gpi 40\n"
        "instance \"Vesk SDI Router\" 12 0\ninstance \"Vesk Tally Infodriver\" 30 0\n"
        "instance \"LD Button 1\" 40 17\nslot 61 \"5\"\nslot 69 \"3\"\n";
    std::istringstream in(setup + steps);
    scenario s;
    std::string error;
    EXPECT_TRUE(parse_scenario_stream(in, "r.scn", s, error)) << error;
    run_options options;
    options.plugin = KEST_TAVRIN_PLUGIN;
    options.quiet = true;
    std::ostringstream out;
    std::ostringstream err;
    options.errors = &err;
    run_scenario(s, options, out);
    return err.str();
}

TEST(fix_messages, failed_expectations_say_why_and_what_to_write) {
    const struct {
        const char* steps;
        const char* message;
    } cases[] = {
        {"expect control 11 text \"5\"\n",
         "FAIL r.scn:9: expected control \"11\" on panel \"1\", but the panel has not started "
         "yet; put `start` (or a step such as `press 1`) before this line"},
        {"start\nexpect hidden AwaitGpi\n",
         "FAIL r.scn:10: expected control \"AwaitGpi\" on panel \"1\", which has none; did you "
         "mean `AwaitGPI`?"},
        {"press 1\nexpect control current_name text \"x\"\n",
         "which has none; did you mean `Current_Name`?"},
        {"press 1\nexpect control 11 txt \"5\"\n",
         "control \"11\" has no property \"txt\"; the properties it has are text, statesheet; "
         "did you mean `text`?"},
        {"instance \"LD Buton 1\" 40 17\n",
         "r.scn:9: warning: instance \"LD Buton 1\" is not a name the panel looks up; did you "
         "mean `LD Button 1`?"},
        // The command the panel sent is shown first, though the start-up sent dozens.
        {"start\nexpect sent \"RC 12 5 3\"\n",
         "expected `RC 12 5 3` to be sent; the last step sent "},
    };
    for (const auto& c : cases) {
        const std::string err = run_error(c.steps);
        EXPECT_NE(err.find(c.message), std::string::npos) << c.steps << "gave:\n" << err;
    }
    const std::string sent = run_error("press 1\nexpect sent \"RC 12 5 3\"\n");
    EXPECT_NE(sent.find("the nearest first: `RC 12 5 3 ',' 0`"), std::string::npos) << sent;
}
#endif

}  // namespace
}  // namespace kest_host
