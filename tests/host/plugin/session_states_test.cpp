// The session's states (start, stop, restart, load, quit) taken in every order, at the
// console and in a scenario file, with the real panel: each sequence must end with one
// panel made per start, every panel deleted before the plug-in is unloaded, and a
// panel that still works after the last statement. Run under the sanitizers, a panel
// deleted twice, leaked or used after its library is gone shows at once.
#include "console/interactive.h"

#include <gtest/gtest.h>
#include <algorithm>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "scenario/scenario_file.h"
#include "scenario/scenario_runner.h"

namespace kest_host {
namespace {

const char kSetup[] =
    "device router 12\n"
    "device infodriver 30\n"
    "device gpi 40\n"
    "instance \"Vesk SDI Router\" 12 0\n"
    "instance \"Vesk Tally Infodriver\" 30 0\n"
    "instance \"LD Button 1\" 40 17\n"
    "route 1 to 3\n"
    "slot 61 \"5\"\n"
    "slot 69 \"3\"\n";

// What each state statement is at the console; `load` plays a file that itself starts,
// stops and restarts the panel.
const std::vector<std::string> kStates = {"start", "stop", "restart", "load", "quit"};

std::string pair_name(const std::string& first, const std::string& second) {
    std::string name = first;
    name += ", ";
    name += second;
    return name + ": ";
}

class session_states : public ::testing::Test {
  protected:
    void SetUp() override {
        loaded_ = ::testing::TempDir() + "session_states_load.scn";
        std::ofstream(loaded_) << "start\nstop\nrestart\npress 1\n";
    }
    void TearDown() override { std::remove(loaded_.c_str()); }

    run_options options() const {
        run_options o;
        o.plugin = KEST_PANEL_PLUGIN;
        o.layout_dir = KEST_PANEL_DIR;
        o.quiet = true;
        return o;
    }

    std::string console_line(const std::string& state) const {
        if (state != "load") {
            return state;
        }
        // Inside a quoted text a backslash starts an escape: name the file with forward
        // slashes, which Windows takes as well.
        std::string name = loaded_;
        std::replace(name.begin(), name.end(), '\\', '/');
        return "load \"" + name + "\"";
    }

    // A console session of the set-up, the statements, then a press and its check.
    int console(const std::vector<std::string>& states, std::string& out_text,
                std::string& err_text) const {
        console_setup setup;
        setup.options = options();
        std::string error;
        EXPECT_TRUE(parse_scenario(kSetup, "setup", setup.start, error)) << error;
        std::string typed;
        for (const auto& s : states) {
            typed += console_line(s) + "\n";
        }
        typed += "press 1\nexpect dest 3 source 5\n";
        std::istringstream in(typed);
        std::ostringstream out;
        std::ostringstream err;
        const int status = run_interactive(setup, in, out, err);
        out_text = out.str();
        err_text = err.str();
        return status;
    }

