#include "app/live_mode.h"

#include <iostream>

#include "common/diagnostic.h"
#include "common/interrupt.h"
#include "common/platform.h"
#include "console/interactive.h"
#include "live/live_studio.h"
#include "scenario/scenario_file.h"

namespace kest_host {

int run_live(const command_line& c, const run_options& options, live::live_studio& studio,
             std::ostream& out, std::ostream& err) {
    scenario parsed;
    std::string error;
    scenario_limits limits;
    limits.values = &options.values;
    if (!read_scenario_file(c.live, parsed, error, limits)) {
        print_error(err, error);
        return 2;
    }
    if (c.interactive) {
        console_setup setup;
        setup.options = options;
        setup.terminal = is_terminal(stdin);
        setup.start = std::move(parsed);
        setup.on_start = [&studio](scenario_runner& r) { studio.start_real_time(r.host()); };
        setup.wait_input = [&studio](int fd, const std::function<void()>& woke) {
            return studio.wait_input(fd, woke);
        };
        studio.catch_signals(false);  // Ctrl-C belongs to the console
        return run_interactive(setup, std::cin, out, err);
    }
    scenario_runner runner(options, out);
    studio.start_real_time(runner.host());
    studio.catch_signals();
    for (const auto& s : parsed.steps) {
        if (!runner.execute(s, parsed.file) || studio.stop_requested()) {
            return runner.finish();
        }
    }
    if (!runner.panel_live()) {
        step start;
        start.what = stmt::start{};
        start.source = "start";
        if (!runner.execute(start, parsed.file)) {
            return runner.finish();
        }
    }
    out << "kest-host: live" << (c.for_ms ? " for " + std::to_string(*c.for_ms / 1000) + " s" : "")
        << "; SIGINT or SIGTERM ends it\n";
    // Hours at a time, so that the loop's deadline never overflows.
    constexpr int64_t kSlice = 3600LL * 1000;
    int64_t left = c.for_ms.value_or(kSlice);
    while (left > 0 && !studio.stop_requested() && !interrupt_requested()) {
        const int64_t slice = std::min(left, kSlice);
        studio.advance(slice);
        if (c.for_ms) {
            left -= slice;
        }
    }
    out << "kest-host: live run ends\n";
    return runner.finish();
}

}  // namespace kest_host
