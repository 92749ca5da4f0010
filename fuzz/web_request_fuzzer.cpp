// Fuzzes what the browser panel's server reads from strangers: HTTP request heads,
// WebSocket frames from an open page, and the statements those frames carry.
//
// The first byte picks how the rest is split into reads (1 to 256 bytes each). The
// rest is read three ways, each with the server's own bounds:
//   - as a request head, whole and in pieces; whatever parses is judged on 127.0.0.1
//     without a token and on 127.0.0.2 with one;
//   - as the frames a page sends after its WebSocket was accepted;
//   - as one page message.
// Besides memory errors it checks:
//   - a request within the head bound parses to the same thing however it was split;
//   - a request let through is a GET of a path, names the served address as Host,
//     carries no foreign Origin, and carries the token where one is needed; a refusal
//     says why;
//   - no message read from the frames is over the message bound, and a statement let
//     through is press or release of an input from 1 to 8, or a fault offered.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/beast/_experimental/test/stream.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "web/web_guard.h"
#include "web/web_message.h"
#include "web/web_request.h"
#include "web/web_server.h"

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace web = kest_host::web;

constexpr const char* kToken = "fuzz-token-0123456789";

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "web_request: %s\n", what);
    std::abort();
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// What a parse came to: nullopt for a refusal, else the request's own words.
struct parsed {
    std::string method, target, host, origin;
    bool websocket = false;
    bool operator==(const parsed& o) const {
        return method == o.method && target == o.target && host == o.host && origin == o.origin &&
               websocket == o.websocket;
    }
};

std::optional<http::request<http::empty_body>> parse(std::string_view bytes, std::size_t piece) {
    http::request_parser<http::empty_body> parser;
    parser.header_limit(web::web_server::kMaxHeader);
    parser.body_limit(0);
    std::string pending;
    std::size_t offered = 0;
    while (!parser.is_done()) {
        if (offered == bytes.size() && pending.empty()) {
            return std::nullopt;  // the head never ended
        }
        const std::size_t n = std::min(piece, bytes.size() - offered);
        pending.append(bytes.substr(offered, n));
        offered += n;
        beast::error_code ec;
        const std::size_t used = parser.put(boost::asio::buffer(pending), ec);
        pending.erase(0, used);
        if (ec == http::error::need_more) {
            if (offered == bytes.size()) {
                return std::nullopt;
            }
            continue;
        }
        if (ec) {
            return std::nullopt;
        }
    }
    return parser.release();
}

std::optional<parsed> words(const std::optional<http::request<http::empty_body>>& request) {
    if (!request) {
        return std::nullopt;
    }
    const web::request_facts facts = web::facts_of(*request);
    parsed out;
    out.method = std::string(facts.method);
    out.target = std::string(facts.target);
    out.host = facts.host ? "h:" + std::string(*facts.host) : "";
    out.origin = facts.origin ? "o:" + std::string(*facts.origin) : "";
    out.websocket = facts.websocket;
    return out;
}

void check_judged(const web::request_facts& facts, const web::guard_config& config) {
    const web::verdict v = web::judge(facts, config);
    if (v.status != 200) {
        if (v.reason.empty() || (v.status != 400 && v.status != 403 && v.status != 405)) {
            fail("a refusal without a reason, or with an unexpected status");
        }
        return;
    }
    const std::string own = web::authority(config.address, config.port);
    if (facts.method != "GET" || v.path.empty() || v.path.front() != '/' ||
        v.path.find('?') != std::string::npos || facts.target.substr(0, v.path.size()) != v.path) {
        fail("a request let through that is not a GET of a path");
    }
    if (!facts.host || !same_ignoring_case(*facts.host, own)) {
        fail("a request let through with a Host other than the served address");
    }
    if (facts.origin && !same_ignoring_case(*facts.origin, "http://" + own)) {
        fail("a request let through from another site");
    }
    if (facts.websocket && !facts.origin) {
        fail("a WebSocket let through without an Origin");
    }
    if (!config.token.empty()) {
        const auto question = facts.target.find('?');
        const auto given = question == std::string_view::npos
                               ? std::nullopt
                               : web::query_value(facts.target.substr(question + 1), "token");
        if (!given || *given != config.token) {
            fail("a request let through without the token on an address that needs it");
        }
    }
}

void check_statement(std::string_view message, const std::vector<std::string>& faults) {
    std::string why;
    const auto statement = web::page_statement(message, faults, why);
    if (!statement) {
        if (why.empty()) {
            fail("a page message refused without a reason");
        }
        return;
    }
    if (*statement != message || message.size() > web::kMaxPageMessage) {
        fail("a statement let through that is not the page's message");
    }
    const bool input = (message.size() == 7 && message.substr(0, 6) == "press ") ||
                       (message.size() == 9 && message.substr(0, 8) == "release ");
    if (input ? (message.back() < '1' || message.back() > '8')
              : std::find(faults.begin(), faults.end(), message) == faults.end()) {
        fail("a statement let through that a page may not send");
    }
}

// The bytes as the frames of a page whose WebSocket was accepted, read as the server
// reads them.
void check_frames(std::string_view bytes, const std::vector<std::string>& faults) {
    boost::asio::io_context loop;
    beast::test::stream server(loop), client(loop);
    server.connect(client);
    websocket::stream<beast::test::stream&> ws(server);
    ws.read_message_max(web::kMaxPageMessage);
    http::request<http::empty_body> upgrade(http::verb::get, "/ws", 11);
    upgrade.set(http::field::host, "127.0.0.1:8080");
    upgrade.set(http::field::origin, "http://127.0.0.1:8080");
    upgrade.set(http::field::upgrade, "websocket");
    upgrade.set(http::field::connection, "Upgrade");
    upgrade.set(http::field::sec_websocket_key, "dGhlIHNhbXBsZSBub25jZQ==");
    upgrade.set(http::field::sec_websocket_version, "13");
    beast::error_code ec;
    ws.accept(upgrade, ec);
    if (ec) {
        fail("the WebSocket handshake was refused");
    }
    server.append(beast::string_view(bytes.data(), bytes.size()));
    server.close_remote();
    for (int messages = 0; messages < 1000; ++messages) {
        beast::flat_buffer buffer;
        ws.read(buffer, ec);
        if (ec) {
            return;  // the end of the bytes, or a frame the server refuses
        }
        if (buffer.size() > web::kMaxPageMessage) {
            fail("a message over the bound was read");
        }
        check_statement(beast::buffers_to_string(buffer.data()), faults);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = std::size_t{data[0]} + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    static const std::vector<std::string> faults = web::offered_faults(true, true, true);

    const auto whole = parse(bytes, bytes.size() + 1);
    // Beast weighs the head bound against what it holds at once, so only a head
    // well within the bound must come out the same however it arrives.
    if (bytes.size() <= web::web_server::kMaxHeader &&
        !(words(whole) == words(parse(bytes, piece)))) {
        fail("the request parses differently when split");
    }
    if (whole) {
        const web::request_facts facts = web::facts_of(*whole);
        check_judged(facts, web::guard_config{"127.0.0.1", 8080, ""});
        check_judged(facts, web::guard_config{"127.0.0.2", 8080, kToken});
        check_judged(facts, web::guard_config{"::1", 8080, ""});
    }
    check_frames(bytes, faults);
    check_statement(bytes, faults);
    return 0;
}
