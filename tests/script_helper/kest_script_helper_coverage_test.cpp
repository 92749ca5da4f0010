// Paths of the host binding that the everyday tests do not take: command texts
// too long for the stack buffer, views over missing records, lookups with only one
// output, and the base class's default handlers.
#include "kest_script_helper.h"

#include <gtest/gtest.h>

#include <string>

#include "debug_output_capture.h"
#include "kest_debug_trace.h"
#include "kest_interfaces.h"
#include "recording_host.h"

namespace {

using kest_test::recording_host;

// A panel that keeps the base class's onDatabaseChange and onIntegerEvent.
class quiet_panel : public kest_script_helper {
  public:
    explicit quiet_panel(kest_host_callback* host) : kest_script_helper(host, "/layouts") {}
    int handled = 0;

  protected:
    void onButton(button_event*) override { ++handled; }
    void onRevertive(revertive_event*) override { ++handled; }
    kest_string onParentRequest(request_event*) override { return kest_string(); }
    void onTimer(int32_t) override { ++handled; }
};

TEST(long_command_texts, are_sent_whole) {
    // Longer than any buffer the command builders keep on the stack.
    const std::string longText(2000, 'v');
    recording_host host;
    {
        quiet_panel panel(&host);
        panel.textPut("text", longText.c_str(), "1", "Current_Name");
        panel.controlHide("1", longText.c_str());
        EXPECT_TRUE(panel.panelShow("1", "LD_Auto.kest_ui", longText.c_str()));
    }
    const std::vector<std::string> sent = host.commands();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0], "TP 'text=" + longText + "' '1' 'Current_Name'");
    EXPECT_EQ(sent[1], "CH '1' '" + longText + "'");
    EXPECT_EQ(sent[2], "PS '1' '/layouts/LD_Auto.kest_ui' '" + longText + "'");
    EXPECT_EQ(sent[3], "AS");
}

TEST(event_views, missing_records_read_as_empty) {
    const revertive_event noRevertive(nullptr);
    EXPECT_STREQ(noRevertive.text(), "");

    const button_event noButton(nullptr);
    EXPECT_STREQ(noButton.id(), "");
    EXPECT_STREQ(noButton.requestName(), "");
    EXPECT_STREQ(noButton.requestValue(), "");

    button_info record{};
    record.id = nullptr;
    record.request = nullptr;
    const button_event bare(&record);
    EXPECT_STREQ(bare.id(), "");
    EXPECT_STREQ(bare.requestName(), "");
    EXPECT_STREQ(bare.requestValue(), "");

    const request_event noRequest(nullptr);
    EXPECT_STREQ(noRequest.name(), "");
    EXPECT_STREQ(noRequest.value(), "");
}

TEST(device_lookup, fills_only_the_outputs_given) {
    recording_host host;
    host.reply("SD 'LD Button 1'", "40 17");
    quiet_panel panel(&host);
    int offset = -1;
    EXPECT_TRUE(panel.deviceLookup("LD Button 1", nullptr, &offset));
    EXPECT_EQ(offset, 17);
    EXPECT_TRUE(panel.deviceLookup("LD Button 1", nullptr, nullptr));
    EXPECT_EQ(host.releases().size(), 2u);
    EXPECT_TRUE(host.releasesBalanced());
}

TEST(default_handlers, database_changes_and_integer_events_do_nothing) {
    recording_host host;
    quiet_panel panel(&host);
    revertive_info record{};
    record.device = 12;
    EXPECT_EQ(panel.callback(reinterpret_cast<intptr_t>(&record), KEST_EVENT_DATABASE_CHANGE),
              nullptr);
    EXPECT_EQ(panel.callback(42, KEST_EVENT_INTEGER), nullptr);
    EXPECT_EQ(panel.handled, 0);
    EXPECT_TRUE(host.commands().empty());
}

TEST(debug_output, null_text_writes_nothing) {
    debug_output_capture capture;
    writeDebugOutput(nullptr);
    EXPECT_EQ(capture.take(), "");
}

}  // namespace
