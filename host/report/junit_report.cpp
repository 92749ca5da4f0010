#include "report/junit_report.h"

#include <pugixml.hpp>

#include <cstdio>
#include <sstream>

#include "report/output_file.h"
#include "report/safe_text.h"

namespace kest_host::report {

namespace {

struct counts {
    uint64_t tests = 0;
    uint64_t failures = 0;
    uint64_t errors = 0;
    uint64_t skipped = 0;

    void add(const counts& other) {
        tests += other.tests;
        failures += other.failures;
        errors += other.errors;
        skipped += other.skipped;
    }
};

void set(pugi::xml_node node, const char* name, const std::string& value) {
    node.append_attribute(name).set_value(readable_text(value).c_str());
}

void set_counts(pugi::xml_node node, const counts& c, double seconds) {
    node.append_attribute("tests").set_value(static_cast<unsigned long long>(c.tests));
    node.append_attribute("failures").set_value(static_cast<unsigned long long>(c.failures));
    node.append_attribute("errors").set_value(static_cast<unsigned long long>(c.errors));
    node.append_attribute("skipped").set_value(static_cast<unsigned long long>(c.skipped));
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", seconds);
    node.append_attribute("time").set_value(time);
}

pugi::xml_node add_case(pugi::xml_node suite, const std::string& classname, const std::string& name,
                        counts& c) {
    pugi::xml_node test = suite.append_child("testcase");
    set(test, "classname", classname);
    set(test, "name", name);
    c.tests++;
    return test;
}

void add_text(pugi::xml_node node, const std::string& text) {
    node.append_child(pugi::node_pcdata).set_value(readable_text(text).c_str());
}

void add_failure(pugi::xml_node test, const char* type, const std::string& message,
                 const std::string& body, counts& c) {
    pugi::xml_node failure = test.append_child("failure");
    set(failure, "message", message);
    failure.append_attribute("type").set_value(type);
    if (!body.empty()) {
        add_text(failure, body);
    }
    c.failures++;
}

std::string stress_line(const stress_record& stress, const stress_finding& finding) {
    return "seed " + std::to_string(stress.seed) + ", event " + std::to_string(finding.event) +
           ": " + finding.message + "\nrepeat with: " + finding.replay;
}

void add_expectations(pugi::xml_node node, const suite_record& suite, counts& c) {
    for (const auto& e : suite.expectations) {
        pugi::xml_node test = add_case(
            node, suite.name, e.file + ":" + std::to_string(e.line) + ": " + e.statement, c);
        if (!e.passed) {
            add_failure(test, "expectation", e.message, "", c);
        }
    }
    if (suite.expectations_dropped > 0) {
        // Past the record's limit: one case stands for them, failed if any of them did.
        const std::string what = std::to_string(suite.expectations_dropped) +
                                 " more expectations not shown (" +
                                 std::to_string(suite.failed_expectations_dropped) + " failed)";
        pugi::xml_node test = add_case(node, suite.name, what, c);
        if (suite.failed_expectations_dropped > 0) {
            add_failure(test, "expectation", what, "", c);
        }
    }
}

// A check's findings, with the stress findings of the same check (seed, event, replay).
std::string findings_text(const suite_record& suite, const check_record& check) {
    std::string body;
    for (const auto& f : check.findings) {
        body += f + "\n";
    }
    if (check.finding_count > check.findings.size()) {
        body += "(" + std::to_string(check.finding_count) + " findings, " +
                std::to_string(check.findings.size()) + " shown)\n";
    }
    if (suite.stress) {
        for (const auto& f : suite.stress->findings) {
            if (f.check_id == check.id) {
                body += stress_line(*suite.stress, f) + "\n";
            }
        }
    }
    return body;
}

void add_checks(pugi::xml_node node, const suite_record& suite, counts& c) {
    const std::string classname = suite.name + ".checks";
    for (const auto& check : suite.checks) {
        pugi::xml_node test = add_case(node, classname, check.id, c);
        const std::string body = findings_text(suite, check);
        if (check.status == check_status::skipped) {
            set(test.append_child("skipped"), "message", check.skip_reason);
            c.skipped++;
        } else if (check.status == check_status::failed) {
            const std::string first =
                check.findings.empty() ? check.description : check.findings[0];
            add_failure(test, "check", first, body, c);
        } else if (check.status == check_status::warning) {
            add_text(test.append_child("system-out"), "warning: " + body);
        }
    }
}

// Stress runs: the model's own verdict, carrying every finding with what repeats it.
void add_model(pugi::xml_node node, const suite_record& suite, counts& c) {
    const stress_record& stress = *suite.stress;
    const std::string run = stress.interrupted ? std::to_string(stress.events_run) + " of " +
                                                     std::to_string(stress.events) + " events"
                                               : std::to_string(stress.events) + " events";
    pugi::xml_node test =
        add_case(node, suite.name + ".stress",
                 "routing model (seed " + std::to_string(stress.seed) + ", " + run + ")", c);
    if (stress.interrupted) {
        // Not a pass: the events after the interruption were never checked.
        set(test.append_child("error"), "message",
            "interrupted (Ctrl-C) after " + run + "; the rest of the run was not checked");
        c.errors++;
    }
    if (stress.findings.empty()) {
        return;
    }
    std::string body;
    for (const auto& f : stress.findings) {
        body += f.check_id + ": " + stress_line(stress, f) + "\n";
    }
    const stress_finding& first = stress.findings.front();
    add_failure(test, "stress",
                first.check_id + " after event " + std::to_string(first.event) + " with seed " +
                    std::to_string(stress.seed) + ": " + first.message +
                    " (repeat with: " + first.replay + ")",
                body, c);
}

void add_property(pugi::xml_node properties, const std::string& name, const std::string& value) {
    pugi::xml_node property = properties.append_child("property");
    set(property, "name", name);
    set(property, "value", value);
}

counts add_suite(pugi::xml_node root, const run_record& run, const suite_record& suite) {
    counts c;
    pugi::xml_node node = root.append_child("testsuite");
    set(node, "name", suite.name);
    if (suite.stress || !run.build.empty()) {
        node.append_child("properties");
    }
    for (const auto& [name, value] : run.build) {
        add_property(node.child("properties"), name, value);
    }
    if (suite.stress) {
        pugi::xml_node properties = node.child("properties");
        pugi::xml_node seed = properties.append_child("property");
        seed.append_attribute("name").set_value("seed");
        seed.append_attribute("value").set_value(
            static_cast<unsigned long long>(suite.stress->seed));
        pugi::xml_node events = properties.append_child("property");
        events.append_attribute("name").set_value("events");
        events.append_attribute("value").set_value(
            static_cast<unsigned long long>(suite.stress->events));
    }
    add_expectations(node, suite, c);
    add_checks(node, suite, c);
    if (suite.stress) {
        add_model(node, suite, c);
    }
    if (!suite.error.empty()) {
        pugi::xml_node test = add_case(node, suite.name, "run", c);
        set(test.append_child("error"), "message", suite.error);
        c.errors++;
    }
    set_counts(node, c, suite.seconds);
    return c;
}

}  // namespace

void write_junit(const run_record& run, std::ostream& out) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    pugi::xml_node root = doc.append_child("testsuites");
    set(root, "name", run.title);
    counts all;
    double seconds = 0;
    for (const auto& suite : run.suites) {
        all.add(add_suite(root, run, suite));
        seconds += suite.seconds;
    }
    set_counts(root, all, seconds);
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
}

std::string junit_xml(const run_record& run) {
    std::ostringstream out;
    write_junit(run, out);
    return out.str();
}

bool write_junit_file(const run_record& run, const std::string& path, std::string& error) {
    return write_output_file(path, junit_xml(run), error);
}

}  // namespace kest_host::report
