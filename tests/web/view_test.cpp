// The page's parts as the host draws them: only changed parts are sent again, high
// inputs and faults show, the trace is bounded, and hostile texts stay text.
#include "web/web_view.h"

#include <gtest/gtest.h>

#include <map>

#include "checks/validator.h"

namespace kest_host::web {
namespace {

std::map<std::string, std::string> by_part(const std::vector<std::string>& messages) {
    std::map<std::string, std::string> out;
    for (const auto& m : messages) {
        const auto cut = m.find('\n');
        EXPECT_NE(cut, std::string::npos) << m;
        out[m.substr(0, cut)] = m.substr(cut + 1);
    }
    return out;
}

struct view_test : ::testing::Test {
    view_test() : host(checks), view("studio <b>.scn") {
        host.world().add_router(12);
        host.world().add_gpi(40);
        host.world().instances().add("LD Button 1", 40, 17);
    }
    validator checks;
    sim_host host;
    page_view view;
};

TEST_F(view_test, EveryPartFirstThenOnlyWhatChanged) {
    const auto first = by_part(view.refresh(host, std::nullopt));
    for (const char* part : {"title", "panel", "devices", "inputs", "faults", "trace"}) {
        EXPECT_EQ(first.count(part), 1U) << part;
    }
    EXPECT_EQ(first.at("title"), "studio <b>.scn");  // plain text: the page sets textContent
    EXPECT_TRUE(view.refresh(host, std::nullopt).empty());
    EXPECT_EQ(view.everything().size(), 6U);

    host.world().find_as<gpi>(40)->set_input(18, 1);  // input 2 at index 17 + 1
    const auto changed = by_part(view.refresh(host, std::nullopt));
    ASSERT_EQ(changed.size(), 1U);
    const std::string& inputs = changed.at("inputs");
    EXPECT_NE(inputs.find("data-input=\"2\" data-high=\"1\""), std::string::npos) << inputs;
    EXPECT_NE(inputs.find("data-input=\"1\" data-high=\"0\""), std::string::npos) << inputs;
    // Another input device chosen by `inputs`: its states are the ones shown.
    const auto other = by_part(view.refresh(host, std::make_pair(40, 10)));
    EXPECT_NE(other.at("inputs").find("data-input=\"8\" data-high=\"0\""), std::string::npos);
    EXPECT_EQ(other.at("inputs").find("data-high=\"1\""), std::string::npos);
}

TEST_F(view_test, DevicesFaultsAndTheFaultsOffered) {
    auto parts = by_part(view.refresh(host, std::nullopt));
    EXPECT_NE(parts.at("devices").find("data-kind=\"router\""), std::string::npos);
    EXPECT_NE(parts.at("devices").find("no faults"), std::string::npos);
    EXPECT_NE(parts.at("faults").find("data-statement=\"fault router offline\""),
              std::string::npos);
    EXPECT_EQ(parts.at("faults").find("infodriver"), std::string::npos);  // none here
    ASSERT_TRUE(host.world().switch_fault("router offline"));
    parts = by_part(view.refresh(host, std::nullopt));
    EXPECT_NE(parts.at("devices").find("router 12 OFFLINE"), std::string::npos)
        << parts.at("devices");
    validator other_checks;
    sim_host empty(other_checks);
    page_view nothing("x");
    EXPECT_NE(by_part(nothing.refresh(empty, std::nullopt)).at("inputs").find("no simulated GPI"),
              std::string::npos);
    EXPECT_TRUE(nothing.offered_faults().empty());
}

TEST_F(view_test, TraceIsBoundedAndEscaped) {
    view.refresh(host, std::nullopt);
    view.traced(trace_kind::command, "TP 'text=<script>alert(1)</script>' '1' 'x'", 12);
    view.note("press 2");
    const std::string trace = by_part(view.refresh(host, std::nullopt)).at("trace");
    EXPECT_EQ(trace.find("<script>"), std::string::npos);
    EXPECT_NE(trace.find("&lt;script&gt;"), std::string::npos);
    EXPECT_NE(trace.find("plug-in -&gt; host"), std::string::npos);
    EXPECT_NE(trace.find("&gt; press 2"), std::string::npos);
    for (int i = 0; i < 100; ++i) {
        view.note("line " + std::to_string(i));
    }
    const std::string bounded = by_part(view.refresh(host, std::nullopt)).at("trace");
    std::size_t lines = 0;
    for (auto at = bounded.find("<li>"); at != std::string::npos;
         at = bounded.find("<li>", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, page_view::kTraceLines);
    EXPECT_NE(bounded.find("line 99"), std::string::npos);
    EXPECT_EQ(bounded.find("line 59<"), std::string::npos);
}

TEST(PageHtml, TokenCarriedOnAndNoInlineScript) {
    const std::string html = page_html("a\"<b>.scn", "token=abcdefghijklmnop");
    EXPECT_NE(html.find("src=\"/page.js?token=abcdefghijklmnop\""), std::string::npos);
    EXPECT_NE(html.find("href=\"/page.css?token=abcdefghijklmnop\""), std::string::npos);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find("a\"<b>"), std::string::npos);
    EXPECT_NE(html.find("a&quot;&lt;b&gt;.scn"), std::string::npos);
    EXPECT_EQ(html.find("http"), std::string::npos);  // nothing from elsewhere
    EXPECT_EQ(std::string(page_script()).find("http://"), std::string::npos);
    EXPECT_EQ(std::string(page_script()).find("https://"), std::string::npos);
    EXPECT_EQ(page_style().find("url("), std::string::npos);
}

}  // namespace
}  // namespace kest_host::web
