#include "parsed_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using texts = std::vector<std::string>;

struct expected_request {
    std::string name;
    texts parts;
    std::string value;
    bool hasValue;
};

void expectParse(const char* text, const expected_request& want) {
    SCOPED_TRACE(text != nullptr ? std::string("text: ") + text : std::string("text: null"));
    const parsed_request request(text);
    EXPECT_EQ(request.name, want.name);
    ASSERT_EQ(request.partCount, static_cast<int32_t>(want.parts.size()));
    for (int i = 0; i < MAX_REQUEST_PARTS; ++i) {
        if (i < request.partCount) {
            EXPECT_EQ(request.parts[i], want.parts[static_cast<std::size_t>(i)]) << "part " << i;
        } else {
            EXPECT_EQ(request.parts[i], parsed_request::emptyText) << "part " << i;
        }
    }
    EXPECT_EQ(request.value, want.value);
    EXPECT_EQ(request.hasValue, want.hasValue);
}

TEST(request_parser, name_parts_and_value) {
    struct row {
        const char* text;
        expected_request want;
    };
    const row rows[] = {
        {"myParam=5", {"myParam", {}, "5", true}},
        {"return", {"return", {}, "", false}},
        {"a.b.c", {"a", {"b", "c"}, "", false}},
        {"instance=LD Button 1", {"instance", {}, "LD Button 1", true}},
        {"alarm.group.x=ack", {"alarm", {"group", "x"}, "ack", true}},
        {"_events", {"_events", {}, "", false}},
    };
    for (const row& r : rows) {
        expectParse(r.text, r.want);
    }
}

TEST(request_parser, awkward_texts) {
    struct row {
        const char* text;
        expected_request want;
    };
    const row rows[] = {
        {"a=b.c=d", {"a", {}, "b.c=d", true}},  // the first "=" wins
        {"a.=x", {"a", {""}, "x", true}},      {"=x", {"", {}, "x", true}},
        {"a.", {"a", {""}, "", false}},        {"a=", {"a", {}, "", true}},
        {".", {"", {""}, "", false}},          {"=", {"", {}, "", true}},
        {"..", {"", {"", ""}, "", false}},     {"a..b", {"a", {"", "b"}, "", false}},
        {"a = b", {"a ", {}, " b", true}},
    };
    for (const row& r : rows) {
        expectParse(r.text, r.want);
    }
}

TEST(request_parser, null_and_empty_give_an_empty_record_without_buffer) {
    for (const char* text : {static_cast<const char*>(nullptr), ""}) {
        const parsed_request request(text);
        EXPECT_EQ(request.name, parsed_request::emptyText);
        EXPECT_EQ(request.value, parsed_request::emptyText);
        EXPECT_EQ(request.partCount, 0);
        EXPECT_FALSE(request.hasValue);
        EXPECT_EQ(request.buffer, nullptr);
    }
}

TEST(request_parser, trailing_separators_point_into_the_buffer) {
    const parsed_request part("a.");
    EXPECT_NE(part.parts[0], parsed_request::emptyText);
    EXPECT_EQ(part.parts[0], part.buffer + 2);
    const parsed_request value("a=");
    EXPECT_NE(value.value, parsed_request::emptyText);
    EXPECT_EQ(value.value, value.buffer + 2);
    EXPECT_EQ(value.name, value.buffer);
}

TEST(request_parser, works_on_its_own_copy) {
    char text[] = "a.b=c";
    const parsed_request request(text);
    text[0] = 'X';
    EXPECT_STREQ(text, "X.b=c");  // the caller's text is not split
    EXPECT_EQ(request.name, std::string("a"));
    EXPECT_NE(request.buffer, text);
}

TEST(request_parser, stops_after_the_32nd_part) {
    std::string text = "n";
    for (int i = 1; i <= 33; ++i) {
        text += ".p" + std::to_string(i);
    }
    text += "=v";
    const parsed_request request(text.c_str());
    EXPECT_STREQ(request.name, "n");
    ASSERT_EQ(request.partCount, MAX_REQUEST_PARTS);
    EXPECT_STREQ(request.parts[0], "p1");
    EXPECT_STREQ(request.parts[30], "p31");
    EXPECT_STREQ(request.parts[31], "p32.p33=v");
    EXPECT_EQ(request.value, parsed_request::emptyText);
    EXPECT_FALSE(request.hasValue);
}

TEST(request_parser, exactly_32_parts_then_value_is_not_read) {
    // The scan stops once the 32nd part begins, even when only "=v" follows.
    std::string text = "n";
    for (int i = 1; i <= 32; ++i) {
        text += ".p" + std::to_string(i);
    }
    text += "=v";
    const parsed_request request(text.c_str());
    EXPECT_EQ(request.partCount, 32);
    EXPECT_STREQ(request.parts[31], "p32=v");
    EXPECT_FALSE(request.hasValue);
}

TEST(request_parser, thousands_of_separators_stay_in_bounds) {
    const std::string dots(5000, '.');
    const parsed_request request(dots.c_str());
    EXPECT_EQ(request.partCount, 32);
    EXPECT_EQ(std::string(request.parts[31]).size(), 5000u - 32u);
}

}  // namespace
