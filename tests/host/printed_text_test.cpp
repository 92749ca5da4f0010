// Texts from a scenario, the plug-in or a device reach the terminal only through the
// one escaping function: an escape sequence in someone else's scenario must not
// retitle, clear or recolour the terminal, whatever line prints it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "scenario/scenario_parser.h"
#include "scenario/scenario_runner.h"

namespace kest_host {
namespace {

// ESC [ 2 J clears the screen; ESC ] 0 ; ... BEL retitles the window.
const std::string kClear = "\x1b[2J";
const std::string kTitle = "\x1b]0;owned\x07";

TEST(printed_text, escape_sequences_from_a_scenario_never_reach_the_terminal_raw) {
    const std::string text =
        "layout-dir \"" KEST_PANEL_DIR
        "\"\n"
        "device router 12\ndevice infodriver 30\ndevice gpi 40\n"
        "instance \"Vesk SDI Router\" 12 0\ninstance \"Vesk Tally Infodriver\" 30 0\n"
        "instance \"LD Button 1\" 40 17\n"
        "name source 5 \"Cam" +
        kClear +
        "\"\n"  // shown by the panel, printed in the trace
        "slot 61 \"5\"\nslot 69 \"3\"\n"
        "fault lookup \"" +
        kTitle +
        "\" missing\n"  // the faults line
        "start\n"
        "slot 62 \"" +
        kClear +
        "\"\n"  // the step's --- line
        "expect control \"21\" text \"Cam" +
        kClear +
        "\"\n"  // an ok line
        "expect control \"11\" text \"" +
        kTitle +
        "\"\n"  // a FAIL line
        "request \"return=all\"\n"
        "expect answer \"" +
        kTitle +
        "\"\n"  // a FAIL line
        "show\n";
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario(text, "hostile.scn", s, error)) << error;
    std::ostringstream out;
    std::ostringstream err;
    run_options o;
    o.plugin = KEST_PANEL_PLUGIN;
    o.errors = &err;
    EXPECT_EQ(run_scenario(s, o, out), 1);
    for (const std::string& printed : {out.str(), err.str()}) {
        EXPECT_EQ(printed.find('\x1b'), std::string::npos) << printed;
        EXPECT_EQ(printed.find('\x07'), std::string::npos) << printed;
    }
    // Escaped where they were printed, so that the person still sees what came.
    EXPECT_NE(out.str().find("ok   hostile.scn:14: expect control \"21\" text \"Cam\\x1B[2J\""),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("--- hostile.scn:13: slot 62 \"\\x1B[2J\""), std::string::npos);
    EXPECT_NE(out.str().find("lookup \"\\x1B]0;owned\\x07\" MISSING"), std::string::npos);
    EXPECT_NE(err.str().find("FAIL hostile.scn:17: expected the answer \"\\x1B]0;owned\\x07\""),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("FAIL hostile.scn:15: expected control \"11\" text \"\\x1B]0;owned"),
              std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace kest_host
