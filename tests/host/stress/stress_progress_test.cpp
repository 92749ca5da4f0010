// What a person reads of a stress run: plain times and rates, the progress text, the
// replay commands of findings, and a progress line that never mixes with other output.
#include "stress/stress_run_progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kest_host {
namespace {

TEST(stress_progress, times_are_in_plain_units) {
    EXPECT_EQ(plain_duration(8.9e-05), "0.09 ms");
    EXPECT_EQ(plain_duration(0), "0 ms");
    EXPECT_EQ(plain_duration(0.0123), "12 ms");
    EXPECT_EQ(plain_duration(0.9994), "999 ms");
    EXPECT_EQ(plain_duration(2.04), "2.0 s");
    EXPECT_EQ(plain_duration(59.94), "59.9 s");
    EXPECT_EQ(plain_duration(59.96), "1 min");
    EXPECT_EQ(plain_duration(192.4), "3 min 12 s");
    EXPECT_EQ(plain_duration(7500), "2 h 5 min");
    for (const double s : {1e-9, 3.3e-7, 1e-3, 0.5, 5.0, 1e3, 1e6}) {
        EXPECT_EQ(plain_duration(s).find('e'), std::string::npos) << s;
    }
}

TEST(stress_progress, rate_and_time_left) {
    EXPECT_EQ(plain_rate(20000, 2.0), "10000");
    EXPECT_EQ(plain_rate(5, 0), "0");
    EXPECT_EQ(progress_text(2500, 10000, 0.5),
              "Stress: 2500 of 10000 events, 5000 events/s, 1.5 s left");
    EXPECT_EQ(progress_text(0, 10000, 0.1), "Stress: 0 of 10000 events, 0 events/s");
    EXPECT_EQ(progress_text(10000, 10000, 2), "Stress: 10000 of 10000 events, 5000 events/s");
}

TEST(stress_progress, replay_commands_stop_at_the_finding_and_trace_its_last_events) {
    EXPECT_EQ(replay_command(40, 7, ""), "kest-host --stress 40 --seed 7 --from 36");
    EXPECT_EQ(replay_command(3, 7, ""), "kest-host --stress 3 --seed 7 --from 1");
    EXPECT_EQ(replay_command(0, 7, ""), "kest-host --stress 1 --seed 7 --from 0");
    EXPECT_EQ(replay_command(40, 7, "", true), "kest-host --stress 40 --seed 7 --faults --from 36");
    EXPECT_EQ(replay_command(9, 1, "bin/libX.so"),
              "kest-host --stress 9 --seed 1 --from 5 --plugin bin/libX.so");
    EXPECT_EQ(stress_command(100, 2, std::nullopt, "/a b/it's.so"),
              "kest-host --stress 100 --seed 2 --plugin '/a b/it'\\''s.so'");
}

TEST(stress_progress, the_line_is_erased_before_other_output) {
    std::ostringstream terminal;
    std::ostringstream other;
    std::streambuf* const original = other.rdbuf();
    {
        progress_line line(terminal, {&terminal, &other});
        line.show("Stress: 10 of 20 events", true);
        line.show("Stress: 11 of 20", false);  // too soon: not drawn
        other << "finding\n";
        line.show("Stress: 12 of 20", true);
        terminal << "x";
    }
    EXPECT_EQ(other.rdbuf(), original);
    EXPECT_EQ(other.str(), "finding\n");
    const std::string blank23 = "\r" + std::string(23, ' ') + "\r";
    const std::string blank16 = "\r" + std::string(16, ' ') + "\r";
    EXPECT_EQ(terminal.str(),
              "\rStress: 10 of 20 events" + blank23 + "\rStress: 12 of 20" + blank16 + "x");
}

}  // namespace
}  // namespace kest_host
