// The fuzz host's reply checks must be able to fail, or a clean fuzzing run
// proves nothing: each fault the plug-in could make has to abort the run.
#include "fuzz_host.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "fuzz_input.h"

namespace {

using kest_fuzz::fuzz_host;
using kest_fuzz::fuzz_input;

// Zero bytes: every query gets the ordinary reply, the GPI lookup "40 17".
const uint8_t kCanned[16] = {};

const char* ask(fuzz_host& host, const char* text) {
    return kest_pointer_from_word<const char>(host.command(text, KEST_COMMAND_EXECUTE));
}

TEST(fuzz_host, clean_session_passes) {
    fuzz_input input(kCanned, sizeof(kCanned));
    fuzz_host host(input);
    const char* reply = ask(host, "SD 'LD Button 1'");
    ASSERT_NE(reply, nullptr);
    EXPECT_STREQ(reply, "40 17");
    host.command(reply, KEST_COMMAND_RELEASE);
    host.command(nullptr, KEST_COMMAND_RELEASE);  // a null reply may come back
    host.command("AS", KEST_COMMAND_EXECUTE);
    host.finish();
    EXPECT_EQ(host.commands(), 2);
}

TEST(fuzz_host_death, every_reply_fault_aborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto session = [](auto&& fault) {
        fuzz_input input(kCanned, sizeof(kCanned));
        fuzz_host host(input);
        fault(host);
    };
    EXPECT_DEATH(session([](fuzz_host& host) {
                     const char* reply = ask(host, "RN 12 0 5");
                     host.command(reply, KEST_COMMAND_RELEASE);
                     // Only the value comes back, as a faulty plug-in would send it;
                     // read through volatile so that an optimised build does not
                     // take the host's check for a use of freed memory.
                     const char* volatile again = reply;
                     host.command(again, KEST_COMMAND_RELEASE);
                 }),
                 "handed back twice");
    EXPECT_DEATH(session([](fuzz_host& host) {
                     static const char stranger[] = "not a reply";
                     host.command(stranger, KEST_COMMAND_RELEASE);
                 }),
                 "never a reply");
    EXPECT_DEATH(session([](fuzz_host& host) {
                     ask(host, "XI '1' 'alm_'");
                     host.command("AS", KEST_COMMAND_EXECUTE);
                     host.finish();
                 }),
                 "never handed back");
    EXPECT_DEATH(session([](fuzz_host& host) { host.finish(); }), "not sent exactly once");
    EXPECT_DEATH(session([](fuzz_host& host) {
                     host.command("AS", KEST_COMMAND_EXECUTE);
                     host.command("ET 2", KEST_COMMAND_EXECUTE);
                 }),
                 "after the session end");
    EXPECT_DEATH(session([](fuzz_host& host) { host.command("ZZ 1", KEST_COMMAND_EXECUTE); }),
                 "unknown command");
    EXPECT_DEATH(session([](fuzz_host& host) { host.command("TP x", 3); }), "unknown command code");
}

}  // namespace
