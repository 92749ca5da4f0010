// arg() finds markers with a word-at-a-time scan and remembers where they are; this
// checks it against the plain rule on texts where markers fall at every offset of
// a word, at both ends, next to other "%", and more often than are remembered.
#include "kest_string.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// The rule, character by character: every occurrence of the lowest marker %1..%9
// present is replaced; the text comes back unchanged without one.
std::string referenceArg(const std::string& text, const std::string& value) {
    char lowest = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char digit = text[i + 1];
        if (text[i] == '%' && digit >= '1' && digit <= '9' && (lowest == 0 || digit < lowest)) {
            lowest = digit;
        }
    }
    if (lowest == 0) {
        return text;
    }
    std::string result;
    std::size_t i = 0;
    while (i < text.size()) {
        if (i + 1 < text.size() && text[i] == '%' && text[i + 1] == lowest) {
            result += value;
            i += 2;
        } else {
            result += text[i++];
        }
    }
    return result;
}

TEST(kest_string_arg, agrees_with_the_plain_rule_on_generated_texts) {
    // Mostly markers and their pieces, so that every arrangement turns up.
    const char alphabet[] = {'%', '%', '1', '2', '9', '0', 'a', ' '};
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> pick(0, sizeof(alphabet) - 1);
    for (int round = 0; round < 20000; ++round) {
        const std::size_t length = static_cast<std::size_t>(round % 70);
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text += alphabet[pick(random)];
        }
        const std::string value = round % 3 == 0 ? "" : round % 3 == 1 ? "%1" : "value";
        ASSERT_EQ(std::string(kest_string(text.c_str()).arg(value.c_str())),
                  referenceArg(text, value))
            << "text [" << text << "] value [" << value << "]";
    }
}

TEST(kest_string_arg, finds_a_marker_at_every_offset_of_a_long_text) {
    for (std::size_t at = 0; at + 2 <= 40; ++at) {
        std::string text(40, 'x');
        text[at] = '%';
        text[at + 1] = '4';
        std::string expected = text;
        expected.replace(at, 2, "v");
        EXPECT_EQ(std::string(kest_string(text.c_str()).arg("v")), expected) << at;
        // A "%" in the last place starts no marker.
        text.back() = '%';
        EXPECT_EQ(std::string(kest_string(text.c_str()).arg(7, 0, 0, 10)), referenceArg(text, "7"))
            << at;
    }
}

}  // namespace
