#include "kest_stringlist.h"
#include "kest_string_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> items(const kest_stringlist& list) {
    std::vector<std::string> out;
    for (kest_stringlistIterator it = list.begin(); it != list.end(); ++it) {
        out.emplace_back(static_cast<const char*>(*it));
    }
    return out;
}

using texts = std::vector<std::string>;

TEST(kest_stringlist, splits_at_every_separator_keeping_empty_items) {
    struct row {
        const char* text;
        texts expected;
    };
    const row rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"alm_1,alm_2", {"alm_1", "alm_2"}},
        {"a,,b", {"a", "", "b"}},
        {",", {"", ""}},
        {"a,", {"a", ""}},
        {",a", {"", "a"}},
        {" a , b ", {" a ", " b "}},
        {"1,2,3,4,5,6,7", {"1", "2", "3", "4", "5", "6", "7"}},
    };
    for (const row& r : rows) {
        EXPECT_EQ(items(kest_stringlist(r.text, ',')), r.expected) << r.text;
    }
}

TEST(kest_stringlist, to_string_joins_with_the_separator) {
    EXPECT_EQ(std::string(kest_stringlist().toString(',')), "");
    EXPECT_EQ(std::string(kest_stringlist("one", ',').toString(',')), "one");
    EXPECT_EQ(std::string(kest_stringlist("a,,b,", ',').toString(';')), "a;;b;");
}

TEST(kest_stringlist, append_copy_and_growth_beyond_inline_items) {
    kest_stringlist list;
    const std::string longItem(kest_string_state::kInlineCapacity + 5, 'L');
    for (int i = 0; i < 10; ++i) {
        list << kest_string(i, 0, 0, 10);
    }
    list << longItem.c_str();
    kest_stringlist copy(list);
    list << "after";
    texts expected = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", longItem};
    EXPECT_EQ(items(copy), expected);
    expected.push_back("after");
    EXPECT_EQ(items(list), expected);
}

TEST(kest_stringlist, appending_its_own_item_while_growing) {
    kest_stringlist list;
    list << "first"
         << "second";
    ASSERT_EQ(kest_string_state::kInlineItems, 2);
    list << *list.begin();  // the list grows and moves the item being appended
    list << *list.begin() << *list.begin();
    EXPECT_EQ(items(list), (texts{"first", "second", "first", "first", "first"}));
}

TEST(kest_stringlist, iterator_reference_changes_the_item) {
    kest_stringlist list("a,b", ',');
    for (kest_stringlistIterator it = list.begin(); it != list.end(); ++it) {
        *it += "!";
    }
    EXPECT_EQ(items(list), (texts{"a!", "b!"}));
}

}  // namespace
