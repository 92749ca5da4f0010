// Scenario lines run against a live studio in real time, for the tests of real
// devices. A line "!X" is no statement: the test's hook gets X, to make the router
// or a tally sender do something while the panel runs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

#include "live/live_studio.h"
#include "scenario/scenario_runner.h"

namespace kest_test {

struct live_run {
    int status = 0;
    uint64_t failed = 0;
    std::string out;
    std::string error;  // the step that could not run
};

// Runs `text` as the scenario `file` with the plug-in at KEST_TAVRIN_PATH, stopping
// at the first step that cannot run.
inline live_run run_live(kest_host::live::live_studio& studio, const std::string& text,
                         const std::string& file,
                         const std::function<void(const std::string&)>& hook) {
    kest_host::run_options options;
    options.plugin = KEST_TAVRIN_PATH;
    options.devices = &studio;
    std::ostringstream out;
    options.errors = &out;
    live_run r;
    {
        kest_host::scenario_runner runner(options, out);
        std::istringstream in(text);
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line[0] == '!') {
                hook(line.substr(1));
                continue;
            }
            std::optional<kest_host::step> s;
            std::string error;
            EXPECT_TRUE(kest_host::parse_scenario_line(line, file, number, s, error)) << error;
            if (s && !runner.execute(*s, file)) {
                r.error = runner.error();
                break;
            }
        }
        r.failed = runner.failed_expectations();
        r.status = runner.finish();
    }
    r.out = out.str();
    return r;
}

inline bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace kest_test
