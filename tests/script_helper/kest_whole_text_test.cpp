// The binding's measure of whole texts, which needs nothing but the operations
// every framework string has. The framework here cuts a text that gets no room and
// gives an unfilled `arg` back unchanged; each check must tell such a text from the
// whole one, also where a length alone cannot (an unfilled "%1" with a two-character
// value is as long as the filled text). The program replaces operator new.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "kest_stringlist.h"
#include "kest_whole_text.h"
#include "replaced_allocator.h"

namespace {

std::size_t& failAt = kest_test::allocations.failFrom;
bool& refuseAll = kest_test::allocations.refuseAll;

const std::string kLongText(600, 'x');

struct whole_text : ::testing::Test {
    void TearDown() override {
        failAt = 0;
        refuseAll = false;
    }
};

TEST_F(whole_text, a_filled_marker_is_whole_wherever_it_stands_and_however_often) {
    bool whole = true;
    EXPECT_STREQ(kest_whole::arg("SD '%1'", "Cam", whole), "SD 'Cam'");
    EXPECT_STREQ(kest_whole::arg("%2 %1 %1", "ab", whole), "%2 ab ab");
    EXPECT_STREQ(kest_whole::arg("100%%1", -7, whole), "100%-7");
    EXPECT_STREQ(kest_whole::arg("no marker", "v", whole), "no marker");
    EXPECT_STREQ(kest_whole::arg("%1", kLongText.c_str(), whole), kLongText.c_str());
    EXPECT_TRUE(whole);
}

TEST_F(whole_text, an_unfilled_marker_is_caught_even_at_the_same_length) {
    const kest_string format(("%1" + kLongText).c_str());
    bool whole = true;
    // The filled text needs the heap; the framework gives the template back.
    failAt = kLongText.size();
    const kest_string result = kest_whole::arg(format, "12", whole);
    EXPECT_EQ(failAt, 0u) << "the fill never asked for the heap";
    EXPECT_EQ(result.length(), format.length()) << "the case a length cannot tell";
    EXPECT_FALSE(whole);

    // `whole` stays false along a chain, and a later whole fill does not reset it.
    EXPECT_STREQ(kest_whole::arg("%1", 5, whole), "5");
    EXPECT_FALSE(whole);
}

TEST_F(whole_text, a_cut_value_is_never_taken_for_the_text) {
    bool whole = true;
    refuseAll = true;
    const kest_string copy = kest_whole::copy(kLongText.c_str(), whole);
    refuseAll = false;
    EXPECT_FALSE(whole);
    EXPECT_STREQ(copy, "") << "not the cut beginning of the text";

    whole = true;
    EXPECT_STREQ(kest_whole::copy(nullptr, whole), "");
    EXPECT_TRUE(whole);
}

TEST_F(whole_text, a_store_is_whole_or_leaves_the_value) {
    kest_string target("before");
    refuseAll = true;
    EXPECT_FALSE(kest_whole::store(target, kLongText.c_str()));
    refuseAll = false;
    EXPECT_STREQ(target, "before");

    kest_string fits(kLongText.c_str());
    EXPECT_TRUE(kest_whole::store(fits, static_cast<const char*>(fits) + 590));
    EXPECT_EQ(std::string(fits), std::string(10, 'x')) << "a value inside the target itself";
    EXPECT_TRUE(kest_whole::store(fits, nullptr));
    EXPECT_STREQ(fits, "");
}

TEST_F(whole_text, a_list_holds_every_item_or_says_not) {
    const kest_string text("a,,bb,");
    EXPECT_TRUE(kest_whole::splitWhole(kest_stringlist(text, ','), text, ','));
    EXPECT_TRUE(kest_whole::splitWhole(kest_stringlist(kest_string(), ','), kest_string(), ','));

    // Three items outgrow the list's room inside itself; the heap refuses.
    const kest_string three("id_1,id_2,id_3");
    refuseAll = true;
    const kest_stringlist starved(three, ',');
    refuseAll = false;
    EXPECT_FALSE(kest_whole::splitWhole(starved, three, ','));

    // A list of other items of the same count is not this text's list either.
    EXPECT_FALSE(
        kest_whole::splitWhole(kest_stringlist(kest_string("a,b"), ','), kest_string("a,bc"), ','));
}

TEST_F(whole_text, holds_compares_length_and_characters) {
    EXPECT_TRUE(kest_whole::holds("abc", "abcd", 3));
    EXPECT_FALSE(kest_whole::holds("abc", "abd", 3));
    EXPECT_FALSE(kest_whole::holds("abc", "abc", 2));
}

}  // namespace
