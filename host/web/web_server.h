// The browser panel's server: one page, its script and style, and one WebSocket per
// open page, on the host's event loop (Boost.Beast on a Boost.Asio io_context the
// caller runs, single-threaded).
//
// Bounds, so that no page and no stranger can hold up or grow the host:
//   - a request's head is at most 8 KiB and carries no body; 30 s to send it;
//   - 64 connections at once, further ones are closed at once;
//   - per connection, 10 requests a second (bursts of 30) and per page 20 messages a
//     second (bursts of 60); beyond that the connection is closed;
//   - per page, at most kMaxQueued messages wait to be sent: a page that falls
//     further behind is told to reload and dropped (its socket closed after 2 s if it
//     does not take even that);
//   - a malformed request, frame or message closes that connection only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>

#include "web/web_guard.h"

namespace kest_host::web {

struct resource {
    std::string content_type;
    std::string body;
};

struct server_handlers {
    // The body served for a path ("/", "/page.js", ...); nullopt: 404. `query` is the
    // request's query, for a page that must carry the token on to its own requests.
    std::function<std::optional<resource>(const std::string& path, const std::string& query)> serve;
    // Everything a new page needs, as messages, sent to it first.
    std::function<std::vector<std::string>()> full_state;
    // A page's message; false (with why) refuses it and drops that page.
    std::function<bool(const std::string& message, std::string& why)> page_message;
};

struct server_config {
    listen_address listen;
    std::string token;  // required on every request when not empty
    std::size_t max_connections = 64;
    std::size_t max_queued = 256;
};

class web_server {
  public:
    static constexpr std::size_t kMaxHeader = 8192;

    web_server(boost::asio::io_context& loop, server_config config, server_handlers handlers,
               std::ostream& log);
    ~web_server();
    web_server(const web_server&) = delete;
    web_server& operator=(const web_server&) = delete;

    // Binds and listens; false with `error` when the address cannot be had.
    bool start(std::string& error);
    // The port served (the one the system chose for port 0).
    uint16_t port() const;
    // The page's address, with the token when one is needed.
    std::string url() const;
    // Sends a message to every open page.
    void broadcast(const std::string& message);
    std::size_t pages() const;
    // Pages dropped for falling behind, requests refused: counts for the log and tests.
    uint64_t dropped_pages() const;
    uint64_t refused_requests() const;
    // Stops listening and closes every connection.
    void stop();

    struct core;

  private:
    std::shared_ptr<core> core_;
};

}  // namespace kest_host::web
