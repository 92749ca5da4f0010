#include "web/web_guard.h"

#include <algorithm>
#include <charconv>
#include <random>

#include <boost/asio/ip/address.hpp>

namespace kest_host::web {

namespace {

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

bool any_address(const std::string& address) {
    return address == "0.0.0.0" || address == "::";
}

verdict refuse(int status, std::string reason) {
    return verdict{status, std::move(reason), {}};
}

// The port of a Host value ("name:port" or "[v6]:port"); nullopt when it has none.
std::optional<uint16_t> host_port(std::string_view host) {
    const auto colon = host.rfind(':');
    if (colon == std::string_view::npos ||
        (host.find(']') != std::string_view::npos && host.find(']') > colon)) {
        return std::nullopt;
    }
    const std::string_view digits = host.substr(colon + 1);
    uint16_t port = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return port;
}

bool host_allowed(std::string_view host, const guard_config& config) {
    if (any_address(config.address)) {
        // Bound to every address: any name the machine goes by, with our port (the
        // token keeps strangers out).
        return host_port(host) == config.port;
    }
    return equal_ignoring_case(host, authority(config.address, config.port));
}

}  // namespace

std::optional<listen_address> parse_listen_address(std::string_view text, std::string& error) {
    listen_address where;
    std::string_view port_text = text;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find("]:");
        if (close == std::string_view::npos) {
            error = "--web: an IPv6 address is written [ADDR]:PORT";
            return std::nullopt;
        }
        where.address = std::string(text.substr(1, close - 1));
        port_text = text.substr(close + 2);
    } else if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        where.address = std::string(text.substr(0, colon));
        port_text = text.substr(colon + 1);
    }
    const bool bracketed = !text.empty() && text.front() == '[';
    boost::system::error_code ec;
    const auto parsed = boost::asio::ip::make_address(where.address, ec);
    if (ec || parsed.is_v6() != bracketed) {
        error = "--web: \"" + where.address + "\" is not an IP address" +
                (bracketed ? "" : " (an IPv6 address is written [ADDR]:PORT)");
        return std::nullopt;
    }
    if (parsed.to_string() != where.address) {
        // One spelling, so that the Host a browser sends compares exactly.
        if (parsed.is_v4()) {
            error = "--web: write the address \"" + where.address + "\" as " + parsed.to_string();
            return std::nullopt;
        }
        where.address = parsed.to_string();
    }
    unsigned port = 0;
    const auto r = std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
    if (port_text.empty() || r.ec != std::errc() || r.ptr != port_text.data() + port_text.size() ||
        port > 65535) {
        error = "--web: \"" + std::string(port_text) + "\" is not a port (0 to 65535)";
        return std::nullopt;
    }
    where.port = static_cast<uint16_t>(port);
    return where;
}

std::string authority(const std::string& address, uint16_t port) {
    const bool v6 = address.find(':') != std::string::npos;
    return (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

bool needs_token(const std::string& address) {
    return address != "127.0.0.1" && address != "::1";
}

bool valid_token(std::string_view token) {
    return token.size() >= 16 && token.size() <= 128 &&
           std::all_of(token.begin(), token.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
           });
}

std::string make_token() {
    std::random_device source;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 32; ++i) {
        token += kHex[source() & 0xfU];
    }
    return token;
}

std::optional<std::string_view> query_value(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const auto eq = pair.find('=');
        if (pair.substr(0, eq) == name) {
            return eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
        }
        if (amp == std::string_view::npos) {
            break;
        }
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

bool same_secret(std::string_view a, std::string_view b) {
    // Every byte of the longer one is looked at, whatever the lengths.
    const std::size_t n = std::max(a.size(), b.size());
    unsigned diff = a.size() == b.size() ? 0U : 1U;
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : 0);
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : 0);
        diff |= static_cast<unsigned>(x ^ y);
    }
    return diff == 0;
}

verdict judge(const request_facts& request, const guard_config& config) {
    if (request.method != "GET") {
        return refuse(405, "only GET is served");
    }
    if (request.target.empty() || request.target.front() != '/') {
        return refuse(400, "the request target is not a path");
    }
    if (!request.host || !host_allowed(*request.host, config)) {
        return refuse(403, "the Host header does not name the served address");
    }
    const std::string own_origin = "http://" + std::string(*request.host);
    if (request.origin) {
        if (!equal_ignoring_case(*request.origin, own_origin)) {
            return refuse(403, "the request comes from another site (Origin)");
        }
    } else if (request.websocket) {
        return refuse(403, "a WebSocket request without Origin");
    }
    // A browser says where a request comes from even when it sends no Origin: only a
    // person's own navigation may come from elsewhere.
    if (request.fetch_site && *request.fetch_site == "cross-site" &&
        (!request.fetch_mode || *request.fetch_mode != "navigate")) {
        return refuse(403, "the request comes from another site (Sec-Fetch-Site)");
    }
    const auto question = request.target.find('?');
    const std::string_view path = request.target.substr(0, question);
    if (!config.token.empty()) {
        const std::string_view query = question == std::string_view::npos
                                           ? std::string_view()
                                           : request.target.substr(question + 1);
        const auto given = query_value(query, "token");
        if (!given || !same_secret(*given, config.token)) {
            return refuse(403, "this address needs the token (?token=...)");
        }
    }
    return verdict{200, {}, std::string(path)};
}

bool rate_limit::take(clock::time_point now) {
    if (last_) {
        const double seconds = std::chrono::duration<double>(now - *last_).count();
        tokens_ = std::min(burst_, tokens_ + std::max(0.0, seconds) * rate_);
    }
    last_ = now;
    if (tokens_ < 1.0) {
        return false;
    }
    tokens_ -= 1.0;
    return true;
}

}  // namespace kest_host::web
