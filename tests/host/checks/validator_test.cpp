#include "checks/validator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kest_host {
namespace {

TEST(validator, results_follow_findings_and_the_table_says_why) {
    validator v;
    v.exercised(check_id::commands_well_formed);
    v.finding(check_id::crosspoint_valid, "`RC 12 5 0 ',' 0` names destination 0");
    v.set_skip_reason(check_id::routing_model, "runs in stress mode only");
    EXPECT_EQ(v.result(check_id::commands_well_formed), check_result::passed);
    EXPECT_EQ(v.result(check_id::crosspoint_valid), check_result::warning);
    EXPECT_EQ(v.result(check_id::routing_model), check_result::skipped);
    EXPECT_FALSE(v.any_failed()) << "a warning fails nothing";
    for (int i = 0; i < 8; ++i) {
        v.finding(check_id::controls_in_layout, "finding " + std::to_string(i));
    }
    EXPECT_TRUE(v.any_failed());
    EXPECT_EQ(v.messages(check_id::controls_in_layout).size(), validator::kMessagesKept);
    const std::string table = v.table(false);
    EXPECT_NE(table.find("FAILED  controls-in-layout (8 findings)"), std::string::npos) << table;
    EXPECT_NE(table.find("- ... and 3 more"), std::string::npos);
    EXPECT_NE(table.find("skipped routing-model (runs in stress mode only)"), std::string::npos);
    EXPECT_NE(table.find("warning crosspoint-valid (1 finding)"), std::string::npos);
}

TEST(validator, the_table_fits_80_columns) {
    validator v;
    v.finding(check_id::commands_well_formed,
              "`" + std::string(150, 'X') + "` is " + std::string(20, 'y') + " words long");
    const std::string table = v.table(false);
    std::size_t start = 0;
    for (auto end = table.find('\n'); end != std::string::npos;
         start = end + 1, end = table.find('\n', start)) {
        EXPECT_LE(end - start, 80u) << table.substr(start, end - start);
    }
    EXPECT_NE(
        table.find("          Every query reply is handed back exactly once with code 5, and only\n"
                   "          replies the host gave are handed back."),
        std::string::npos)
        << "descriptions wrap at a blank: " << table;
}

TEST(validator, findings_carry_the_place_and_reach_the_sink_as_they_happen) {
    std::vector<std::string> seen;
    validator v([&](const check& c, bool failure, const std::string& message) {
        seen.push_back(std::string(failure ? "F " : "W ") + c.id() + " " + message);
    });
    v.set_location("at t.scn:4");
    v.settled({true, 10, 3});
    v.model(nullptr);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0],
              "F events-settle more than 10 events in one step: the panel's commands keep "
              "causing events (3 dropped) (at t.scn:4)");
    EXPECT_EQ(v.result(check_id::routing_model), check_result::passed);
}

}  // namespace
}  // namespace kest_host
