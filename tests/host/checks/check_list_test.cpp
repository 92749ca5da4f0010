#include "checks/check_list.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "checks/validator.h"
#include "text_file.h"

namespace kest_host {
namespace {

TEST(check_list, each_check_is_registered_once_with_its_id_description_and_skip_reason) {
    validator v;
    std::set<std::string> ids;
    for (std::size_t i = 0; i < static_cast<std::size_t>(check_id::count_); ++i) {
        const check& c = v.get(static_cast<check_id>(i));
        EXPECT_TRUE(ids.insert(c.id()).second) << c.id();
        EXPECT_FALSE(std::string(c.description()).empty()) << c.id();
        EXPECT_FALSE(c.skip_reason().empty()) << c.id();
        EXPECT_EQ(c.result(), check_result::skipped) << c.id();
    }
    EXPECT_STREQ(v.get(check_id::crosspoint_valid).id(), "crosspoint-valid");
    EXPECT_TRUE(v.get(check_id::known_devices).warning_only());
    EXPECT_FALSE(v.get(check_id::replies_untouched).warning_only());
}

// The manual's table of checks is made from the checks themselves: a check added,
// renamed or reworded must show there too.
TEST(check_list, the_manual_table_matches_the_checks) {
    const std::string table = markdown_check_table();
    for (const auto& each : make_all_checks()) {
        EXPECT_NE(table.find(std::string("| `") + each->id() + "` |"), std::string::npos)
            << each->id();
    }
    std::string text;
    ASSERT_TRUE(kest_test::read_text_file(KEST_HOST_MANUAL, text)) << KEST_HOST_MANUAL;
    EXPECT_NE(text.find(table), std::string::npos)
        << "docs/kest-host.md: put this table in place of its checks table:\n"
        << table;
}

}  // namespace
}  // namespace kest_host
