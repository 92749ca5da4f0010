// Short texts and short lists must cost no heap allocation: the panel's per-event
// work copies, joins and fills texts of this size all the time. And when the heap
// refuses, nothing may be thrown: texts are cut, lists keep what they have. The
// program replaces the global allocation functions to count allocations and to
// make them fail on demand.
#include "kest_string.h"
#include "kest_string_state.h"

#include <gtest/gtest.h>

#include <string>

#include "kest_stringlist.h"
#include "replaced_allocator.h"

namespace {

long& allocations = kest_test::allocations.count;
bool& refuse = kest_test::allocations.refuseAll;

TEST(kest_string_allocation, short_texts_stay_inline) {
    const kest_string slot("Camera 3 (studio A)");
    const long before = allocations;
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): the copy is counted
    kest_string copy(slot);
    kest_string assigned;
    assigned = copy;
    assigned = "TP 'text=";
    assigned += slot;
    assigned += assigned;
    const kest_string joined = "<" + slot + ">" + kest_string(-5, 0, 0, 10);
    const kest_string filled = kest_string("RC %1 %2 %3 ',%4' %5")
                                   .arg(12, 0, 0, 10)
                                   .arg(-2147483647 - 1, 0, 0, 10)
                                   .arg(3, 0, 0, 10)
                                   .arg(slot)
                                   .arg(1, 0, 0, 10);
    kest_string name;
    kest_string value;
    kest_string("value=3").split('=', name, value);
    const kest_stringlist list("alm_1,alm_2", ',');
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): the copy is counted
    const kest_stringlist listCopy(list);
    const kest_string joinedList = listCopy.toString(';');
    const long used = allocations - before;

    EXPECT_EQ(used, 0);
    EXPECT_STREQ(assigned, "TP 'text=Camera 3 (studio A)TP 'text=Camera 3 (studio A)");
    EXPECT_STREQ(joined, "<Camera 3 (studio A)>-5");
    EXPECT_STREQ(filled, "RC 12 -2147483648 3 ',Camera 3 (studio A)' 1");
    EXPECT_STREQ(value, "3");
    EXPECT_STREQ(joinedList, "alm_1;alm_2");
}

TEST(kest_string_allocation, counting_works) {
    // Proves the replacement above is in use, so the zero above means something.
    const long before = allocations;
    const kest_string longText(std::string(kest_string_state::kInlineCapacity + 1, 'x').c_str());
    EXPECT_GE(allocations - before, 1);
}

TEST(kest_string_allocation, a_refused_heap_cuts_texts_and_throws_nothing) {
    const std::string longText(kest_string_state::kInlineCapacity + 100, 'y');
    kest_string grown("x");
    kest_string assigned;
    kest_string filled;
    kest_stringlist list;
    refuse = true;
    EXPECT_NO_THROW({
        assigned = longText.c_str();
        grown += longText.c_str();
        filled = kest_string("a %1 b").arg(longText.c_str());
        list << "one"
             << "two"
             << "three";
    });
    refuse = false;

    const std::string fitting(kest_string_state::kInlineCapacity, 'y');
    EXPECT_EQ(std::string(assigned), fitting);
    EXPECT_EQ(assigned.length(), static_cast<int>(kest_string_state::kInlineCapacity));
    EXPECT_EQ(std::string(grown), "x" + fitting.substr(1));
    // No room for the whole result: the text comes back as it was.
    EXPECT_STREQ(filled, "a %1 b");
    EXPECT_STREQ(list.toString(','), "one,two");
}

}  // namespace
