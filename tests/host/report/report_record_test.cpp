#include "report/run_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "report/output_file.h"
#include "report/safe_text.h"
#include "report_sample.h"
#include "xml_chars.h"

namespace kest_host::report {
namespace {

struct text_case {
    std::string in;
    std::string out;
};

TEST(readable_text, keeps_text_that_is_already_fine) {
    const text_case cases[] = {
        {"", ""},
        {"Cam 5 (jib)", "Cam 5 (jib)"},
        {"tab\tLF\nCR\r", "tab\tLF\nCR\r"},
        {"<&\"'>", "<&\"'>"},  // markup is each writer's business
        {"\xC3\xA4 \xE2\x86\x92 \xF0\x9F\x8E\xA5", "\xC3\xA4 \xE2\x86\x92 \xF0\x9F\x8E\xA5"},
        {"\xEF\xBF\xBD", "\xEF\xBF\xBD"},          // U+FFFD itself
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},  // U+10FFFF, the last code point
        {"\xEE\x80\x80", "\xEE\x80\x80"},          // U+E000, just past the surrogates
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readable_text(c.in), c.out) << c.in;
    }
}

TEST(readable_text, marks_control_bytes_and_replaces_invalid_utf8) {
    const std::string r = "\xEF\xBF\xBD";
    const text_case cases[] = {
        {std::string("a\0b", 3), "a\\x00b"},
        {"\x1B[31m", "\\x1B[31m"},
        {"\x7F", "\\x7F"},
        {"\xC2\x85", "\\u0085"},                  // NEL, a C1 control
        {"\xC2\x9F\xC2\xA0", "\\u009F\xC2\xA0"},  // the last C1 control, then NBSP
        {"\xFE\xFE\xFE", r + r + r},              // released-reply poison
        {"a\xC3", "a" + r},                       // cut at the end
        {"\xE2\x82(", r + "("},                   // cut in the middle: one replacement
        {"\x80\x80", r + r},                      // stray continuation bytes
        {"\xC0\xAF", r + r},                      // overlong '/' (C0 is never a lead)
        {"\xE0\x80\xAF", r + r + r},              // overlong three-byte form
        {"\xED\xA0\x80", r + r + r},              // an encoded surrogate
        {"\xF4\x90\x80\x80", r + r + r + r},      // past U+10FFFF
        {"\xF0\x9F\x8E", r},                      // a four-byte form cut after three
        {"\xF8\x88\x80\x80\x80", r + r + r + r + r},
        {"\xEF\xBF\xBE \xEF\xBF\xBF", r + " " + r},  // U+FFFE, U+FFFF
    };
    for (const auto& c : cases) {
        const std::string out = readable_text(c.in);
        EXPECT_EQ(out, c.out) << c.in;
        EXPECT_EQ(test::xml_char_fault(out), "") << c.in;
    }
}

TEST(readable_text, output_is_always_clean_for_every_byte) {
    // Each byte alone and after every lead byte: no input can bring a bad byte through.
    for (int lead = 0; lead < 256; ++lead) {
        for (int next = 0; next < 256; next += 15) {
            const std::string in{static_cast<char>(lead), static_cast<char>(next), 'x'};
            ASSERT_EQ(test::xml_char_fault(readable_text(in)), "") << lead << " " << next;
        }
    }
}

