#include "kest_script_helper.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debug_output_capture.h"
#include "recording_host.h"
#include "test_panel.h"

namespace {

using kest_test::recording_host;
using kest_test::test_panel;
using texts = std::vector<std::string>;

const char kList[] = "XI '1' 'alm_'";

std::string alarm(const std::string& control, const std::string& state) {
    return "TP 'alarm=" + state + "' '1' '" + control + "'";
}
std::string read(const std::string& control) {
    return "TG '1' '" + control + "' 'value'";
}
std::string write(const std::string& control, const std::string& value) {
    return "TP 'value=" + value + "' '1' '" + control + "'";
}

struct alarm_group : ::testing::Test {
    recording_host host;
    test_panel panel{&host, ""};

    void controls(const char* ids) { host.reply(kList, std::string(ids)); }
    void reads(const std::string& control, const std::string& value) {
        host.reply(read(control), "value=" + value);
    }
    texts apply(const char* state) {
        panel.alarmGroupApply(state);
        EXPECT_TRUE(host.releasesBalanced()) << state;
        texts sent = host.commands();
        host.clear();
        return sent;
    }
};

TEST_F(alarm_group, acknowledgement_reads_then_overwrites_only_values_outside_the_kept_set) {
    controls("A,B");
    reads("A", "1");
    reads("B", "3");
    EXPECT_EQ(apply("ack"), (texts{kList, alarm("A", "ack"), read("A"), write("A", "4"),
                                   alarm("B", "ack"), read("B")}));
    // "4", as AckAll passes it, acknowledges the same way but writes "4" as the alarm.
    EXPECT_EQ(apply("4"), (texts{kList, alarm("A", "4"), read("A"), write("A", "4"),
                                 alarm("B", "4"), read("B")}));
}

TEST_F(alarm_group, acknowledgement_keeps_zero_and_two_to_five) {
    struct row {
        const char* read;
        bool written;
    };
    const row rows[] = {{"0", false},   {"1", true},  {"2", false}, {"3", false},
                        {"4", false},   {"5", false}, {"6", true},  {"7", true},
                        {"-1", true},   {"", false},  {"x", false}, {"99999999999", true},
                        {"5abc", false}};
    controls("A");
    for (const row& r : rows) {
        reads("A", r.read);
        texts expected = {kList, alarm("A", "ack"), read("A")};
        if (r.written) {
            expected.push_back(write("A", "4"));
        }
        EXPECT_EQ(apply("ack"), expected) << "read " << r.read;
    }
}

TEST_F(alarm_group, a_mismatched_read_counts_as_zero) {
    controls("A");
    host.reply(read("A"), std::string("alarm=1"));
    debug_output_capture trace;
    EXPECT_EQ(apply("ack"), (texts{kList, alarm("A", "ack"), read("A")}));
    EXPECT_NE(trace.take(), "");
    host.reply(read("A"), std::nullopt);
    EXPECT_EQ(apply("ack"), (texts{kList, alarm("A", "ack"), read("A")}));
}

TEST_F(alarm_group, single_digit_states_write_their_value_without_reading) {
    controls("A,B");
    EXPECT_EQ(apply("2"),
              (texts{kList, alarm("A", "2"), write("A", "2"), alarm("B", "2"), write("B", "2")}));
    EXPECT_EQ(apply("0"),
              (texts{kList, alarm("A", "0"), write("A", "0"), alarm("B", "0"), write("B", "0")}));
    // A one-character state that is not a digit reads as 0.
    EXPECT_EQ(apply("x"),
              (texts{kList, alarm("A", "x"), write("A", "0"), alarm("B", "x"), write("B", "0")}));
}

TEST_F(alarm_group, other_states_write_only_the_alarm) {
    controls("A,B");
    for (const char* state : {"", "12", "Ack", "ack ", "-1"}) {
        EXPECT_EQ(apply(state), (texts{kList, alarm("A", state), alarm("B", state)})) << state;
    }
}

TEST_F(alarm_group, no_controls_or_no_host_write_nothing) {
    host.reply(kList, std::nullopt);
    EXPECT_EQ(apply("ack"), (texts{kList}));
    controls("");
    EXPECT_EQ(apply("2"), (texts{kList}));

    test_panel withoutHost(nullptr, "");
    withoutHost.alarmGroupApply("ack");  // must not crash; nothing to send to
}

}  // namespace
