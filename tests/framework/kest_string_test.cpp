#include "kest_string.h"
#include "kest_string_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string str(const kest_string& s) {
    return static_cast<const char*>(s);
}

TEST(kest_string, null_and_empty_read_as_empty_text) {
    const kest_string fromNull(static_cast<const char*>(nullptr));
    EXPECT_EQ(str(fromNull), "");
    EXPECT_EQ(fromNull.length(), 0);
    EXPECT_TRUE(fromNull == "");
    EXPECT_TRUE(fromNull == nullptr);

    kest_string s("abc");
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(str(s), "");
    s += static_cast<const char*>(nullptr);
    EXPECT_EQ(s.length(), 0);
}

TEST(kest_string, equality_is_exact_and_case_sensitive) {
    const kest_string s("value");
    EXPECT_TRUE(s == "value");
    EXPECT_FALSE(s == "Value");
    EXPECT_FALSE(s == "value ");
    EXPECT_FALSE(s == "valu");
    EXPECT_FALSE(s != kest_string("value"));
    EXPECT_TRUE(s != kest_string("Value"));
    EXPECT_TRUE(s != kest_string("values"));
    EXPECT_TRUE(kest_string("") != kest_string("a"));
}

TEST(kest_string, number_constructor_writes_plain_decimal) {
    struct row {
        int value;
        const char* text;
    };
    const row rows[] = {{0, "0"},
                        {7, "7"},
                        {-1, "-1"},
                        {1000, "1000"},
                        {INT_MAX, "2147483647"},
                        {INT_MIN, "-2147483648"}};
    for (const row& r : rows) {
        EXPECT_EQ(str(kest_string(r.value, 0, 0, 10)), r.text) << r.value;
    }
}

TEST(kest_string, number_constructor_other_bases_and_padding) {
    EXPECT_EQ(str(kest_string(255, 0, 0, 16)), "ff");
    EXPECT_EQ(str(kest_string(5, 0, 0, 2)), "101");
    EXPECT_EQ(str(kest_string(INT_MIN, 0, 0, 2)), "-1" + std::string(31, '0'));
    EXPECT_EQ(str(kest_string(42, 0, 0, 1)), "42");   // invalid base taken as 10
    EXPECT_EQ(str(kest_string(42, 0, 0, 37)), "42");  // likewise
    EXPECT_EQ(str(kest_string(42, '0', 5, 10)), "00042");
    EXPECT_EQ(str(kest_string(-42, 0, 5, 10)), "  -42");  // fill 0 pads with blanks
    EXPECT_EQ(str(kest_string(12345, '0', 3, 10)), "12345");
}

