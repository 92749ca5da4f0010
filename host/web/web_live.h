// `kest-host --live FILE --web [ADDR:]PORT`: the browser panel on the live studio's
// loop. The file's statements run first (the panel is started if the file did not
// start it); then the studio runs in real time, every change reaching the pages as
// the loop wakes, until SIGINT or SIGTERM, `quit`, or --for SECONDS. With
// --interactive, lines typed at standard input run as at the console.
//
// A page's statement (and a typed line) is taken by a loop handler but run after the
// handler returns, between waits of the loop: never inside it. On a real router the
// crosspoints it causes pass the destination guard and --read-only like any other.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "scenario/scenario_runner.h"

namespace kest_host::live {
class live_studio;
}

namespace kest_host::web {

struct live_web_setup {
    std::string file;  // --live FILE
    std::string listen;
    std::string token;
    bool interactive = false;
    std::optional<int64_t> for_ms;
    run_options options;  // with the studio as its real devices
};

int run_live_web(const live_web_setup& setup, live::live_studio& studio, std::ostream& out,
                 std::ostream& err);

}  // namespace kest_host::web
