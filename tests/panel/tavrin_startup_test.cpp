// Start-up and shutdown of the panel, command for command.
#include "tavrin_fixture.h"

#include <gmock/gmock.h>

namespace tavrin_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// Everything start-up sends after the lookups of the tally and GPI devices resolved
// to `tally` and `gpi` at `first`.
std::vector<std::string> startupCommands(const std::string& show, int32_t tally, int32_t gpi,
                                         int32_t first) {
    const std::string t = std::to_string(tally);
    const std::string g = std::to_string(gpi);
    const std::string range = std::to_string(first) + " " + std::to_string(first + 7);
    std::vector<std::string> expected = {
        show,
        "SD 'Vesk SDI Router'",
        "SD 'Vesk Tally Infodriver'",
        tp("ID_ID", t),
        tp("ID_Slots", "61 - 69"),
        "SD 'LD Button 1'",
        tp("GPIDriverID", g),
        tp("GPIslots", std::to_string(first) + " - " + std::to_string(first + 7)),
    };
    for (int n = 1; n <= 8; ++n) {
        expected.push_back(style(n, false));
    }
    expected.push_back("ET 2 1000");
    expected.push_back("IR " + t + " 61 69");
    expected.push_back("IP " + t + " 61 69");
    expected.push_back("GR " + g + " " + range);
    expected.push_back("GP " + g + " " + range);
    return expected;
}

std::string showCommand() {
    return "PS '1' '" + pluginDir() + "/LD_Auto.kest_ui'";
}

TEST_F(panel_test, startup_sends_the_whole_sequence_in_order_and_shutdown_undoes_it) {
    scriptDevices();
    start();
    // Each lookup reply was handed back once.
    EXPECT_THAT(host.releases(), ElementsAre("7 0", "12 0", "30 17"));
    EXPECT_EQ(host.outstandingReplies(), 0u);
    EXPECT_THAT(sent(), ElementsAreArray(startupCommands(showCommand(), kTally, kGpi, 17)));

    destroy();
    // No router registration was made, and timer 2 still runs.
    EXPECT_THAT(sent(), ElementsAre("GU 30", "IU 12", "ET 2", "AS"));
}

TEST_F(panel_test, failed_lookups_leave_every_device_and_offset_zero) {
    // No SD reply at all: the host has none of the three instances.
    start();
    EXPECT_THAT(sent(), ElementsAreArray(startupCommands(showCommand(), 0, 0, 0)));
    destroy();
    EXPECT_THAT(sent(), ElementsAre("GU 0", "IU 0", "ET 2", "AS"));
}

TEST_F(panel_test, a_refused_layout_does_not_stop_startup) {
    scriptDevices();
    host.setShowResult(0);
    start();
    EXPECT_THAT(sent(), ElementsAreArray(startupCommands(showCommand(), kTally, kGpi, 17)));
}

TEST_F(panel_test, an_empty_layout_path_shows_the_bare_file_name) {
    scriptDevices();
    panel = library().factory()(&host, "");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(sent().front(), "PS '1' 'LD_Auto.kest_ui'");
}

TEST_F(panel_test, shutdown_after_routing_started_drops_the_router_and_keeps_the_monitor) {
    scriptDevices();
    start();
    fillTally();
    input(3, 1);
    sent();
    destroy();
    // The timer was stopped by the first tally answer; no crosspoint, no control.
    EXPECT_THAT(sent(), ElementsAre("RU 7", "GU 30", "IU 12", "AS"));
}

TEST_F(panel_test, without_a_host_the_panel_still_starts_runs_answers_and_ends) {
    start(nullptr);
    // Every kind of event reaches a panel that cannot send anything.
    revertive(0, 61, 0, "101");
    revertive(0, 69, 0, "5");
    revertive(0, 0, 1);
    databaseChange(0, 0, 101, "Cam");
    tick(2);
    tick(9);
    EXPECT_EQ(ask("myParam=quiet"), "<null>");
    EXPECT_EQ(ask("return=all"), "myParam=quiet");
    destroy();
    EXPECT_THAT(host.calls(), IsEmpty());
}

}  // namespace
}  // namespace tavrin_test
