// kest-event-loop: drives one kind of event N times on the plug-in or on the
// baseline, for instruction counts under callgrind (tools/callgrind-events.sh).
//
//   kest-event-loop <plugin|baseline> <event> <iterations>
//
// <event> is press_release (a GPI press that routes and the release that restores:
// two events per iteration), mixed (one round of the mixed workload: nine events
// per iteration) or one of the single events of the benchmarks. Running the same
// event at two iteration counts and dividing the difference cancels the start-up.
// Prints the number of events delivered.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "panel_pair.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: kest-event-loop <plugin|baseline> <press_release|mixed|gpi_press|"
                 "gpi_release|router_revertive|tally_slot|database_change|parent_request> "
                 "<iterations>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kest_bench;
    if (argc != 4) {
        return usage();
    }
    const std::string side = argv[1];
    const std::string event = argv[2];
    char* end = nullptr;
    const long iterations = std::strtol(argv[3], &end, 10);
    if ((side != "plugin" && side != "baseline") || end == argv[3] || *end != '\0' ||
        iterations < 0) {
        return usage();
    }
    const bool plugin = side == "plugin";

    panel_pair pair;
    if (!pair.error().empty()) {
        std::fprintf(stderr, "%s\n", pair.error().c_str());
        return 1;
    }
    long events = 0;
    if (event == "press_release") {
        for (long i = 0; i < iterations; ++i) {
            if (plugin) {
                pair.plugin(event_kind::gpi_press);
                pair.plugin(event_kind::gpi_release);
            } else {
                pair.baseline(event_kind::gpi_press);
                pair.baseline(event_kind::gpi_release);
            }
            events += 2;
        }
    } else if (event == "mixed") {
        for (long i = 0; i < iterations; ++i) {
            events += plugin ? pair.pluginMixedRound() : pair.baselineMixedRound();
        }
    } else {
        bool known = false;
        for (const event_kind kind : kAllEventKinds) {
            if (event == eventName(kind)) {
                known = true;
                for (long i = 0; i < iterations; ++i) {
                    if (plugin) {
                        pair.plugin(kind);
                    } else {
                        pair.baseline(kind);
                    }
                }
                events = iterations;
            }
        }
        if (!known) {
            return usage();
        }
    }
    std::printf("%ld events, %llu commands\n", events,
                static_cast<unsigned long long>(pair.host.commands()));
    return 0;
}
