#include "plugin/plugin_session.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace kest_host {
namespace {

std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(plugin_session, every_mode_prints_the_same_number_of_findings_then_counts) {
    std::ostringstream out;
    session_options options;
    options.plugin = "/nonexistent/libX.so";
    plugin_session session(options, out);
    session.set_location("at t.scn:1");
    for (int i = 0; i < 60; ++i) {
        session.checks().finding(check_id::known_devices, "finding " + std::to_string(i));
    }
    session.checks().finding(check_id::controls_in_layout, "another check");
    const std::string text = out.str();
    EXPECT_EQ(count_of(text, "check warning known-devices: finding"),
              plugin_session::kFindingsPrinted);
    EXPECT_EQ(count_of(text, "(further findings of known-devices are only counted)"), 1u);
    EXPECT_NE(text.find("CHECK FAILED controls-in-layout: another check (at t.scn:1)"),
              std::string::npos)
        << "each check has its own limit";
    EXPECT_EQ(session.checks().findings(check_id::known_devices), 60u);
}

TEST(plugin_session, a_plug_in_that_cannot_be_loaded_is_named_and_nothing_runs) {
    std::ostringstream out;
    session_options options;
    options.plugin = "/nonexistent/libX.so";
    options.quiet = true;
    plugin_session session(options, out);
    EXPECT_EQ(session.options().layout_dir, "/nonexistent") << "beside the plug-in by default";
    EXPECT_FALSE(session.start());
    EXPECT_EQ(session.error().rfind("cannot load plug-in /nonexistent/libX.so: ", 0), 0u)
        << session.error();
    EXPECT_FALSE(session.live());
    session.end();
    EXPECT_FALSE(session.print_checks());
    EXPECT_NE(out.str().find("skipped no-command-after-delete (the panel was never deleted)"),
              std::string::npos);
}

TEST(plugin_session, findings_reach_the_report_as_they_happen_and_the_checks_at_the_end) {
    std::ostringstream out;
    report::recorder rec;
    session_options options;
    options.plugin = "/nonexistent/libX.so";
    options.quiet = true;
    options.recorder = &rec;
    plugin_session session(options, out);
    rec.begin_suite("t.scn");
    rec.begin_step(3, "press 1");
    session.set_location("at t.scn:3");
    session.checks().finding(check_id::crosspoint_valid, "RC 1 0 0");
    EXPECT_FALSE(rec.record().suites[0].steps[0].failed) << "a warning fails no step";
    session.checks().finding(check_id::controls_in_layout, "TP 'x' on no panel");
    const report::step_record& step = rec.record().suites[0].steps[0];
    ASSERT_EQ(step.entries.size(), 2u);
    EXPECT_EQ(step.entries[1].kind, report::entry_kind::finding);
    EXPECT_TRUE(step.failed);
    EXPECT_NE(step.failure.find("controls-in-layout: TP 'x' on no panel (at t.scn:3)"),
              std::string::npos)
        << step.failure;

    const auto checks = check_records(session.checks());
    ASSERT_EQ(checks.size(), static_cast<std::size_t>(check_id::count_));
    const auto& layout = checks[static_cast<std::size_t>(check_id::controls_in_layout)];
    EXPECT_EQ(layout.id, "controls-in-layout");
    EXPECT_EQ(layout.status, report::check_status::failed);
    EXPECT_EQ(layout.finding_count, 1u);
    const auto& model = checks[static_cast<std::size_t>(check_id::routing_model)];
    EXPECT_EQ(model.status, report::check_status::skipped);
    EXPECT_FALSE(model.skip_reason.empty());
    EXPECT_EQ(checks[static_cast<std::size_t>(check_id::crosspoint_valid)].status,
              report::check_status::warning);
}

}  // namespace
}  // namespace kest_host
