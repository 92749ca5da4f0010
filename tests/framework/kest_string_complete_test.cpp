// A text that memory ran out for says so: `complete()` is false for every text cut
// or left unfilled, and for every text made from one, so that the binding can
// refuse to send it. `assignWhole` stores all of a text or nothing. The program
// replaces the global allocation functions to make allocations fail on purpose.
#include <gtest/gtest.h>

#include <string>

#include "kest_string.h"
#include "kest_string_state.h"
#include "kest_stringlist.h"
#include "replaced_allocator.h"

namespace {

bool& refuse_heap = kest_test::allocations.refuseAll;

const std::string kLong(kest_string_state::kInlineCapacity + 81, 'L');

// A text of kLong cut to the inline room while the heap refuses.
kest_string cutText() {
    refuse_heap = true;
    kest_string text(kLong.c_str());
    refuse_heap = false;
    return text;
}

TEST(kest_string_complete, texts_that_fit_or_get_their_room_are_complete) {
    EXPECT_TRUE(kest_string_state::complete(kest_string()));
    EXPECT_TRUE(kest_string_state::complete(kest_string(kLong.c_str())));
    EXPECT_TRUE(
        kest_string_state::complete(kest_string("%1 %2").arg(kLong.c_str()).arg(7, 0, 0, 10)));
    // Without the heap, what fits inline is still whole.
    refuse_heap = true;
    const kest_string shortText = kest_string("RC %1").arg(12, 0, 0, 10) + " ok";
    refuse_heap = false;
    EXPECT_TRUE(kest_string_state::complete(shortText));
    EXPECT_STREQ(shortText, "RC 12 ok");
}

TEST(kest_string_complete, every_way_of_cutting_marks_the_text) {
    const kest_string cut = cutText();
    EXPECT_FALSE(kest_string_state::complete(cut));
    EXPECT_EQ(cut.length(), static_cast<int>(kest_string_state::kInlineCapacity));

    refuse_heap = true;
    kest_string assigned;
    assigned = kLong.c_str();
    kest_string appended("x");
    appended += kLong.c_str();
    const kest_string joined = kest_string("TP '") + kLong.c_str();
    // No room for the result: the template comes back, marked as unfilled.
    const kest_string filled = kest_string("SD '%1'").arg(kLong.c_str());
    const kest_string wide(7, '0', 1000, 10);
    refuse_heap = false;

    EXPECT_FALSE(kest_string_state::complete(assigned));
    EXPECT_FALSE(kest_string_state::complete(appended));
    EXPECT_FALSE(kest_string_state::complete(joined));
    EXPECT_STREQ(filled, "SD '%1'");
    EXPECT_FALSE(kest_string_state::complete(filled));
    EXPECT_STREQ(wide, "7");
    EXPECT_FALSE(kest_string_state::complete(wide));
}

TEST(kest_string_complete, texts_made_from_a_cut_text_stay_marked) {
    const kest_string cut = cutText();
    kest_string copied(cut);
    kest_string assigned;
    assigned = cut;
    kest_string appended("a");
    appended += cut;
    kest_string before;
    kest_string after;
    (cut + "=x").split('=', before, after);

    EXPECT_FALSE(kest_string_state::complete(copied));
    EXPECT_FALSE(kest_string_state::complete(assigned));
    EXPECT_FALSE(kest_string_state::complete(appended));
    EXPECT_FALSE(kest_string_state::complete((cut + "x")));
    EXPECT_FALSE(kest_string_state::complete(("x" + cut)));
    EXPECT_FALSE(kest_string_state::complete((kest_string("x") + cut)));
    EXPECT_FALSE(kest_string_state::complete(kest_string("%1").arg(cut)));
    EXPECT_FALSE(kest_string_state::complete(cut.arg(5, 0, 0, 10))) << "no marker left, still cut";
    EXPECT_FALSE(kest_string_state::complete(before));
    EXPECT_FALSE(kest_string_state::complete(after));

    // A whole text assigned over it makes it whole again.
    assigned = "fresh";
    EXPECT_TRUE(kest_string_state::complete(assigned));
    copied = kest_string(kLong.c_str());
    EXPECT_TRUE(kest_string_state::complete(copied));
}

TEST(kest_string_complete, assign_whole_stores_all_or_nothing) {
    kest_string text("previous");
    refuse_heap = true;
    EXPECT_FALSE(kest_string_state::assignWhole(text, kLong.c_str()));
    EXPECT_STREQ(text, "previous");
    EXPECT_TRUE(kest_string_state::complete(text));
    EXPECT_TRUE(kest_string_state::assignWhole(text, "short fits inline"));
    refuse_heap = false;
    EXPECT_STREQ(text, "short fits inline");

    kest_string marked = cutText();
    EXPECT_TRUE(kest_string_state::assignWhole(marked, kLong.c_str()));
    EXPECT_EQ(std::string(marked), kLong);
    EXPECT_TRUE(kest_string_state::complete(marked));
    // Into a string that already has heap room, and from its own text.
    refuse_heap = true;
    EXPECT_TRUE(kest_string_state::assignWhole(marked, static_cast<const char*>(marked) + 1));
    refuse_heap = false;
    EXPECT_EQ(std::string(marked), kLong.substr(1));
    EXPECT_TRUE(kest_string_state::assignWhole(marked, nullptr));
    EXPECT_STREQ(marked, "");
}

TEST(kest_string_complete, lists_report_dropped_and_cut_items) {
    refuse_heap = true;
    kest_stringlist grown;
    grown << "one"
          << "two"
          << "three";  // needs the heap: dropped
    const kest_stringlist split(kest_string("a,b,c,d"), ',');
    refuse_heap = false;
    EXPECT_FALSE(kest_string_state::complete(grown));
    EXPECT_FALSE(kest_string_state::complete(grown.toString(',')));
    EXPECT_FALSE(kest_string_state::complete(split));

    kest_stringlist holdsCut;
    holdsCut << cutText();
    EXPECT_FALSE(kest_string_state::complete(holdsCut));
    EXPECT_FALSE(kest_string_state::complete(holdsCut.toString('\n')));
    EXPECT_FALSE(kest_string_state::complete(kest_stringlist(cutText(), ',')));

    const kest_stringlist whole(kest_string("a,b,c,d"), ',');
    EXPECT_TRUE(kest_string_state::complete(whole));
    EXPECT_TRUE(kest_string_state::complete(kest_stringlist(whole)));
    EXPECT_TRUE(kest_string_state::complete(whole.toString(';')));
    refuse_heap = true;
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): the copy is the test
    const kest_stringlist copy(whole);  // no room for four items
    refuse_heap = false;
    EXPECT_FALSE(kest_string_state::complete(copy));
}

}  // namespace
