#include "kest_script_helper.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "recording_host.h"
#include "test_panel.h"

namespace {

using kest_test::recording_host;
using kest_test::test_panel;
using texts = std::vector<std::string>;

intptr_t data(const void* record) {
    return reinterpret_cast<intptr_t>(record);
}

revertive_info revertive(int32_t device, int32_t database, int32_t index, int32_t value,
                         const char* text) {
    revertive_info info{};
    info.device = device;
    info.database = database;
    info.index = index;
    info.value = value;
    std::strncpy(info.text, text, sizeof(info.text) - 1);
    return info;
}

struct dispatcher : ::testing::Test {
    recording_host host;
    test_panel panel{&host, "/layouts"};
};

TEST_F(dispatcher, construction_stores_host_and_path_and_sends_nothing) {
    EXPECT_EQ(panel.hostObject(), &host);
    EXPECT_EQ(panel.pathText(), "/layouts");
    EXPECT_TRUE(host.calls().empty());
    test_panel noPath(&host, nullptr);
    EXPECT_EQ(noPath.pathText(), "");
}

TEST_F(dispatcher, types_outside_one_to_seven_are_ignored) {
    revertive_info info = revertive(1, 2, 3, 4, "x");
    for (int32_t type : {0, 8, -1, 1000, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(panel.callback(data(&info), type), nullptr) << type;
    }
    EXPECT_TRUE(panel.events.empty());
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(dispatcher, revertive_and_database_change_reach_their_handlers) {
    revertive_info slot = revertive(7, 0, 63, 0, "5");
    revertive_info name = revertive(12, 1, 3, 0, "Monitor LD");
    EXPECT_EQ(panel.callback(data(&slot), KEST_EVENT_REVERTIVE), nullptr);
    EXPECT_EQ(panel.callback(data(&name), KEST_EVENT_DATABASE_CHANGE), nullptr);
    EXPECT_EQ(panel.events, (texts{"revertive 7 0 63 0 '5'", "database 12 1 3 0 'Monitor LD'"}));
}

TEST_F(dispatcher, null_records_are_dropped_not_dereferenced) {
    EXPECT_EQ(panel.callback(0, KEST_EVENT_REVERTIVE), nullptr);
    EXPECT_EQ(panel.callback(0, KEST_EVENT_BUTTON), nullptr);
    EXPECT_EQ(panel.callback(0, KEST_EVENT_DATABASE_CHANGE), nullptr);
    EXPECT_TRUE(panel.events.empty());
}

TEST_F(dispatcher, timer_id_is_the_low_32_bits_of_the_data) {
    panel.callback(2, KEST_EVENT_TIMER);
    panel.callback(-1, KEST_EVENT_TIMER);
    panel.callback(static_cast<intptr_t>(INT32_MIN), KEST_EVENT_TIMER);
    texts expected = {"timer 2", "timer -1", "timer -2147483648"};
    if (sizeof(intptr_t) > 4) {
        const int64_t wide = (int64_t{1} << 32) + 5;
        panel.callback(static_cast<intptr_t>(wide), KEST_EVENT_TIMER);
        panel.callback(static_cast<intptr_t>(INT64_C(0xFFFFFFFF)), KEST_EVENT_TIMER);
        expected.push_back("timer 5");
        expected.push_back("timer -1");
    }
    EXPECT_EQ(panel.events, expected);
}

TEST_F(dispatcher, integer_event_gets_a_copy_of_the_data) {
    panel.callback(12345, KEST_EVENT_INTEGER);
    panel.callback(-7, KEST_EVENT_INTEGER);
    EXPECT_EQ(panel.events, (texts{"integer 12345", "integer -7"}));
}

TEST_F(dispatcher, parent_request_is_parsed_and_a_non_empty_answer_is_a_new_string) {
    panel.answer = "abc";
    char* result = panel.callback(data("myParam=5"), KEST_EVENT_PARENT_REQUEST);
    ASSERT_NE(result, nullptr);
    EXPECT_STREQ(result, "abc");
    EXPECT_EQ(std::strlen(result), 3u);
    EXPECT_EQ(panel.events, (texts{"request myParam = 5 parts 0 has value"}));
    // Handed back: freed by the plug-in (ASan and the leak check watch this).
    EXPECT_EQ(panel.callback(data(result), KEST_EVENT_RELEASE), nullptr);
}

TEST_F(dispatcher, empty_answer_and_empty_requests) {
    panel.answer = "";
    EXPECT_EQ(panel.callback(data("return"), KEST_EVENT_PARENT_REQUEST), nullptr);
    EXPECT_EQ(panel.callback(0, KEST_EVENT_PARENT_REQUEST), nullptr);
    EXPECT_EQ(panel.callback(data(""), KEST_EVENT_PARENT_REQUEST), nullptr);
    EXPECT_EQ(panel.events,
              (texts{"request return =  parts 0 no value", "request  =  parts 0 no value",
                     "request  =  parts 0 no value"}));
    EXPECT_EQ(panel.callback(0, KEST_EVENT_RELEASE), nullptr);  // nothing to free
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(dispatcher, an_exception_from_a_handler_never_reaches_the_host) {
    panel.throwFromHandlers = true;
    panel.answer = "abc";
    EXPECT_EQ(panel.callback(2, KEST_EVENT_TIMER), nullptr);
    EXPECT_EQ(panel.callback(data("return"), KEST_EVENT_PARENT_REQUEST), nullptr);
}

// --- Button path ---------------------------------------------------------------

struct button_path : dispatcher {
    button_path() {
        host.reply("XI '1' 'alm_'", "alm_1");
        host.reply("TG '1' 'alm_1' 'value'", "value=1");
    }
    void press(const char* id, parsed_request* request) {
        button_info info{};
        info.id = id;
        info.request = request;
        EXPECT_EQ(panel.callback(data(&info), KEST_EVENT_BUTTON), nullptr);
    }
};

TEST_F(button_path, without_alarm_handling_every_button_reaches_on_button) {
    parsed_request alarm("alarm=ack");
    press("ActionAll", &alarm);
    press("AckAll", &alarm);
    press("11", nullptr);
    press(nullptr, nullptr);
    EXPECT_EQ(panel.events, (texts{"button ActionAll", "button AckAll", "button 11", "button "}));
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(button_path, action_all_alarm_applies_the_request_value) {
    panel.setAlarmHandling(true);
    parsed_request alarm("alarm=ack");
    press("ActionAll", &alarm);
    EXPECT_TRUE(panel.events.empty());
    EXPECT_EQ(host.commands(), (texts{"XI '1' 'alm_'", "TP 'alarm=ack' '1' 'alm_1'",
                                      "TG '1' 'alm_1' 'value'", "TP 'value=4' '1' 'alm_1'"}));
    EXPECT_TRUE(host.releasesBalanced());
}

TEST_F(button_path, action_all_with_another_request_goes_to_on_button) {
    panel.setAlarmHandling(true);
    parsed_request other("alarms=ack");
    press("ActionAll", &other);
    parsed_request empty(nullptr);
    press("ActionAll", &empty);
    // A host that forgets the request: read as an empty request, not dereferenced.
    press("ActionAll", nullptr);
    EXPECT_EQ(panel.events, (texts{"button ActionAll", "button ActionAll", "button ActionAll"}));
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(button_path, ack_all_applies_four_without_reading_the_request) {
    panel.setAlarmHandling(true);
    press("AckAll", nullptr);
    EXPECT_TRUE(panel.events.empty());
    EXPECT_EQ(host.commands(), (texts{"XI '1' 'alm_'", "TP 'alarm=4' '1' 'alm_1'",
                                      "TG '1' 'alm_1' 'value'", "TP 'value=4' '1' 'alm_1'"}));
}

TEST_F(button_path, other_ids_and_near_misses_go_to_on_button) {
    panel.setAlarmHandling(true);
    parsed_request alarm("alarm=2");
    press("11", &alarm);
    press("actionall", &alarm);
    press("AckAll ", &alarm);
    press(nullptr, &alarm);
    EXPECT_EQ(panel.events, (texts{"button 11", "button actionall", "button AckAll ", "button "}));
    EXPECT_TRUE(host.calls().empty());
}

// --- Destruction ------------------------------------------------------------------

TEST(kest_script_helper_lifetime, destructor_sends_as_once_after_the_panel_clean_up) {
    recording_host host;
    {
        test_panel panel(&host, "");
        panel.stopTimerOnExit = true;
    }
    EXPECT_EQ(host.commands(), (texts{"ET 2", "AS"}));
    EXPECT_EQ(host.repliesHandedOut(), 0);
}

TEST(kest_script_helper_lifetime, through_the_interface_pointer) {
    recording_host host;
    std::unique_ptr<kest_client_callback> client = std::make_unique<test_panel>(&host, "");
    client.reset();
    EXPECT_EQ(host.commands(), (texts{"AS"}));
}

}  // namespace
