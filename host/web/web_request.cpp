#include "web/web_request.h"

#include <boost/beast/websocket.hpp>

namespace kest_host::web {

namespace http = boost::beast::http;

namespace {

std::string_view view_of(boost::beast::string_view s) {
    return {s.data(), s.size()};
}

}  // namespace

request_facts facts_of(const http::request<http::empty_body>& request) {
    const auto header = [&](auto name) -> std::optional<std::string_view> {
        const auto it = request.find(name);
        if (it == request.end()) {
            return std::nullopt;
        }
        return view_of(it->value());
    };
    request_facts facts;
    facts.method = view_of(request.method_string());
    facts.target = view_of(request.target());
    facts.host = header(http::field::host);
    facts.origin = header(http::field::origin);
    facts.fetch_site = header("Sec-Fetch-Site");
    facts.fetch_mode = header("Sec-Fetch-Mode");
    facts.websocket = boost::beast::websocket::is_upgrade(request);
    return facts;
}

}  // namespace kest_host::web