TEST(kest_string, to_int_reads_like_atoi_and_clamps) {
    struct row {
        const char* text;
        int value;
    };
    const row rows[] = {
        {"", 0},
        {"abc", 0},
        {"12", 12},
        {"-12", -12},
        {"+12", 12},
        {"  \t\n42", 42},
        {"12abc", 12},
        {"3.9", 3},
        {"- 5", 0},
        {"--5", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
        {"000000000000000000000017", 17},
    };
    for (const row& r : rows) {
        EXPECT_EQ(kest_string(r.text).toInt(), r.value) << '"' << r.text << '"';
    }
}

TEST(kest_string, concatenation_in_every_form) {
    const kest_string a("ab");
    const kest_string b("cd");
    EXPECT_EQ(str(a + b), "abcd");
    EXPECT_EQ(str(a + "x"), "abx");
    EXPECT_EQ(str("x" + a), "xab");
    EXPECT_EQ(str(a + static_cast<const char*>(nullptr)), "ab");
    kest_string s(a);
    s += b;
    s += "!";
    EXPECT_EQ(str(s), "abcd!");
    EXPECT_EQ(str(a), "ab");
}

TEST(kest_string, self_assignment_and_aliasing) {
    kest_string s("abc");
    const kest_string& same = s;
    s = same;
    EXPECT_EQ(str(s), "abc");
    s += s;
    EXPECT_EQ(str(s), "abcabc");
    s = static_cast<const char*>(s) + 2;  // a pointer into its own text
    EXPECT_EQ(str(s), "cabc");

    // The same on heap-held texts, which move when they grow.
    kest_string big(std::string(kest_string_state::kInlineCapacity, 'x').c_str());
    big += big;
    EXPECT_EQ(big.length(), static_cast<int>(2 * kest_string_state::kInlineCapacity));
    EXPECT_EQ(str(big), std::string(2 * std::size_t{kest_string_state::kInlineCapacity}, 'x'));
    big += static_cast<const char*>(big) + 1;
    EXPECT_EQ(big.length(), static_cast<int>(4 * kest_string_state::kInlineCapacity - 1));
    big = static_cast<const char*>(big) + 10;
    EXPECT_EQ(big.length(), static_cast<int>(4 * kest_string_state::kInlineCapacity - 11));
}

TEST(kest_string, arg_fills_every_occurrence_of_the_lowest_marker) {
    struct row {
        const char* text;
        const char* value;
        const char* result;
    };
    const row rows[] = {
        {"a %1 b", "x", "a x b"},
        {"%1%1", "x", "xx"},
        {"%2 %1", "x", "%2 x"},
        {"%3 %9", "x", "x %9"},
        {"no markers", "x", "no markers"},
        {"%0 %a %", "x", "%0 %a %"},
        {"%%1", "x", "%x"},  // "%%" is no escape
        {"%10", "x", "x0"},
        {"%1", "", ""},
        {"%1", "%d %s %n", "%d %s %n"},  // never a printf format
        {"", "x", ""},
    };
    for (const row& r : rows) {
        EXPECT_EQ(str(kest_string(r.text).arg(r.value)), r.result) << r.text;
    }
}

TEST(kest_string, arg_with_many_occurrences_and_wide_number_fields) {
    std::string text;
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        text += "%2<%1>";
        expected += "%2<ab>";
    }
    EXPECT_EQ(str(kest_string(text.c_str()).arg("ab")), expected);
    EXPECT_EQ(str(kest_string("[%1]").arg(-7, '.', 100, 10)), "[" + std::string(98, '.') + "-7]");
    EXPECT_EQ(str(kest_string(-7, '.', 100, 10)), std::string(98, '.') + "-7");
}

TEST(kest_string, arg_opens_markers_that_values_bring_in) {
    // The second call sees the "%2" that the first value inserted.
    const kest_string s = kest_string("%1 and %3").arg("say %2").arg("hi");
    EXPECT_EQ(str(s), "say hi and %3");
    // A value carrying a lower marker than the template's next one takes its place.
    EXPECT_EQ(str(kest_string("[%1] [%2]").arg("%1").arg("v")), "[v] [%2]");
}

TEST(kest_string, arg_leaves_the_string_itself_unchanged_and_may_alias) {
    kest_string s("<%1>");
    const kest_string result = s.arg(s);
    EXPECT_EQ(str(result), "<<%1>>");
    EXPECT_EQ(str(s), "<%1>");
    s = s.arg(s);
    EXPECT_EQ(str(s), "<<%1>>");
}

TEST(kest_string, arg_with_numbers) {
    EXPECT_EQ(
        str(kest_string("RN %1 %2 %3").arg(12, 0, 0, 10).arg(-1, 0, 0, 10).arg(INT_MIN, 0, 0, 10)),
        "RN 12 -1 -2147483648");
}

TEST(kest_string, arg_result_may_grow_past_the_inline_limit) {
    const std::string value(kest_string_state::kInlineCapacity, 'v');
    const kest_string s = kest_string("%1-%1").arg(value.c_str());
    EXPECT_EQ(str(s), value + "-" + value);
}

TEST(kest_string, split_at_the_first_separator) {
    struct row {
        const char* text;
        const char* before;
        const char* after;
    };
    const row rows[] = {
        {"value=3", "value", "3"}, {"a=b=c", "a", "b=c"}, {"=x", "", "x"},
        {"x=", "x", ""},           {"none", "none", ""},  {"", "", ""},
    };
    for (const row& r : rows) {
        kest_string before("old");
        kest_string after("old");
        kest_string(r.text).split('=', before, after);
        EXPECT_EQ(str(before), r.before) << r.text;
        EXPECT_EQ(str(after), r.after) << r.text;
    }
}

TEST(kest_string, split_into_itself) {
    kest_string s("name=value");
    kest_string after;
    s.split('=', s, after);
    EXPECT_EQ(str(s), "name");
    EXPECT_EQ(str(after), "value");

    kest_string t("name=value");
    kest_string before;
    t.split('=', before, t);
    EXPECT_EQ(str(before), "name");
    EXPECT_EQ(str(t), "value");
}

}  // namespace
