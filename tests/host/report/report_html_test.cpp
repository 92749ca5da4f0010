#include "report/html_report.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdio>
#include <set>
#include <string>

#include "report/safe_text.h"
#include "report/sha256.h"
#include "report_sample.h"
#include "xml_chars.h"

namespace kest_host::report {
namespace {

// The page is written to be well-formed XML as well as HTML, so pugixml can read it
// back the way a browser would see its structure.
pugi::xml_document parse_html(const std::string& html) {
    pugi::xml_document doc;
    const pugi::xml_parse_result result =
        doc.load_string(html.c_str(), pugi::parse_default | pugi::parse_doctype);
    EXPECT_TRUE(result) << result.description() << " at " << result.offset << ": "
                        << html.substr(result.offset > 40 ? result.offset - 40 : 0, 80);
    return doc;
}

bool has_class(const pugi::xml_node& node, const std::string& name) {
    const std::string classes = std::string(" ") + node.attribute("class").value() + " ";
    return classes.find(" " + name + " ") != std::string::npos;
}

pugi::xml_node control_in(const pugi::xml_node& figure, const std::string& id) {
    for (const auto& hit : figure.select_nodes(".//div[@data-control-id]")) {
        if (id == hit.node().attribute("data-control-id").value()) {
            return hit.node();
        }
    }
    return {};
}

pugi::xml_node snapshot(const pugi::xml_document& doc, const std::string& suite,
                        const std::string& reason) {
    return doc
        .select_node(
            ("//section[@id='" + suite + "']//figure[@data-reason='" + reason + "']").c_str())
        .node();
}

TEST(html_report, draws_the_panel_at_each_snapshot_as_the_host_shows_it) {
    const pugi::xml_document doc = parse_html(html_report(sample::demo_run()));
    EXPECT_EQ(doc.select_nodes("//section[@id='suite-0']//figure").size(), 4u);

    const pugi::xml_node first = snapshot(doc, "suite-0", "show");
    ASSERT_TRUE(first);
    EXPECT_STREQ(first.attribute("data-line").value(), "48");
    EXPECT_STREQ(control_in(first, "CurrentSDI_ID").child("span").text().get(), "1");

    const pugi::xml_node end = snapshot(doc, "suite-0", "end");
    ASSERT_TRUE(end);
    const pugi::xml_node current = control_in(end, "CurrentSDI_ID");
    EXPECT_STREQ(current.child("span").text().get(), "6");
    EXPECT_STREQ(current.attribute("style").value(), "grid-column: 16 / span 6; grid-row: 11");
    EXPECT_STREQ(control_in(end, "Current_Name").child("span").text().get(), "Cam 6");

    // Buttons carry their statesheet; the lit one and the others differ in class.
    const pugi::xml_node lit = control_in(end, "2");
    const pugi::xml_node unlit = control_in(end, "3");
    EXPECT_STREQ(lit.attribute("data-statesheet").value(), "Ryx_TakeHigh");
    EXPECT_STREQ(unlit.attribute("data-statesheet").value(), "RyxGroupDeselected");
    EXPECT_TRUE(has_class(lit, "button"));
    EXPECT_STRNE(lit.attribute("class").value(), unlit.attribute("class").value());
    EXPECT_EQ(doc.select_nodes("//section[@id='suite-0']//ul[@class='legend']/li").size(), 4u);

    // Hidden controls are drawn, marked as hidden.
    const pugi::xml_node waiting = control_in(end, "AwaitGPI");
    EXPECT_STREQ(waiting.attribute("data-visible").value(), "0");
    EXPECT_TRUE(has_class(waiting, "is-hidden"));
    EXPECT_STREQ(waiting.select_node("span[@class='hidden-mark']").node().text().get(), "hidden");
    EXPECT_STREQ(control_in(end, "51").attribute("data-visible").value(), "1");
    EXPECT_FALSE(control_in(end, "51").select_node("span[@class='hidden-mark']"));
}

TEST(html_report, failures_are_highlighted_in_the_drawing_the_timeline_and_the_checks) {
    const pugi::xml_document doc = parse_html(html_report(sample::demo_run()));
    const pugi::xml_node failed_shot = snapshot(doc, "suite-0", "failed-expectation");
    ASSERT_TRUE(failed_shot);
    EXPECT_TRUE(has_class(failed_shot, "failed"));
    EXPECT_NE(std::string(failed_shot.child("figcaption").text().get())
                  .find("failed expectation at line 53: control \"CurrentSDI_ID\" text is"),
              std::string::npos);

    const auto failed_steps = doc.select_nodes("//li[@data-line and contains(@class,'failed')]");
    ASSERT_EQ(failed_steps.size(), 1u);
    EXPECT_STREQ(failed_steps[0].node().attribute("data-line").value(), "53");
    EXPECT_TRUE(has_class(doc.select_node("//section[@id='suite-0']").node(), "failed"));

    // The press step lists what it caused, each entry with its kind and device.
    const pugi::xml_node press = doc.select_node("//li[@data-line='51']").node();
    const auto entries = press.select_nodes(".//li[@data-kind]");
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_STREQ(entries[2].node().attribute("data-kind").value(), "command");
    EXPECT_STREQ(entries[2].node().attribute("data-device").value(), "12");
    EXPECT_STREQ(entries[2].node().child("code").text().get(), "RC 12 6 3 ',' 0");
    EXPECT_FALSE(entries[1].node().attribute("data-device"));

    // The filter offers the devices and kinds of the timeline; it is hidden until the
    // script shows it, so that without the script nothing is half there.
    const pugi::xml_node filter = doc.select_node("//form[@class='filter']").node();
    EXPECT_STREQ(filter.attribute("hidden").value(), "hidden");
    std::set<std::string> devices;
    for (const auto& option : filter.select_nodes(".//select[@name='device']/option")) {
        devices.insert(option.node().text().get());
    }
    EXPECT_EQ(devices, (std::set<std::string>{"all", "12", "30", "40"}));

    const pugi::xml_node skipped = doc.select_node("//tr[@data-check-id='routing-model']").node();
    EXPECT_STREQ(skipped.attribute("data-status").value(), "skipped");
    EXPECT_NE(std::string(skipped.select_node(".//em").node().text().get()).find("stress mode"),
              std::string::npos);
}

// Failures that leave the panel alike share one drawing, which outlines and names the
// controls they are about; the list at the top links each failure to its drawing, and
// a report of several files lists them, linked to their sections.
TEST(html_report, one_drawing_per_change_with_its_failures_marked_and_linked) {
    run_record run = sample::demo_run();
    suite_record& suite = run.suites[0];
    // After the failure's drawing at line 53, before the show at line 54.
    std::size_t at = 2;
    const auto failed_at = [&suite, &at](int line, const std::string& control) {
        suite.expectations.push_back(
            {"scenarios/demo.scn", line, "expect hidden " + control, false, "shown", control});
        suite.snapshots.insert(suite.snapshots.begin() + static_cast<std::ptrdiff_t>(at),
                               suite.snapshots[1]);
        suite.snapshots[at].line = line;
        return &suite.snapshots[at++];
    };
    failed_at(60, "AwaitGPI");                              // nothing changed since line 53
    failed_at(61, "50")->controls.back().text = "changed";  // a drawing of its own
    run.suites.push_back(run.suites[0]);
    run.suites.back().name = "second.scn";
    const pugi::xml_document doc = parse_html(html_report(run));

    const auto failed =
        doc.select_nodes("//section[@id='suite-0']//figure[@data-reason='failed-expectation']");
    ASSERT_EQ(failed.size(), 2u);
    const pugi::xml_node both = failed[0].node();
    const auto marked = both.select_nodes(".//div[@data-marked='1']");
    ASSERT_EQ(marked.size(), 2u);
    EXPECT_STREQ(marked[0].node().attribute("data-control-id").value(), "CurrentSDI_ID");
    EXPECT_STREQ(marked[1].node().attribute("data-control-id").value(), "AwaitGPI");
    const std::string caption = both.child("figcaption").child_value();
    EXPECT_NE(caption.find("failed expectation at line 53"), std::string::npos) << caption;
    EXPECT_EQ(both.select_nodes(".//figcaption/span/code").size(), 2u);
    EXPECT_EQ(failed[1].node().select_nodes(".//div[@data-marked='1']").size(), 1u);

    const auto links = doc.select_nodes("//section[@id='suite-0']/nav[@class='failures']//a");
    ASSERT_EQ(links.size(), 3u);
    const std::string first = both.attribute("id").value();
    EXPECT_EQ(links[0].node().attribute("href").value(), "#" + first);
    EXPECT_EQ(links[1].node().attribute("href").value(), "#" + first);
    EXPECT_EQ(links[2].node().attribute("href").value(),
              std::string("#") + failed[1].node().attribute("id").value());

    const auto files = doc.select_nodes("//header/nav[@class='index']//li");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_STREQ(files[1].node().child("a").attribute("href").value(), "#suite-1");
    EXPECT_STREQ(files[1].node().child("a").child_value(), "second.scn");
    EXPECT_STREQ(files[1].node().child("span").child_value(), "failed");
    // One file needs no index.
    EXPECT_FALSE(parse_html(html_report(sample::demo_run())).select_node("//nav[@class='index']"));
}

TEST(html_report, stands_alone_without_network_or_other_files) {
    const std::string html = html_report(sample::demo_run());
    const pugi::xml_document doc = parse_html(html);
    EXPECT_EQ(doc.select_nodes("//*[@src]").size(), 0u);
    for (const auto& node : doc.select_nodes("//*[@href]")) {
        const std::string href = node.node().attribute("href").value();
        // Data, or a place on the page itself.
        if (href.rfind('#', 0) == 0) {
            EXPECT_TRUE(doc.select_node(("//*[@id='" + href.substr(1) + "']").c_str())) << href;
        } else {
            EXPECT_EQ(href.rfind("data:", 0), 0u) << href;
        }
    }
    EXPECT_EQ(html.find("url("), std::string::npos);
    EXPECT_EQ(html.find("@import"), std::string::npos);
    EXPECT_EQ(doc.select_nodes("//script").size(), 1u);
    // Without the script everything is shown: nothing starts filtered out.
    EXPECT_EQ(doc.select_nodes("//*[contains(@class,'filtered-out')]").size(), 0u);
    EXPECT_GT(doc.select_nodes("//li[@data-kind]").size(), 0u);
}

// A second line of defence: the page's policy loads nothing and runs only the script
// whose hash it names, which is the script the page holds.
TEST(html_report, its_policy_allows_only_its_own_script_by_hash) {
    const std::string html = html_report(sample::demo_run());
    const pugi::xml_document doc = parse_html(html);
    const pugi::xml_node meta =
        doc.select_node("//meta[@http-equiv='Content-Security-Policy']").node();
    ASSERT_TRUE(meta);
    const std::string policy = meta.attribute("content").value();
    EXPECT_EQ(policy.rfind("default-src 'none'; script-src 'sha256-", 0), 0u) << policy;
    EXPECT_EQ(policy.find("unsafe-eval"), std::string::npos);
    // The element's text as a browser reads it (an HTML parser keeps the CDATA marks).
    const auto open = html.find("<script>") + 8;
    const std::string script = html.substr(open, html.find("</script>") - open);
    EXPECT_EQ(policy, content_security_policy(script));
    EXPECT_NE(content_security_policy(script + " "), policy) << "another script is not allowed";
}

TEST(sha256, matches_the_standard_vectors) {
    const auto b64 = [](std::string_view text) {
        const auto d = sha256(text);
        return base64(d.data(), d.size());
    };
    EXPECT_EQ(b64(""), "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=");
    EXPECT_EQ(b64("abc"), "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=");
    // Two blocks: 56 bytes need a second block for the length.
    EXPECT_EQ(b64("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "JI1qYdIGOLjlwCaTDD5gOaM85Flk/yFn9uzt1BnbBsE=");
    EXPECT_EQ(b64(std::string(1000000, 'a')), "zcduXJkU+5KBocfihNc+Z/GAmkiklyAOBG05zMcRLNA=");
    const uint8_t two[] = {'a', 'b'};
    EXPECT_EQ(base64(two, 2), "YWI=");
}

TEST(html_report, hostile_texts_never_become_markup) {
    run_record run = sample::hostile_run();
    // What the run was made with, as the header shows it: a plug-in path is the
    // user's text too.
    run.build = {{"plug-in", "/p/<b>x</b>.so"}, {"plug-in version", "1.0.0.1"}};
    const std::string html = html_report(run);
    EXPECT_EQ(test::xml_char_fault(html), "");
    const pugi::xml_document doc = parse_html(html);
    // Only the writer's own script and no element that a text could have opened.
    EXPECT_EQ(doc.select_nodes("//script").size(), 1u);
    EXPECT_EQ(doc.select_nodes("//b").size(), 0u);
    EXPECT_STREQ(doc.select_node("//title").node().text().get(), "kest-host <&\"'> report");
    const pugi::xml_node build = doc.select_node("//header/dl[@id='build']").node();
    EXPECT_STREQ(build.child("dd").text().get(), "/p/<b>x</b>.so");
    EXPECT_STREQ(build.last_child().text().get(), "1.0.0.1");

    for (std::size_t n = 0; n < sample::hostile_texts().size(); ++n) {
        const std::string t = readable_text(sample::hostile_texts()[n]);
        const std::string id = "suite-" + std::to_string(n);
        const pugi::xml_node suite =
            doc.select_node(("//section[@id='" + id + "']").c_str()).node();
        ASSERT_TRUE(suite) << id;
        EXPECT_EQ(suite.attribute("data-suite").value(), t + ".scn");
        const pugi::xml_node shot = snapshot(doc, id, "failed-expectation");
        const pugi::xml_node button = control_in(shot, t);
        ASSERT_TRUE(button) << id;
        EXPECT_EQ(button.child("span").text().get(), t);
        EXPECT_EQ(button.attribute("data-statesheet").value(), t);
        EXPECT_TRUE(control_in(shot, t + "2"));
        const pugi::xml_node entry = suite.select_node(".//li[@data-kind='command']").node();
        EXPECT_EQ(entry.child("code").text().get(), t);
        const pugi::xml_node check = suite.select_node(".//tr[@data-status='failed']").node();
        EXPECT_EQ(check.attribute("data-check-id").value(), t);
        EXPECT_EQ(suite.select_node(".//p[@class='error']").node().text().get(),
                  "The run stopped: " + t);
    }
}

TEST(html_report, one_escape_for_text_and_attributes) {
    EXPECT_EQ(html_text("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(html_text("\x1B\xFF"), "\\x1B\xEF\xBF\xBD");
    EXPECT_EQ(html_text("\xE2\x86\x92"), "\xE2\x86\x92");
    EXPECT_EQ(html_text("a\tb\r\nc"), "a&#9;b&#13;&#10;c");
}

// A scenario of tens of thousands of statements: the record keeps what its limits
// allow, counts the rest, and the page and the JUnit file say how much is not shown.
TEST(html_report, a_huge_run_is_capped_with_a_visible_count_of_what_is_left_out) {
    recorder r;
    r.begin_suite("big.scn");
    const std::size_t statements = recorder::kMaxSteps + 500;
    for (std::size_t i = 1; i <= statements; ++i) {
        const int line = static_cast<int>(i);
        r.begin_step(line, "show");
        r.note_command("TP 'text=1' '1' 'ID_ID'");
        r.snapshot(snapshot_record{snapshot_reason::show, line, "1", "l.kest_ui", {}});
        r.note_expectation("big.scn", line, "expect dest 3 source 5", i % 250 != 0,
                           "it carries source 1");
    }
    r.snapshot(snapshot_record{snapshot_reason::end, 0, "1", "l.kest_ui", {}});
    r.end_suite({}, suite_summary{statements, statements / 250, 0, 0, 1});
    const suite_record& suite = r.record().suites.at(0);
    EXPECT_EQ(suite.steps.size(), recorder::kMaxSteps);
    EXPECT_EQ(suite.steps_dropped, 500u);
    EXPECT_EQ(suite.entries_dropped, 500u) << "what later statements caused is only counted";
    EXPECT_EQ(suite.snapshots.size(), recorder::kMaxSnapshots + 1) << "and the end drawing";
    EXPECT_EQ(suite.snapshots.back().reason, snapshot_reason::end);
    EXPECT_EQ(suite.snapshots_dropped, statements - recorder::kMaxSnapshots);
    EXPECT_EQ(suite.expectations.size(), recorder::kMaxExpectations);
    EXPECT_EQ(suite.failed_expectations_dropped, 2u);

    const std::string page = html_report(r.record());
    EXPECT_NE(page.find("500 more statements not shown"), std::string::npos);
    EXPECT_NE(page.find(std::to_string(suite.snapshots_dropped) +
                        " more drawings of the panel not shown"),
              std::string::npos);
    EXPECT_NE(page.find("500 more expectations not shown (2 of them failed)"), std::string::npos);
    EXPECT_LT(page.size(), std::size_t{16} * 1024 * 1024);
}

// Long texts are capped by their bytes as well as by their number.
TEST(html_report, long_statements_count_against_the_text_limit) {
    recorder r;
    r.begin_suite("long.scn");
    const std::string text(60000, 'x');
    std::size_t kept = 0;
    for (int line = 1; line <= 1000; ++line) {
        r.begin_step(line, "request \"" + text + "\"");
    }
    kept = r.record().suites.at(0).steps.size();
    EXPECT_LE(kept * text.size(), recorder::kMaxTimelineBytes);
    EXPECT_EQ(kept + r.record().suites.at(0).steps_dropped, 1000u);
    EXPECT_LT(html_report(r.record()).size(), std::size_t{2} * recorder::kMaxTimelineBytes);
}

TEST(html_report, file_is_written_or_the_path_is_named) {
    const std::string path = testing::TempDir() + "kest_report_html_test.html";
    std::string error;
    ASSERT_TRUE(write_html_file(sample::demo_run(), path, error)) << error;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    std::remove(path.c_str());
    EXPECT_FALSE(write_html_file(sample::demo_run(), "/nonexistent/dir/r.html", error));
    EXPECT_EQ(error, "cannot write /nonexistent/dir/r.html: No such file or directory");
}

}  // namespace
}  // namespace kest_host::report
