// The debug trace must reach the Windows debug output, text unchanged and nothing
// added, because that is where an engineer with a debug viewer looks for it.
#include "kest_debug_trace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "debug_output_capture.h"
#include "kest_script_helper.h"

namespace {

// Answers every query with one fixed reply and takes releases back.
class fixed_reply_host final : public kest_host_callback {
  public:
    explicit fixed_reply_host(const char* reply) : reply(reply) {}
    void hostOperation() override {}
    intptr_t command(const char* text, int32_t code) override {
        if (code == KEST_COMMAND_RELEASE) {
            ++releases;
            return 0;
        }
        sent.emplace_back(text);
        return reinterpret_cast<intptr_t>(reply.c_str());
    }

    std::string reply;
    std::vector<std::string> sent;
    int releases = 0;
};

// The smallest panel: the base class's operations are what is under test.
class quiet_panel final : public kest_script_helper {
  public:
    explicit quiet_panel(kest_host_callback* host) : kest_script_helper(host, "") {}

  protected:
    void onButton(button_event*) override {}
    void onRevertive(revertive_event*) override {}
    kest_string onParentRequest(request_event*) override { return kest_string(); }
    void onTimer(int32_t) override {}
};

TEST(win32_debug_output, reaches_output_debug_string_without_additions) {
    debug_output_capture capture;

    writeDebugOutput("first %1 text");
    writeDebugOutput("");

    ASSERT_EQ(capture.writes().size(), 2u);
    EXPECT_EQ(capture.writes()[0], "first %1 text");
    EXPECT_EQ(capture.writes()[1], "");
}

TEST(win32_debug_output, one_trace_is_one_write_and_a_match_writes_none) {
    fixed_reply_host mismatch("Value=3");
    quiet_panel panel(&mismatch);
    kest_string result("stale");

    debug_output_capture capture;
    panel.textGet("value", "1", "alm_1", result);
    ASSERT_EQ(capture.writes().size(), 1u);
    EXPECT_EQ(capture.writes()[0].rfind("textGet: value returned \"Value\"", 0), 0u);
    EXPECT_NE(capture.writes()[0].back(), '\n');
    EXPECT_STREQ(static_cast<const char*>(result), "");
    EXPECT_EQ(mismatch.releases, 1);

    fixed_reply_host match("value=3");
    quiet_panel matched(&match);
    matched.textGet("value", "1", "alm_1", result);
    EXPECT_EQ(capture.writes().size(), 1u) << "a matching reply must not be traced";
    EXPECT_STREQ(static_cast<const char*>(result), "3");
}

}  // namespace
