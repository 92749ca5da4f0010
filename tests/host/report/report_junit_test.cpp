#include "report/junit_report.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "report/safe_text.h"
#include "report_sample.h"
#include "xml_chars.h"

namespace kest_host::report {
namespace {

pugi::xml_document parse_xml(const std::string& xml) {
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_string(xml.c_str());
    EXPECT_TRUE(result) << result.description() << " at " << result.offset;
    return doc;
}

pugi::xml_node testcase(const pugi::xml_node& suite, const std::string& name) {
    return suite.find_child_by_attribute("testcase", "name", name.c_str());
}

// The counts on a suite (or the root) must be what its test cases say.
void expect_counts_match(const pugi::xml_node& node) {
    uint64_t tests = 0;
    uint64_t failures = 0;
    uint64_t errors = 0;
    uint64_t skipped = 0;
    for (const auto& test : node.select_nodes(".//testcase")) {
        tests++;
        failures += test.node().child("failure") ? 1 : 0;
        errors += test.node().child("error") ? 1 : 0;
        skipped += test.node().child("skipped") ? 1 : 0;
    }
    const std::string name = node.attribute("name").value();
    EXPECT_EQ(node.attribute("tests").as_ullong(), tests) << name;
    EXPECT_EQ(node.attribute("failures").as_ullong(), failures) << name;
    EXPECT_EQ(node.attribute("errors").as_ullong(), errors) << name;
    EXPECT_EQ(node.attribute("skipped").as_ullong(), skipped) << name;
}

TEST(junit_report, one_suite_per_file_with_expectations_and_checks) {
    const std::string xml = junit_xml(sample::demo_run());
    const pugi::xml_document doc = parse_xml(xml);
    const pugi::xml_node root = doc.child("testsuites");
    ASSERT_TRUE(root);
    EXPECT_EQ(root.attribute("tests").as_int(), 6);  // 3 expectations, 3 checks
    EXPECT_EQ(root.attribute("failures").as_int(), 1);
    EXPECT_EQ(root.attribute("skipped").as_int(), 1);
    EXPECT_EQ(root.attribute("errors").as_int(), 0);
    expect_counts_match(root);

    const pugi::xml_node suite = root.child("testsuite");
    EXPECT_STREQ(suite.attribute("name").value(), "scenarios/demo.scn");
    EXPECT_STREQ(suite.attribute("time").value(), "0.250");
    expect_counts_match(suite);

    const pugi::xml_node passed = testcase(suite, "scenarios/demo.scn:52: expect dest 3 source 6");
    ASSERT_TRUE(passed);
    EXPECT_FALSE(passed.first_child()) << "a passed expectation carries nothing";

    const pugi::xml_node failed =
        testcase(suite, "scenarios/demo.scn:53: expect control CurrentSDI_ID text \"7\"");
    ASSERT_TRUE(failed);
    EXPECT_STREQ(failed.child("failure").attribute("message").value(),
                 "control \"CurrentSDI_ID\" text is \"6\", expected \"7\"");

    const pugi::xml_node skipped = testcase(suite, "routing-model");
    EXPECT_STREQ(skipped.child("skipped").attribute("message").value(), "runs in stress mode only");
    const pugi::xml_node warning = testcase(suite, "crosspoint-valid");
    EXPECT_FALSE(warning.child("failure")) << "a warning passes";
    EXPECT_NE(std::string(warning.child("system-out").text().get()).find("names destination 0"),
              std::string::npos);
    EXPECT_TRUE(testcase(suite, "replies-released-once"));
}

TEST(junit_report, failed_check_lists_its_findings_and_how_many_were_not_kept) {
    run_record run = sample::demo_run();
    run.suites[0].checks.push_back({"replies-untouched",
                                    "No reply is used after its release.",
                                    check_status::failed,
                                    "",
                                    {"reply to `SD 'X'` written after release", "second"},
                                    9});
    const pugi::xml_document doc = parse_xml(junit_xml(run));
    const pugi::xml_node failure =
        testcase(doc.child("testsuites").child("testsuite"), "replies-untouched").child("failure");
    EXPECT_STREQ(failure.attribute("message").value(), "reply to `SD 'X'` written after release");
    EXPECT_STREQ(failure.attribute("type").value(), "check");
    const std::string body = failure.text().get();
    EXPECT_NE(body.find("second"), std::string::npos);
    EXPECT_NE(body.find("(9 findings, 2 shown)"), std::string::npos);
    expect_counts_match(doc.child("testsuites"));
}

// Ctrl-C is no pass: the model's case is an error that says how far the run got.
TEST(junit_report, an_interrupted_stress_run_is_an_error_with_the_events_run) {
    recorder r;
    r.begin_stress(3, 2000000);
    r.end_stress(5120, true);
    r.end_suite({{"events-settle", "Every step settles.", check_status::passed, "", {}, 0}},
                suite_summary{0, 0, 300, 5120, 130});
    const pugi::xml_document doc = parse_xml(junit_xml(r.record()));
    const pugi::xml_node suite = doc.child("testsuites").child("testsuite");
    EXPECT_EQ(suite.attribute("errors").as_int(), 1);
    EXPECT_EQ(suite.attribute("failures").as_int(), 0);
    expect_counts_match(suite);
    const pugi::xml_node model = testcase(suite, "routing model (seed 3, 5120 of 2000000 events)");
    EXPECT_STREQ(model.child("error").attribute("message").value(),
                 "interrupted (Ctrl-C) after 5120 of 2000000 events; the rest of the run was not "
                 "checked");
    EXPECT_EQ(doc.child("testsuites").attribute("errors").as_int(), 1);
}

TEST(junit_report, stress_run_has_a_case_for_the_model_with_seed_event_and_replay) {
    recorder r;
    r.record().build = {{"plug-in version", "1.0.0.1"}, {"kest-host commit", "unknown"}};
    r.begin_stress(7, 20000);
    r.note_stress_finding({"routing-model", 4711, "destination 3 shows source 6, model says 7",
                           "kest-host --stress 20000 --seed 7"});
    r.end_suite({{"routing-model",
                  "The route agrees with the model.",
                  check_status::failed,
                  "",
                  {"destination 3 shows source 6, model says 7"},
                  1},
                 {"events-settle", "Every step settles.", check_status::passed, "", {}, 0}},
                suite_summary{0, 0, 300, 222, 1});
    const pugi::xml_document doc = parse_xml(junit_xml(r.record()));
    const pugi::xml_node suite = doc.child("testsuites").child("testsuite");
    EXPECT_STREQ(suite.child("properties")
                     .find_child_by_attribute("property", "name", "seed")
                     .attribute("value")
                     .value(),
                 "7");
    // One properties element: the build's facts beside the seed and the events.
    EXPECT_EQ(suite.select_nodes("properties").size(), 1U);
    EXPECT_EQ(suite.select_nodes("properties/property").size(), 4U);
    EXPECT_STREQ(suite.child("properties")
                     .find_child_by_attribute("property", "name", "plug-in version")
                     .attribute("value")
                     .value(),
                 "1.0.0.1");
    EXPECT_EQ(suite.attribute("tests").as_int(), 3);  // two checks and the model
    EXPECT_EQ(suite.attribute("failures").as_int(), 2);
    expect_counts_match(suite);

    const pugi::xml_node model = testcase(suite, "routing model (seed 7, 20000 events)");
    const std::string message = model.child("failure").attribute("message").value();
    EXPECT_EQ(message,
              "routing-model after event 4711 with seed 7: destination 3 shows source 6, model "
              "says 7 (repeat with: kest-host --stress 20000 --seed 7)");
    const std::string check_body = testcase(suite, "routing-model").child("failure").text().get();
    EXPECT_NE(check_body.find("seed 7, event 4711"), std::string::npos);
    EXPECT_NE(check_body.find("repeat with: kest-host --stress 20000 --seed 7"), std::string::npos);
    EXPECT_FALSE(testcase(suite, "events-settle").first_child());
}

TEST(junit_report, hostile_texts_arrive_intact_or_visibly_marked) {
    const run_record run = sample::hostile_run();
    const std::string xml = junit_xml(run);
    EXPECT_EQ(test::xml_char_fault(xml), "");
    const pugi::xml_document doc = parse_xml(xml);
    const pugi::xml_node root = doc.child("testsuites");
    EXPECT_STREQ(root.attribute("name").value(), "kest-host <&\"'>");
    expect_counts_match(root);
    // Nothing but the writer's own elements: no markup from a text became an element.
    for (const auto& node : doc.select_nodes("//*")) {
        const std::string name = node.node().name();
        EXPECT_TRUE(name == "testsuites" || name == "testsuite" || name == "testcase" ||
                    name == "failure" || name == "skipped" || name == "error" ||
                    name == "system-out")
            << name;
    }
    std::size_t n = 0;
    for (const auto& suite : root.children("testsuite")) {
        ASSERT_LT(n, sample::hostile_texts().size());
        const std::string t = readable_text(sample::hostile_texts()[n++]);
        EXPECT_EQ(suite.attribute("name").value(), t + ".scn");
        EXPECT_EQ(suite.attribute("tests").as_int(), 6);  // 2 expectations, 3 checks, the error
        EXPECT_EQ(suite.attribute("failures").as_int(), 2);
        EXPECT_EQ(suite.attribute("errors").as_int(), 1);
        EXPECT_EQ(suite.attribute("skipped").as_int(), 1);
        std::string failed_name = t;
        failed_name.append(".scn:7: expect ").append(t);
        const pugi::xml_node failed = testcase(suite, failed_name);
        EXPECT_EQ(failed.child("failure").attribute("message").value(), t);
        EXPECT_EQ(testcase(suite, t + "-skip").child("skipped").attribute("message").value(), t);
        EXPECT_EQ(testcase(suite, "run").child("error").attribute("message").value(), t);
        EXPECT_EQ(testcase(suite, t).child("failure").attribute("message").value(), t);
    }
    EXPECT_EQ(n, sample::hostile_texts().size());
}

TEST(junit_report, file_is_written_or_the_path_is_named) {
    const std::string path = testing::TempDir() + "kest_report_junit_test.xml";
    std::string error;
    ASSERT_TRUE(write_junit_file(sample::demo_run(), path, error)) << error;
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), junit_xml(sample::demo_run()));
    std::remove(path.c_str());

    EXPECT_FALSE(write_junit_file(sample::demo_run(), "/nonexistent/dir/out.xml", error));
    EXPECT_EQ(error, "cannot write /nonexistent/dir/out.xml: No such file or directory");
}

}  // namespace
}  // namespace kest_host::report
