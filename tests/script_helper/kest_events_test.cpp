#include "kest_interfaces.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(event_views, revertive_text_never_reads_past_the_array) {
    revertive_info info{};
    std::memset(info.text, 'x', sizeof(info.text));  // no NUL anywhere
    const revertive_event event(&info);
    EXPECT_EQ(std::string(event.text()), std::string(KEST_REVERTIVE_TEXT_CAPACITY, 'x'));

    std::strcpy(info.text, "Camera 3");
    EXPECT_STREQ(event.text(), "Camera 3");
    info.text[0] = '\0';
    EXPECT_STREQ(event.text(), "");
}

TEST(event_views, button_reads_id_and_request_with_null_as_empty) {
    parsed_request request("alarm=ack");
    button_info info{};
    info.id = "ActionAll";
    info.request = &request;
    const button_event event(&info);
    EXPECT_STREQ(event.id(), "ActionAll");
    EXPECT_STREQ(event.requestName(), "alarm");
    EXPECT_STREQ(event.requestValue(), "ack");

    info.id = nullptr;
    info.request = nullptr;
    EXPECT_STREQ(event.id(), "");
    EXPECT_STREQ(event.requestName(), "");
    EXPECT_STREQ(event.requestValue(), "");
}

TEST(event_views, request_reads_name_and_value) {
    parsed_request request("instance=LD Button 1");
    const request_event event(&request);
    EXPECT_STREQ(event.name(), "instance");
    EXPECT_STREQ(event.value(), "LD Button 1");
    const request_event none(nullptr);
    EXPECT_STREQ(none.name(), "");
    EXPECT_STREQ(none.value(), "");
}

}  // namespace