TEST(recorder, files_what_a_step_causes_under_that_step) {
    recorder r;
    r.note_command("ignored before any suite");
    r.begin_suite("a.scn");
    r.note_event("load", std::nullopt);  // before the first statement
    r.begin_step(3, "press 2");
    r.note_command("RC 12 6 3 ',' 0", 12);
    r.note_reply("\"x\"");
    r.note_finding("crosspoint-valid", "a warning", true);
    r.begin_step(4, "expect dest 3 source 7");
    r.note_expectation("a.scn", 4, "expect dest 3 source 7", false, "source is 6");
    r.note_finding("commands-well-formed", "second failure", false);
    r.end_suite({}, suite_summary{1, 1, 1, 1, 1});
    r.note_command("ignored after the suite");

    ASSERT_EQ(r.record().suites.size(), 1u);
    const suite_record& s = r.record().suites[0];
    ASSERT_EQ(s.steps.size(), 3u);
    EXPECT_EQ(s.steps[0].line, 0);
    ASSERT_EQ(s.steps[0].entries.size(), 1u);
    const step_record& press = s.steps[1];
    ASSERT_EQ(press.entries.size(), 3u);
    EXPECT_EQ(press.entries[0].kind, entry_kind::command);
    EXPECT_EQ(press.entries[0].device, 12);
    EXPECT_EQ(press.entries[1].kind, entry_kind::reply);
    EXPECT_FALSE(press.entries[1].device.has_value());
    EXPECT_EQ(press.entries[2].kind, entry_kind::finding);
    EXPECT_FALSE(press.failed) << "a warning does not fail the step";
    const step_record& expect = s.steps[2];
    EXPECT_TRUE(expect.failed);
    EXPECT_EQ(expect.failure, "source is 6") << "the first failure of a step is kept";
    ASSERT_EQ(s.expectations.size(), 1u);
    EXPECT_FALSE(s.expectations[0].passed);
    EXPECT_EQ(s.summary.exit_status, 1);
}

TEST(recorder, keeps_the_timeline_bounded_and_counts_the_rest) {
    recorder r;
    r.begin_stress(7, 1000000);
    r.begin_step(0, "stress");
    const std::size_t extra = 25;
    for (std::size_t i = 0; i < recorder::kMaxTimelineEntries + extra; ++i) {
        r.note_event("tick");
    }
    for (std::size_t i = 0; i < recorder::kMaxStressFindings + extra; ++i) {
        r.note_stress_finding(
            {"routing-model", i, "diverged", "kest-host --stress 1000000 --seed 7"});
    }
    r.end_suite({}, suite_summary{});
    const suite_record& s = r.record().suites[0];
    EXPECT_EQ(s.steps[0].entries.size(), recorder::kMaxTimelineEntries);
    EXPECT_EQ(s.steps[0].entries_dropped, extra);
    ASSERT_TRUE(s.stress.has_value());
    EXPECT_EQ(s.stress->seed, 7u);
    EXPECT_EQ(s.stress->findings.size(), recorder::kMaxStressFindings);

    // A new suite starts with the whole allowance again.
    r.begin_suite("b.scn");
    r.note_event("first");
    EXPECT_EQ(r.record().suites[1].steps[0].entries.size(), 1u);
}

TEST(run_totals, add_up_every_suite) {
    run_record run = sample::demo_run();
    run.suites.push_back(sample::hostile_suite(0));
    const run_totals t = totals(run);
    EXPECT_EQ(t.suites, 2u);
    EXPECT_EQ(t.expectations, 5u);
    EXPECT_EQ(t.failed_expectations, 2u);
    EXPECT_EQ(t.checks_failed, 1u);
    EXPECT_EQ(t.checks_warned, 2u);
    EXPECT_EQ(t.checks_skipped, 2u);
    EXPECT_EQ(t.errors, 1u);
}

TEST(probe_output_path, leaves_existing_files_alone_and_new_ones_unmade) {
    const std::string path = testing::TempDir() + "kest_report_probe_test.txt";
    std::string error;
    std::remove(path.c_str());
    ASSERT_TRUE(probe_output_path(path, error)) << error;
    EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr) << "a probe leaves no file behind";

    std::ofstream(path) << "earlier report";
    ASSERT_TRUE(probe_output_path(path, error)) << error;
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "earlier report");
    std::remove(path.c_str());

#ifndef _WIN32  // (a POSIX path; under Wine it names a drive's folder)
    EXPECT_FALSE(probe_output_path("/nonexistent/dir/out.xml", error));
    EXPECT_EQ(error, "cannot write /nonexistent/dir/out.xml: No such file or directory");
#endif
    EXPECT_FALSE(probe_output_path(testing::TempDir(), error)) << "a directory is no file";
    EXPECT_EQ(error.rfind("cannot write " + testing::TempDir(), 0), 0u);
    EXPECT_FALSE(probe_output_path("", error));
}

}  // namespace
}  // namespace kest_host::report
