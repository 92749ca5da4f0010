// The binding when memory runs out: a command goes out whole or not at all, a query
// whose text cannot be built is not sent, a reply that cannot be kept whole is
// handed back and counts as none, an event's text that cannot be copied whole
// reads as empty, and a parent request's answer whose copy for the host cannot be
// made reaches the host as null. The program replaces operator new, so that
// one allocation of at least a given size can be made to fail.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kest_script_helper.h"
#include "parsed_request.h"
#include "recording_host.h"
#include "replaced_allocator.h"
#include "test_panel.h"

namespace {

using kest_test::items;
using kest_test::test_panel;
using texts = std::vector<std::string>;

// The next allocation of at least this many bytes fails; 0 is off.
std::size_t& failFrom = kest_test::allocations.failFrom;

const std::string kLong(400, 'v');

// A recording host that arms the failing allocation right after it has handed out
// the reply to one query, so that the plug-in's copy of that reply is what fails.
// With `refuseAfterRelease` it instead refuses every allocation once that reply
// has been handed back: the copy is whole, what the plug-in makes of it is not.
class starving_host : public kest_test::recording_host {
  public:
    std::string starved;
    std::size_t failSize = 0;
    bool refuseAfterRelease = false;

    intptr_t command(const char* text, int32_t code) override {
        const bool isStarved = text != nullptr && starved == text;
        const intptr_t result = recording_host::command(text, code);
        if (code == KEST_COMMAND_EXECUTE && isStarved && !refuseAfterRelease) {
            failFrom = failSize;
        }
        if (code == KEST_COMMAND_EXECUTE && isStarved && refuseAfterRelease) {
            starved = kest_pointer_from_word<const char>(result);  // watch for its release
        } else if (code == KEST_COMMAND_RELEASE && isStarved && refuseAfterRelease) {
            kest_test::allocations.refuseAll = true;
        }
        return result;
    }
};

struct out_of_memory : ::testing::Test {
    starving_host host;
    test_panel panel{&host, ""};

