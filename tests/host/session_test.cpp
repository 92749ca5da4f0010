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

}  // namespace
}  // namespace kest_host
