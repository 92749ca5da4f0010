// Behaviours that only a long run used to catch: each gets a short, direct test.
#include "tavrin_fixture.h"

#include <gmock/gmock.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tavrin_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Button n has source 100 + n; the monitor is destination 5 holding 100.
using focused_test = started_panel_test;

TEST_F(focused_test, a_rename_of_the_routed_source_updates_the_current_name_while_an_input_holds) {
    input(2, 1);
    routerReports(102, "Cam");  // routed: source 102 is on the monitor, 100 to restore
    sent();
    databaseChange(kRouter, 0, 102, "Cam 2 new");
    EXPECT_THAT(sent(), ElementsAre(tp("22", "Cam 2 new"), tp("Current_Name", "Cam 2 new")));
    // The source to restore is not on the monitor: its name is not the current one.
    databaseChange(kRouter, 0, 100, "Studio new");
    EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(focused_test, only_the_lowest_high_input_is_routed) {
    input(5, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(105, 5)));
    // No router report yet: neither 102 nor 105 is on the monitor, and only the
    // lowest high input may be routed.
    input(2, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5)));
    input(7, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(102, 5)));
}

TEST_F(focused_test, once_every_input_is_low_router_reports_set_the_source_to_restore) {
    input(2, 1);
    routerReports(102);
    sent();
    input(2, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(100, 5)));
    routerReports(100);
    // Someone else routes the monitor while no input is high: that is what comes back.
    routerReports(107);
    input(3, 1);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(103, 5)));
    routerReports(103);
    input(3, 0);
    EXPECT_THAT(crosspoints(), ElementsAre(rc(107, 5)));
}

#if defined(__GLIBC__)
// Bytes in use on the heap, as the C library counts them.
std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

// Whether those counts see what operator new hands out: not under a sanitizer's
// allocator, where LeakSanitizer watches the same thing.
bool heapCountsSeeNew() {
    constexpr std::size_t kProbe = 1 << 16;
    const std::size_t before = heapInUse();
    char* probe = new char[kProbe];
    const bool seen = heapInUse() >= before + kProbe;
    delete[] probe;
    return seen;
}

TEST_F(focused_test, an_answer_handed_back_with_type_5_is_freed) {
    if (!heapCountsSeeNew()) {
        GTEST_SKIP() << "the C library's heap counts do not see this allocator";
    }
    // A long answer makes every one that is not freed show on the heap.
    const std::string value(4000, 'p');
    const std::string set = "myParam=" + value;
    ask(set.c_str());
    constexpr int kRequests = 200;
    constexpr std::size_t kAnswer = 4000;

    // The check can fail: answers that are not handed back stay on the heap.
    std::vector<char*> held;
    const std::size_t beforeHeld = heapInUse();
    for (int i = 0; i < kRequests / 4; ++i) {
        held.push_back(
            panel->callback(reinterpret_cast<intptr_t>("return=all"), KEST_EVENT_PARENT_REQUEST));
        ASSERT_NE(held.back(), nullptr);
    }
    EXPECT_GE(heapInUse() - beforeHeld, held.size() * kAnswer);
    for (char* answer : held) {
        panel->callback(reinterpret_cast<intptr_t>(answer), KEST_EVENT_RELEASE);
    }
    EXPECT_LT(heapInUse(), beforeHeld + kAnswer);

    // Handed back one by one, as a host does.
    const std::size_t before = heapInUse();
    for (int i = 0; i < kRequests; ++i) {
        ASSERT_EQ(ask("return=all"), "myParam=" + value);
    }
    EXPECT_LT(heapInUse(), before + 4 * kAnswer) << "answers handed back were not freed";
}
#endif

}  // namespace
}  // namespace tavrin_test
