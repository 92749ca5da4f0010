#include "reply_ledger.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kest_ledger {
namespace {

TEST(reply_ledger, a_reply_comes_back_once_poisoned_and_a_second_time_is_named) {
    reply_ledger ledger({0xFE, kKeepAll, false});
    const char* reply = ledger.hand_out("Cam 7", "RN 12 0 7");
    EXPECT_STREQ(reply, "Cam 7");
    const release_outcome first = ledger.release(reply);
    EXPECT_EQ(first.kind, released::first);
    EXPECT_EQ(first.text, "Cam 7");
    EXPECT_EQ(static_cast<unsigned char>(reply[0]), 0xFE) << "poisoned, still allocated";
    EXPECT_EQ(reply[5], '\0');
    const release_outcome again = ledger.release(reply);
    EXPECT_EQ(again.kind, released::again);
    EXPECT_EQ(again.label, "RN 12 0 7");
    char foreign[] = "40 17";
    EXPECT_EQ(ledger.release(foreign).kind, released::unknown);
    EXPECT_EQ(ledger.release(nullptr).kind, released::null_reply);
}

TEST(reply_ledger, finish_names_open_replies_in_order_and_catches_late_writes) {
    reply_ledger ledger({0xFE, kKeepAll, false});
    std::vector<std::string> written;
    ledger.on_late_write([&](const std::string& label) { written.push_back(label); });
    ledger.hand_out("a", "first");
    char* kept = const_cast<char*>(ledger.hand_out("bc", "written"));
    ledger.hand_out("d", "third");
    ledger.release(kept);
    kept[1] = 'X';
    EXPECT_EQ(ledger.outstanding(), 2u);
    EXPECT_EQ(ledger.finish(), (std::vector<std::string>{"first", "third"}));
    EXPECT_EQ(written, (std::vector<std::string>{"written"}));
}

TEST(reply_ledger, a_bounded_quarantine_checks_what_it_evicts_and_then_forgets_it) {
    reply_ledger ledger({0xFE, 1, false});
    std::vector<std::string> written;
    ledger.on_late_write([&](const std::string& label) { written.push_back(label); });
    char* old = const_cast<char*>(ledger.hand_out("xy", "old"));
    ledger.release(old);
    old[0] = 'Z';  // still in quarantine: allowed to touch here, caught on eviction
    ledger.release(ledger.hand_out("z", "new"));
    EXPECT_EQ(written, (std::vector<std::string>{"old"}));
    EXPECT_TRUE(ledger.finish().empty());
}

TEST(reply_ledger, freed_at_once_it_still_tells_a_double_release_from_a_stranger) {
    reply_ledger ledger({0xDD, 0, true});
    const char* reply = ledger.hand_out("12 0", "SD");
    EXPECT_EQ(ledger.release(reply).kind, released::first);
    EXPECT_EQ(ledger.release(reply).kind, released::again);
    EXPECT_EQ(ledger.outstanding(), 0u);
    EXPECT_EQ(ledger.handed_out(), 1u);
}

}  // namespace
}  // namespace kest_ledger
