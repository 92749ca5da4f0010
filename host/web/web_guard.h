// Who may talk to the browser panel. Every HTTP request and WebSocket upgrade is
// judged here before anything else reads it:
//   - Host must name the served address (a page of another site that resolves its
//     own name to us cannot reach the panel);
//   - Origin, when the browser sends one, must be that same address; a WebSocket
//     upgrade must carry it (browsers always do);
//   - on any address other than exactly 127.0.0.1 or ::1, the token must come with
//     the request (?token=...), compared in constant time.
// Pure functions on plain strings, so that the tests can throw anything at them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kest_host::web {

// Where the page is served: "[ADDR:]PORT", ADDR an IPv4 address or a bracketed IPv6
// one ("[::1]:8080"); 127.0.0.1 when only the port is given. Port 0 asks the system
// for a free one.
struct listen_address {
    std::string address = "127.0.0.1";
    uint16_t port = 0;
};
std::optional<listen_address> parse_listen_address(std::string_view text, std::string& error);

// "127.0.0.1:8080" or "[::1]:8080": the authority a browser sends as Host.
std::string authority(const std::string& address, uint16_t port);

// Only these two addresses are served without a token.
bool needs_token(const std::string& address);

// A token given with --web-token: 16 to 128 of A-Z a-z 0-9 - _ (it goes in URLs and
// the page unescaped).
bool valid_token(std::string_view token);
// 32 hex digits from the system's random source.
std::string make_token();

// What the guard needs of a request.
struct request_facts {
    std::string_view method;
    std::string_view target;  // path and query as sent
    std::optional<std::string_view> host;
    std::optional<std::string_view> origin;
    std::optional<std::string_view> fetch_site;  // Sec-Fetch-Site
    std::optional<std::string_view> fetch_mode;  // Sec-Fetch-Mode
    bool websocket = false;
};

struct guard_config {
    std::string address;  // as bound; 0.0.0.0 or :: serves any Host with our port
    uint16_t port = 0;
    std::string token;  // empty: none needed
};

struct verdict {
    int status = 200;    // 200 to go on; otherwise the refusal to send
    std::string reason;  // for the refusal's body and the host's log
    std::string path;    // the path without the query, when allowed
};

verdict judge(const request_facts& request, const guard_config& config);

// The value of `name` in a query string ("a=1&token=x"), undecoded; nullopt if absent.
std::optional<std::string_view> query_value(std::string_view query, std::string_view name);

// Constant-time comparison of two strings of any lengths.
bool same_secret(std::string_view a, std::string_view b);

// A token bucket: `rate` per second, at most `burst` at once.
class rate_limit {
  public:
    using clock = std::chrono::steady_clock;
    rate_limit(double rate, double burst) : rate_(rate), burst_(burst), tokens_(burst) {}
    // Takes one; false when the bucket is empty.
    bool take(clock::time_point now);

  private:
    double rate_;
    double burst_;
    double tokens_;
    std::optional<clock::time_point> last_;
};

}  // namespace kest_host::web
