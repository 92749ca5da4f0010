// The statements that declare devices: simulated ones, a real router on the network
// and GPI inputs that follow TSL tally, with what a real device may be given.
#include "scenario/statement_table.h"

namespace kest_host {

namespace {

using reader = statement_reader;

bool parse_device(reader& r, statement& out) {
    stmt::device s;
    int which = 0;
    if (!r.word("router|infodriver|gpi", which)) {
        return false;
    }
    s.kind = static_cast<device_kind>(which);
    if (!r.number32("a device number", 0, kInt32Max, s.number)) {
        return false;
    }
    if (s.kind == device_kind::router && r.more()) {
        int videohub = 0;
        if (!r.word("videohub", videohub) || !r.any("HOST[:PORT]", s.address)) {
            return false;
        }
    }
    if (s.kind == device_kind::gpi && r.more()) {
        int tsl = 0;
        int transport = 0;
        if (!r.word("tsl", tsl) || !r.word("udp|tcp", transport) ||
            !r.any("[ADDR:]PORT", s.address)) {
            return false;
        }
        s.tsl = transport == 0 ? "udp" : "tcp";
    }
    return done(out, s);
}

// tsl input K index I [screen S] [lamp either|left|right|text] [colour red|green|amber|any]
// tsl input K address A [tally T]
bool parse_tsl_input(reader& r, statement& out) {
    stmt::tsl_input s;
    int word = 0;
    if (!r.word("input", word) || !r.number32("an input number", 1, 8, s.input) ||
        !r.word("index|address", word)) {
        return false;
    }
    s.address = word == 1;
    if (s.address) {
        if (!r.number32("a display address", 0, 126, s.index)) {
            return false;
        }
        return (!r.more() || (r.word("tally", word) && r.number32("a tally", 1, 4, s.tally))) &&
               done(out, s);
    }
    if (!r.number32("a display index", 0, 65535, s.index)) {
        return false;
    }
    int seen = 0;  // each option once, in any order
    while (r.more()) {
        int option = 0;
        if (!r.word("screen|lamp|colour", option)) {
            return false;
        }
        if ((seen & (1 << option)) != 0) {
            return r.fail("\"" +
                          std::string(option == 0   ? "screen"
                                      : option == 1 ? "lamp"
                                                    : "colour") +
                          "\" given twice");
        }
        seen |= 1 << option;
        const bool ok = option == 0   ? r.number32("a screen", 0, 65535, s.screen)
                        : option == 1 ? r.word("either|left|right|text", s.lamp)
                                      : r.word("red|green|amber|any", s.colour);
        if (!ok) {
            return false;
        }
    }
    return done(out, s);
}

bool parse_allow(reader& r, statement& out) {
    stmt::allow s;
    int dest = 0;
    return r.word("dest", dest) &&
           r.number32("a destination number", 1, kInt32Max, s.destination) && done(out, s);
}

}  // namespace

std::vector<statement_entry> device_statement_rows() {
    return {
        {"device",
         {"router|infodriver|gpi N", "router N videohub HOST[:PORT]",
          "gpi N tsl udp|tcp [ADDR:]PORT"},
         "a device with number N; a router may be a real one on the network (port 9990 by "
         "default), a GPI device may follow TSL UMD tally on a port (of 127.0.0.1 unless ADDR "
         "names another), and the scenario then runs in real time",
         parse_device,
         "device router 12"},
        {"tsl",
         {"input K index I [screen S] [lamp either|left|right|text] [colour red|green|amber|any]",
          "input K address A [tally T]"},
         "which TSL tally display input K (1 to 8) of a TSL GPI device follows: version 5.0 "
         "index I on screen S (0), high while the lamp (either: left or right) shows the colour "
         "(red: 1 or 3); version 3.1 address A (0 to 126), tally T (1)",
         parse_tsl_input,
         "tsl input 1 index 12 lamp left colour red"},
        {"allow",
         {"dest D", nullptr},
         "a real router may take crosspoints to destination D too (besides the monitor's)",
         parse_allow,
         "allow dest 4"},
    };
}

}  // namespace kest_host
