// The recording host is what the other tests trust to catch release faults, so it
// must itself fail on a faulty plug-in.
#include "recording_host.h"

#include <gtest/gtest.h>

namespace {

const char* ask(kest_test::recording_host& host, const char* text) {
    return kest_pointer_from_word<const char>(host.command(text, KEST_COMMAND_EXECUTE));
}

TEST(recording_host, replies_by_exact_text_then_longest_prefix_then_default) {
    kest_test::recording_host host;
    host.reply("TG '1' 'a' 'value'", "exact");
    host.replyPrefix("TG '1' ", "short");
    host.replyPrefix("TG '1' 'b'", "long");
    host.replyDefault(std::string("fallback"));

    const char* exact = ask(host, "TG '1' 'a' 'value'");
    const char* longest = ask(host, "TG '1' 'b' 'value'");
    const char* shorter = ask(host, "TG '1' 'c' 'value'");
    const char* fallback = ask(host, "SD 'x'");
    const char* notQuery = ask(host, "TP 'text=1' '1' 'x'");
    EXPECT_STREQ(exact, "exact");
    EXPECT_STREQ(longest, "long");
    EXPECT_STREQ(shorter, "short");
    EXPECT_STREQ(fallback, "fallback");
    EXPECT_EQ(notQuery, nullptr);
    EXPECT_EQ(host.outstandingReplies(), 4u);
    for (const char* reply : {exact, longest, shorter, fallback}) {
        host.command(reply, KEST_COMMAND_RELEASE);
    }
    EXPECT_TRUE(host.releasesBalanced());
    EXPECT_EQ(host.releases(), (std::vector<std::string>{"exact", "long", "short", "fallback"}));
}

TEST(recording_host, flags_double_unknown_and_missing_releases) {
    kest_test::recording_host host;
    host.replyDefault(std::string("12 5"));
    const char* reply = ask(host, "SD 'x'");
    host.command(reply, KEST_COMMAND_RELEASE);
    host.command(reply, KEST_COMMAND_RELEASE);
    EXPECT_EQ(host.doubleReleases(), 1);

    const char stranger[] = "12 5";
    host.command(stranger, KEST_COMMAND_RELEASE);
    EXPECT_EQ(host.unknownReleases(), 1);

    host.command(nullptr, KEST_COMMAND_RELEASE);
    EXPECT_EQ(host.nullReleases(), 1);

    ask(host, "SD 'y'");
    EXPECT_EQ(host.outstandingReplies(), 1u);
    EXPECT_FALSE(host.releasesBalanced());
}

TEST(recording_host, show_result_and_null_replies) {
    kest_test::recording_host host;
    EXPECT_EQ(host.command("PS '1' 'f'", KEST_COMMAND_EXECUTE), 1);
    host.setShowResult(0);
    EXPECT_EQ(host.command("PS '1' 'f'", KEST_COMMAND_EXECUTE), 0);
    host.reply("RN 1 2 3", std::nullopt);
    EXPECT_EQ(ask(host, "RN 1 2 3"), nullptr);
    EXPECT_EQ(host.repliesHandedOut(), 0);
    EXPECT_EQ(host.commands(), (std::vector<std::string>{"PS '1' 'f'", "PS '1' 'f'", "RN 1 2 3"}));
}

}  // namespace
