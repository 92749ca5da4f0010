#include "kest_script_helper.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "debug_output_capture.h"
#include "kest_debug_trace.h"
#include "recording_host.h"
#include "test_panel.h"

namespace {

using kest_test::items;
using kest_test::recording_host;
using kest_test::test_panel;
using texts = std::vector<std::string>;

struct queries : ::testing::Test {
    recording_host host;
    test_panel panel{&host, ""};
};

// --- deviceLookup ---------------------------------------------------------------

TEST_F(queries, device_lookup_reads_the_first_two_tokens) {
    struct row {
        const char* reply;
        int device;
        int offset;
    };
    const row rows[] = {
        {"12 5", 12, 5},
        {"12 5 'LD Button 1'", 12, 5},
        {"'abc' 'def'", 0, 0},
        {"", 0, 0},
        {"7", 7, 0},
        {"  -3   x", 0, -3},  // a leading blank makes an empty token 0
        {"12abc 5x", 12, 5},
        {"99999999999 -99999999999", INT_MAX, INT_MIN},  // clamped, never overflowing
        {"2147483647 -2147483648", INT_MAX, INT_MIN},
    };
    for (const row& r : rows) {
        host.reply("SD 'Vesk SDI Router'", std::string(r.reply));
        int device = -99;
        int offset = -99;
        EXPECT_TRUE(panel.deviceLookup("Vesk SDI Router", &device, &offset)) << r.reply;
        EXPECT_EQ(device, r.device) << r.reply;
        EXPECT_EQ(offset, r.offset) << r.reply;
    }
    EXPECT_EQ(host.releases().size(), std::size(rows));
    EXPECT_TRUE(host.releasesBalanced());
}

TEST_F(queries, device_lookup_releases_after_reading_and_sends_the_name_unquoted) {
    host.reply("SD 'LD Button 1'", std::string("4 0"));
    int device = 0;
    EXPECT_TRUE(panel.deviceLookup("LD Button 1", &device, nullptr));
    EXPECT_EQ(device, 4);
    ASSERT_EQ(host.calls().size(), 2u);
    EXPECT_EQ(host.calls()[0].text, "SD 'LD Button 1'");
    EXPECT_EQ(host.calls()[0].code, KEST_COMMAND_EXECUTE);
    EXPECT_EQ(host.calls()[1].text, "4 0");
    EXPECT_EQ(host.calls()[1].code, KEST_COMMAND_RELEASE);
}

TEST_F(queries, device_lookup_without_reply_clears_outputs_and_releases_nothing) {
    host.reply("SD 'missing'", std::nullopt);
    int device = 5;
    int offset = 6;
    EXPECT_FALSE(panel.deviceLookup("missing", &device, &offset));
    EXPECT_EQ(device, 0);
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(host.nullReleases(), 0);
    EXPECT_EQ(host.commands(), (texts{"SD 'missing'"}));
    EXPECT_TRUE(panel.deviceLookup("x", nullptr, nullptr) == false);  // default reply: null
}

TEST(queries_without_host, every_query_gives_its_empty_result) {
    test_panel panel(nullptr, "");
    int device = 5;
    int offset = 6;
    EXPECT_FALSE(panel.deviceLookup("x", &device, &offset));
    EXPECT_EQ(device, 0);
    EXPECT_EQ(offset, 0);
    kest_string name("kept");
    panel.routerName(1, 0, 7, name);
    EXPECT_STREQ(name, "kept");
    EXPECT_TRUE(items(panel.controlIdList("1", "alm_")).empty());
    kest_string result("old");
    panel.textGet("value", "1", "alm_1", result);
    EXPECT_STREQ(result, "");
}

// --- routerName -------------------------------------------------------------------

TEST_F(queries, router_name_replaces_the_name_and_releases_the_reply) {
    host.reply("RN 12 0 7", std::string("Camera 7"));
    kest_string name("old");
    panel.routerName(12, 0, 7, name);
    EXPECT_STREQ(name, "Camera 7");
    EXPECT_EQ(host.releases(), (texts{"Camera 7"}));
    EXPECT_TRUE(host.releasesBalanced());
}

TEST_F(queries, router_name_keeps_the_name_and_hands_back_a_null_reply) {
    host.reply("RN 12 1 3", std::nullopt);
    kest_string name("Monitor LD");
    panel.routerName(12, 1, 3, name);
    EXPECT_STREQ(name, "Monitor LD");
    EXPECT_EQ(host.nullReleases(), 1);
    ASSERT_EQ(host.calls().size(), 2u);
    EXPECT_EQ(host.calls()[1].code, KEST_COMMAND_RELEASE);
    EXPECT_TRUE(host.calls()[1].null);
}

TEST_F(queries, router_name_texts_and_odd_replies) {
    host.reply("RN -2147483648 2147483647 -1", std::string(""));
    kest_string name("old");
    panel.routerName(INT_MIN, INT_MAX, -1, name);
    EXPECT_STREQ(name, "");  // an empty reply is a reply
    const std::string longName(1000, 'n');
    host.reply("RN 1 0 1", longName);
    panel.routerName(1, 0, 1, name);
    EXPECT_EQ(std::string(name), longName);
    host.reply("RN 1 0 2", std::string("%1 '%2'"));
    panel.routerName(1, 0, 2, name);
    EXPECT_STREQ(name, "%1 '%2'");
    EXPECT_TRUE(host.releasesBalanced());
}

// --- controlIdList ----------------------------------------------------------------

TEST_F(queries, control_id_list_splits_the_reply_at_commas) {
    host.reply("XI '1' 'alm_'", std::string("alm_1,alm_2"));
    EXPECT_EQ(items(panel.controlIdList("1", "alm_")), (texts{"alm_1", "alm_2"}));
    EXPECT_EQ(host.releases(), (texts{"alm_1,alm_2"}));

    host.reply("XI '1' 'x'", std::string(""));
    EXPECT_TRUE(items(panel.controlIdList("1", "x")).empty());
    host.reply("XI '1' 'y'", std::string("a,,b,"));
    EXPECT_EQ(items(panel.controlIdList("1", "y")), (texts{"a", "", "b", ""}));
    host.reply("XI '1' 'none'", std::nullopt);
    EXPECT_TRUE(items(panel.controlIdList("1", "none")).empty());
    EXPECT_EQ(host.nullReleases(), 0);
    EXPECT_TRUE(host.releasesBalanced());
}

// --- textGet ------------------------------------------------------------------------

TEST_F(queries, text_get_reads_the_value_of_the_named_property) {
    struct row {
        const char* reply;
        const char* result;
    };
    const row rows[] = {
        {"value=3", "3"},         {"value=", ""}, {"value=a=b", "a=b"},
        {"value=%1 %2", "%1 %2"}, {"value", ""},  // the name alone: an empty value
    };
    for (const row& r : rows) {
        host.reply("TG '1' 'alm_1' 'value'", std::string(r.reply));
        kest_string result("old");
        debug_output_capture trace;
        panel.textGet("value", "1", "alm_1", result);
        EXPECT_EQ(trace.take(), "") << r.reply;
        EXPECT_STREQ(result, r.result) << r.reply;
    }
    EXPECT_EQ(host.commands(), texts(std::size(rows), "TG '1' 'alm_1' 'value'"));
    EXPECT_TRUE(host.releasesBalanced());
}

TEST_F(queries, text_get_all_gives_the_whole_reply) {
    host.reply("TG '1' 'alm_1' 'all'", std::string("value=3 alarm=ack"));
    kest_string result;
    panel.textGet("all", "1", "alm_1", result);
    EXPECT_STREQ(result, "value=3 alarm=ack");
    EXPECT_EQ(host.releases(), (texts{"value=3 alarm=ack"}));
}

TEST_F(queries, text_get_mismatch_traces_and_gives_empty) {
    host.reply("TG '1' 'alm_1' 'value'", std::string("Value=3"));
    kest_string result("old");
    debug_output_capture trace;
    panel.textGet("value", "1", "alm_1", result);
    EXPECT_EQ(trace.take(),
              "textGet: value returned \"Value\" was not the value requested \"value\" (value "
              "returned was \"Value=3\" from control \"alm_1\", on panel \"1\")");
    EXPECT_STREQ(result, "");
    // Released before the trace is written: the reply is not needed for it.
    ASSERT_EQ(host.calls().size(), 2u);
    EXPECT_EQ(host.calls()[1].code, KEST_COMMAND_RELEASE);
}

TEST_F(queries, text_get_without_equals_sign_is_a_mismatch) {
    host.reply("TG '1' 'c' 'value'", std::string("nothing"));
    kest_string result("old");
    debug_output_capture trace;
    panel.textGet("value", "1", "c", result);
    EXPECT_NE(trace.take().find("returned \"nothing\""), std::string::npos);
    EXPECT_STREQ(result, "");
}

TEST_F(queries, text_get_null_reply_replaces_result_without_release) {
    host.reply("TG '1' 'c' 'value'", std::nullopt);
    kest_string result("old");
    debug_output_capture trace;
    panel.textGet("value", "1", "c", result);
    EXPECT_EQ(trace.take(), "");
    EXPECT_STREQ(result, "");
    EXPECT_EQ(host.nullReleases(), 0);
    EXPECT_EQ(host.calls().size(), 1u);
}

TEST_F(queries, text_get_result_may_be_one_of_its_own_arguments) {
    host.reply("TG '1' 'alm_1' 'value'", std::string("value=3"));
    kest_string text("value");
    panel.textGet(text, "1", "alm_1", text);
    EXPECT_STREQ(text, "3");
    kest_string control("alm_1");
    panel.textGet("value", "1", control, control);
    EXPECT_STREQ(control, "3");
}

TEST_F(queries, text_get_field_order_and_literal_fields) {
    host.replyDefault(std::nullopt);
    kest_string result;
    panel.textGet("%1", "'", "%2", result);
    EXPECT_EQ(host.commands(), (texts{"TG ''' '%2' '%1'"}));
}

// --- debug trace --------------------------------------------------------------------

TEST(debug_trace, fills_markers_in_order_and_ignores_surplus_values) {
    EXPECT_STREQ(formatDebugTrace("a %1 b %2", "x", "y", "", "", "", "", "", "", ""), "a x b y");
    EXPECT_STREQ(formatDebugTrace("%9 %1", "1", "2", "3", "4", "5", "6", "7", "8", "9"), "2 1");
    EXPECT_STREQ(formatDebugTrace("none", "1", "2", "3", "4", "5", "6", "7", "8", "9"), "none");
    EXPECT_STREQ(formatDebugTrace("%1%1 %3", "a", "b", "", "", "", "", "", "", ""), "aa b");
}

TEST(debug_trace, values_are_open_to_later_markers) {
    // A value holding "%4" has that marker filled by a later value.
    EXPECT_STREQ(formatDebugTrace("[%1] [%2]", "%4", "b", "c", "d", "", "", "", "", ""), "[c] [b]");
}

TEST(debug_trace, writes_the_text_without_host_prefix_or_line_end) {
    test_panel panel(nullptr, "");
    debug_output_capture trace;
    panel.debugTrace("a %1 b %2", "x", "y", "", "", "", "", "", "", "");
    EXPECT_EQ(trace.take(), "a x b y");
}

}  // namespace
