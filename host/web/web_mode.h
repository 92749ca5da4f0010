// `kest-host --interactive --web [ADDR:]PORT`: the console and the browser panel on
// one event loop. Lines typed at the console and statements sent by pages run in
// the same session, one at a time, through the same console (so both are traced and
// both go into a `record` file); after each, every open page gets the parts of the
// page that changed.
//
// The session ends with `quit` (typed or from a `load`ed file), with SIGINT or
// SIGTERM, or at the end of standard input when it is a terminal (Ctrl-D). When
// standard input is a pipe or a file, its end does not end the session: the page
// stays served until a signal.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/streambuf.hpp>

#include "console/interactive.h"
#include "web/web_server.h"
#include "web/web_view.h"

namespace kest_host::web {

struct web_setup {
    console_setup console;
    std::string listen;  // [ADDR:]PORT
    std::string token;   // --web-token ("" none given)
    std::string studio;  // the scenario file the session started with, for the title
};

// Runs until the session ends; the exit status of the session (2 when the address
// cannot be served).
int run_web(const web_setup& setup, std::ostream& out, std::ostream& err);

// --- Shared by the simulated and the live drivers ----------------------------------
// The server's config from --web and --web-token (a token made up where one is
// needed); nullopt after saying why on `err`.
std::optional<server_config> web_config(const std::string& listen, const std::string& token,
                                        std::ostream& err);
// What the server serves: the page, its script and style, the view's parts; a page's
// statement, once allowed, is printed as "web> ..." and handed to `run`. A page that
// opens gets the view's parts after `catch_up` (when given) has brought them up to date.
server_handlers site_handlers(const std::string& studio, const std::string& token, page_view& view,
                              std::ostream& out, std::function<void(const std::string&)> run,
                              std::function<void()> catch_up = {});
// A console setup for a driver that reads standard input itself.
console_setup without_terminal(console_setup setup);
// Sends every open page the parts of the page that changed since the last call. With
// no page open nothing is drawn: a page that opens is caught up first (catch_up).
void publish(page_view& view, console_session& console, web_server& server);
// Brings the view's parts up to date with the session, sending them nowhere.
void catch_up(page_view& view, console_session& console);
// Standard input, duplicated, on `input` so that it can be waited for on the loop;
// false where it cannot wait there (a regular file, /dev/null), leaving nothing open.
bool stdin_on_loop(boost::asio::posix::stream_descriptor& input);
// The first `n` bytes of `buffer`, a line read up to its '\n', without the '\n'.
std::string take_line(boost::asio::streambuf& buffer, std::size_t n);

}  // namespace kest_host::web