    std::string loaded_;
};

TEST_F(session_states, every_pair_at_the_console_is_safe) {
    for (const auto& first : kStates) {
        for (const auto& second : kStates) {
            std::string out;
            std::string err;
            const int status = console({first, second}, out, err);
            const std::string what = pair_name(first, second) + err;
            if (first == "quit" || second == "quit") {
                // The session ends there, before the press: nothing failed.
                EXPECT_EQ(status, 0) << what;
            } else if (second == "stop") {
                // The press cannot reach a stopped panel: the console says so.
                EXPECT_NE(status, 0) << what;
                EXPECT_NE(err.find("input:3: error: the panel has been stopped; nothing can reach "
                                   "it until `start` or `restart`"),
                          std::string::npos)
                    << what;
            } else {
                // The panel the last statement made routes the press.
                EXPECT_EQ(status, 0) << what;
                EXPECT_NE(out.find("1 expectation, 0 failed; checks passed"), std::string::npos)
                    << what << out;
            }
            if (second != "stop") {
                EXPECT_EQ(err.find("error"), std::string::npos) << what;
            }
        }
    }
}

TEST_F(session_states, every_pair_in_a_scenario_file_is_safe) {
    const std::vector<std::string> steps = {"start", "stop", "restart"};
    for (const auto& first : steps) {
        for (const auto& second : steps) {
            scenario s;
            std::string error;
            std::string text = kSetup;
            text += first + "\n";
            text += second + "\npress 1\nexpect dest 3 source 5\n";
            ASSERT_TRUE(parse_scenario(text, "pair.scn", s, error)) << error;
            std::ostringstream out;
            run_options o = options();
            o.errors = &out;
            const int status = run_scenario(s, o, out);
            const std::string what = pair_name(first, second) + out.str();
            if (second == "stop") {
                // The press cannot reach a stopped panel: the run says so.
                EXPECT_EQ(status, 2) << what;
                EXPECT_NE(out.str().find("the panel has been stopped"), std::string::npos) << what;
            } else {
                EXPECT_EQ(status, 0) << what;
            }
            EXPECT_EQ(out.str().find("CHECK FAILED"), std::string::npos) << what;
        }
    }
}

// A stop before any start stops nothing: the start or restart after it makes the one
// panel, which the end of the run deletes before the plug-in is unloaded.
TEST_F(session_states, a_stop_before_the_start_leaves_one_panel_to_delete) {
    for (const char* next : {"restart", "start"}) {
        scenario s;
        std::string error;
        ASSERT_TRUE(parse_scenario(
            std::string(kSetup) + "stop\n" + next + "\npress 1\nexpect dest 3 source 5\n",
            "stop_first.scn", s, error))
            << error;
        std::ostringstream out;
        run_options o = options();
        o.errors = &out;
        EXPECT_EQ(run_scenario(s, o, out), 0) << next << ": " << out.str();
        EXPECT_NE(out.str().find("passed  no-command-after-delete"), std::string::npos)
            << next << ": " << out.str();
    }
}

// A file that declares devices never lands on a session that has devices: a piped
// console refuses it and names `load --fresh`, which ends the session and plays the
// file (its ${NAME} filled in) in a fresh one. `record` keeps an existing file
// unless told --force.
TEST_F(session_states, a_file_with_devices_needs_a_fresh_session_and_record_keeps_files) {
    std::string dir = ::testing::TempDir();
    std::replace(dir.begin(), dir.end(), '\\', '/');  // as console_line() names files
    const std::string studio = dir + "session_states_studio.scn";
    const std::string kept = dir + "session_states_kept.scn";
    std::string setup = kSetup;
    setup.replace(setup.find("slot 61 \"5\""), 11, "slot 61 \"${SRC}\"");
    std::ofstream(studio) << setup << "press 1\nexpect dest 3 source 7\n";
    std::ofstream(kept) << "keep me\n";
    console_setup console;
    console.options = options();
    console.options.values["SRC"] = "7";
    std::string error;
    ASSERT_TRUE(parse_scenario(kSetup, "setup", console.start, error)) << error;
    std::istringstream in("load " + studio + "\nload --fresh " + studio + "\nrecord " + kept +
                          "\nrecord --force " + kept + "\n");
    std::ostringstream out;
    std::ostringstream err;
    const int status = run_interactive(console, in, out, err);
    EXPECT_EQ(status, 2) << err.str();  // the lines refused in a pipe
    EXPECT_NE(err.str().find("declares devices, and this session has devices already; `load "
                             "--fresh " +
                             studio + "` ends this session"),
              std::string::npos)
        << err.str();
    EXPECT_NE(out.str().find("this session ends, a fresh one starts"), std::string::npos);
    EXPECT_NE(out.str().find("loaded " + studio), std::string::npos) << out.str() << err.str();
    // The fresh session's own expectation, which holds only with ${SRC} filled in.
    EXPECT_NE(out.str().find("Summary: 1 expectation, 0 failed"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("record: " + kept + " exists; `record --force"), std::string::npos)
        << err.str();
    std::ifstream written(kept);
    const std::string text((std::istreambuf_iterator<char>(written)),
                           std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\nexpect dest 3 source 7\n"), std::string::npos) << text;
    std::remove(studio.c_str());
    std::remove(kept.c_str());
}

}  // namespace
}  // namespace kest_host