    void TearDown() override {
        failFrom = 0;
        EXPECT_TRUE(host.releasesBalanced());
    }
};

TEST_F(out_of_memory, a_joined_command_that_cannot_be_built_is_not_sent) {
    // Every argument is whole; the join itself gets no room.
    const kest_string value(kLong.c_str());
    failFrom = kLong.size() + 100;
    panel.textPut("text", value, "1", "Current_Name");
    EXPECT_EQ(failFrom, 0u) << "the join never asked for the heap";
    EXPECT_EQ(host.commands(), texts{});

    // With the heap back the same command goes out whole.
    panel.textPut("text", value, "1", "Current_Name");
    EXPECT_EQ(host.commands(), texts{"TP 'text=" + kLong + "' '1' 'Current_Name'"});
}

TEST_F(out_of_memory, a_layout_folder_that_cannot_be_kept_refuses_every_layout) {
    kest_test::allocations.refuseAll = true;
    test_panel cutPath(&host, kLong.c_str());
    kest_test::allocations.refuseAll = false;
    EXPECT_FALSE(cutPath.panelShow("1", "LD_Auto.kest_ui", ""));
    EXPECT_EQ(host.commands(), texts{});

    test_panel wholePath(&host, kLong.c_str());
    EXPECT_TRUE(wholePath.panelShow("1", "LD_Auto.kest_ui", ""));
    EXPECT_EQ(host.commands(), texts{"PS '1' '" + kLong + "/LD_Auto.kest_ui'"});
}

TEST_F(out_of_memory, an_event_text_that_cannot_be_copied_whole_reads_as_empty) {
    const std::string text = "myParam=" + kLong;
    parsed_request request(text.c_str());
    const request_event event(&request);
    // The copy's room is refused: no part of the value escapes.
    failFrom = kLong.size();
    const kest_string value = event.value();
    EXPECT_EQ(failFrom, 0u) << "the copy never asked for the heap";
    EXPECT_STREQ(value, "");
    EXPECT_EQ(std::string(event.value()), kLong) << "with the heap back, the whole value";
}

TEST_F(out_of_memory, an_arg_command_that_cannot_be_filled_is_not_sent) {
    // The arguments are whole; the filled text gets no room. The literal template
    // must never go out: "SD '%1'" or "RC ... ',%4'". (The sizes let the copy of
    // the argument through and stop the larger filled text.)
    const kest_string value(kLong.c_str());
    failFrom = kLong.size() + 10;
    panel.routerCrosspoint(12, 5, 3, value, false);
    EXPECT_EQ(failFrom, 0u);

    int device = 9;
    int offset = 9;
    failFrom = kLong.size() + 5;
    EXPECT_FALSE(panel.deviceLookup(value, &device, &offset));
    EXPECT_EQ(failFrom, 0u);
    EXPECT_EQ(device, 0);
    EXPECT_EQ(offset, 0);

    failFrom = kLong.size() + 5;
    EXPECT_TRUE(items(panel.controlIdList(value, "alm_")).empty());
    EXPECT_EQ(failFrom, 0u);

    // With the heap back, all three go out whole.
    panel.routerCrosspoint(12, 5, 3, value, false);
    panel.deviceLookup(value, nullptr, nullptr);
    panel.controlIdList(value, "alm_");
    EXPECT_EQ(host.commands(), (texts{"RC 12 5 3 '," + kLong + "' 0", "SD '" + kLong + "'",
                                      "XI '" + kLong + "' 'alm_'"}));
}

TEST_F(out_of_memory, a_reply_that_cannot_be_copied_whole_is_handed_back_and_counts_as_none) {
    const std::string longReply(500, 'n');
    host.failSize = longReply.size();
    host.reply("RN 12 0 5", longReply);
    host.reply("SD 'Vesk SDI Router'", "12 " + longReply);
    host.reply("TG '1' 'alm_1' 'all'", longReply);

    host.starved = "RN 12 0 5";
    kest_string name("Cam 5");
    panel.routerName(12, 0, 5, name);
    EXPECT_EQ(failFrom, 0u) << "the reply was never copied";
    EXPECT_STREQ(name, "Cam 5") << "no reply leaves the name as it was";

    host.starved = "SD 'Vesk SDI Router'";
    int device = 9;
    EXPECT_FALSE(panel.deviceLookup("Vesk SDI Router", &device, nullptr));
    EXPECT_EQ(device, 0);

    host.starved = "TG '1' 'alm_1' 'all'";
    kest_string result("previous");
    panel.textGet("all", "1", "alm_1", result);
    EXPECT_STREQ(result, "");

    EXPECT_EQ(host.releases(), (texts{longReply, "12 " + longReply, longReply}));
}

TEST_F(out_of_memory, a_property_value_that_cannot_be_kept_whole_counts_as_no_reply) {
    const std::string longValue(500, 'w');
    host.reply("TG '1' 'alm_1' 'value'", "value=" + longValue);
    host.starved = "TG '1' 'alm_1' 'value'";
    host.refuseAfterRelease = true;
    kest_string result("previous");
    panel.textGet("value", "1", "alm_1", result);
    kest_test::allocations.refuseAll = false;
    EXPECT_STREQ(result, "") << "not a value cut to the room there was";
    EXPECT_EQ(host.releases(), texts{"value=" + longValue});
}

TEST_F(out_of_memory, an_id_list_that_cannot_hold_every_id_counts_as_no_reply) {
    // Three ids outgrow the list's inline room; its heap block is refused.
    host.reply("XI '1' 'alm_'", "alm_1,alm_2,alm_3");
    host.starved = "XI '1' 'alm_'";
    host.failSize = 3 * sizeof(kest_string);
    EXPECT_TRUE(items(panel.controlIdList("1", "alm_")).empty());
    EXPECT_EQ(failFrom, 0u);
    EXPECT_EQ(host.releases(), texts{"alm_1,alm_2,alm_3"});

    // The alarm take-over then writes to no control at all.
    host.clear();
    panel.alarmGroupApply("1");
    host.failSize = 0;  // and with the heap back, to all three
    panel.alarmGroupApply("1");
    EXPECT_EQ(host.commands().size(), 1u + 1u + 3u * 2u);
}

TEST_F(out_of_memory, an_answer_that_could_not_be_made_whole_reaches_the_host_as_null) {
    // The answer itself is whole; the copy handed to the host gets no room.
    panel.answer = kLong.substr(0, 300).c_str();
    failFrom = 200;
    char* answer =
        panel.callback(reinterpret_cast<intptr_t>("return=all"), KEST_EVENT_PARENT_REQUEST);
    EXPECT_EQ(failFrom, 0u) << "the answer was never copied";
    EXPECT_EQ(answer, nullptr);

    panel.answer = kLong.c_str();
    answer = panel.callback(reinterpret_cast<intptr_t>("return=all"), KEST_EVENT_PARENT_REQUEST);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(std::string(answer), kLong);
    panel.callback(reinterpret_cast<intptr_t>(answer), KEST_EVENT_RELEASE);
}

TEST_F(out_of_memory, a_property_is_stored_whole_or_keeps_its_value) {
    struct storing_panel : test_panel {
        using test_panel::storeWhole;
        using test_panel::test_panel;
    };
    kest_string property("previous");
    kest_test::allocations.refuseAll = true;
    const bool stored = storing_panel::storeWhole(property, kLong.c_str());
    kest_test::allocations.refuseAll = false;
    EXPECT_FALSE(stored);
    EXPECT_STREQ(property, "previous");
    EXPECT_TRUE(storing_panel::storeWhole(property, kLong.c_str()));
    EXPECT_EQ(std::string(property), kLong);
}

}  // namespace
