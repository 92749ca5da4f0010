// Who may reach the browser panel: the listen address, Host and Origin, the token and
// the rate limit, with hand-picked cases and random mutations of a good request.
#include "web/web_guard.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace kest_host::web {
namespace {

TEST(ListenAddress, AddressesAndPorts) {
    std::string error;
    struct good_case {
        const char* text;
        const char* address;
        uint16_t port;
    };
    for (const auto& c :
         {good_case{"8080", "127.0.0.1", 8080}, good_case{"127.0.0.2:0", "127.0.0.2", 0},
          good_case{"0.0.0.0:65535", "0.0.0.0", 65535}, good_case{"[::1]:9", "::1", 9},
          good_case{"[0:0::1]:9", "::1", 9}, good_case{"[::]:1", "::", 1}}) {
        const auto where = parse_listen_address(c.text, error);
        ASSERT_TRUE(where) << c.text << ": " << error;
        EXPECT_EQ(where->address, c.address) << c.text;
        EXPECT_EQ(where->port, c.port) << c.text;
    }
    for (const char* bad :
         {"", ":", "x", "localhost:80", "127.0.0.1:", "127.0.0.1:65536", "127.0.0.1:-1",
          "127.0.0.1:8o", "::1:80", "[::1]80", "[::1]:", "[127.0.0.1]:80", "127.1:80",
          "127.0.0.1.5:1", "127.0.0.1:80:80", "[::1:80"}) {
        error.clear();
        EXPECT_FALSE(parse_listen_address(bad, error)) << bad;
        EXPECT_NE(error.find("--web"), std::string::npos) << bad;
    }
}

TEST(ListenAddress, OnlyTheTwoLoopbackAddressesGoWithoutToken) {
    EXPECT_FALSE(needs_token("127.0.0.1"));
    EXPECT_FALSE(needs_token("::1"));
    for (const char* a : {"127.0.0.2", "0.0.0.0", "::", "127.255.255.254", "::ffff:127.0.0.1"}) {
        EXPECT_TRUE(needs_token(a)) << a;
    }
    EXPECT_EQ(authority("127.0.0.1", 80), "127.0.0.1:80");
    EXPECT_EQ(authority("::1", 8080), "[::1]:8080");
}

TEST(Token, GivenAndMade) {
    EXPECT_TRUE(valid_token("abcdefghijklmnop"));
    EXPECT_TRUE(valid_token(std::string(128, 'A')));
    EXPECT_FALSE(valid_token("short"));
    EXPECT_FALSE(valid_token(std::string(129, 'a')));
    EXPECT_FALSE(valid_token("abcdefghijklmno&p"));   // would break the URL
    EXPECT_FALSE(valid_token("abcdefghijklmno\"p"));  // would break the page
    const std::string a = make_token();
    const std::string b = make_token();
    EXPECT_EQ(a.size(), 32U);
    EXPECT_TRUE(valid_token(a));
    EXPECT_NE(a, b);
}

TEST(Token, QueryAndComparison) {
    EXPECT_EQ(query_value("token=abc", "token"), "abc");
    EXPECT_EQ(query_value("a=1&token=abc&b=2", "token"), "abc");
    EXPECT_EQ(query_value("xtoken=abc", "token"), std::nullopt);
    EXPECT_EQ(query_value("token", "token"), "");
    EXPECT_EQ(query_value("", "token"), std::nullopt);
    EXPECT_TRUE(same_secret("abc", "abc"));
    EXPECT_FALSE(same_secret("abc", "abd"));
    EXPECT_FALSE(same_secret("abc", "abcd"));
    EXPECT_FALSE(same_secret("", "a"));
    EXPECT_FALSE(same_secret(std::string_view("ab\0", 3), "ab"));
}

constexpr const char* kToken = "0123456789abcdef0123";

request_facts good_request() {
    request_facts r;
    r.method = "GET";
    r.target = "/?token=0123456789abcdef0123";
    r.host = "127.0.0.2:8080";
    return r;
}

guard_config config_for(const char* address, const char* token) {
    return guard_config{address, 8080, token};
}

TEST(Judge, HostOriginAndToken) {
    const guard_config with_token = config_for("127.0.0.2", kToken);
    EXPECT_EQ(judge(good_request(), with_token).status, 200);
    EXPECT_EQ(judge(good_request(), with_token).path, "/");

    struct refusal {
        const char* what;
        void (*change)(request_facts&);
        int status;
    };
    const refusal cases[] = {
        {"a POST", [](request_facts& r) { r.method = "POST"; }, 405},
        {"an absolute target", [](request_facts& r) { r.target = "http://127.0.0.2:8080/"; }, 400},
        {"no Host", [](request_facts& r) { r.host.reset(); }, 403},
        {"another name", [](request_facts& r) { r.host = "evil.example:8080"; }, 403},
        {"another port", [](request_facts& r) { r.host = "127.0.0.2:8081"; }, 403},
        {"no port", [](request_facts& r) { r.host = "127.0.0.2"; }, 403},
        {"a foreign Origin", [](request_facts& r) { r.origin = "http://evil.example"; }, 403},
        {"Origin of another port", [](request_facts& r) { r.origin = "http://127.0.0.2:8081"; },
         403},
        {"an https Origin", [](request_facts& r) { r.origin = "https://127.0.0.2:8080"; }, 403},
        {"a null Origin", [](request_facts& r) { r.origin = "null"; }, 403},
        {"a WebSocket without Origin", [](request_facts& r) { r.websocket = true; }, 403},
        {"no token", [](request_facts& r) { r.target = "/"; }, 403},
        {"a wrong token", [](request_facts& r) { r.target = "/?token=0123456789abcdef0124"; }, 403},
        {"a token cut short", [](request_facts& r) { r.target = "/?token=0123456789abcdef012"; },
         403},
        {"a token with more", [](request_facts& r) { r.target = "/?token=0123456789abcdef01234"; },
         403},
        {"the token under another name",
         [](request_facts& r) { r.target = "/?xtoken=0123456789abcdef0123"; }, 403},
        {"a cross-site fetch",
         [](request_facts& r) {
             r.fetch_site = "cross-site";
             r.fetch_mode = "no-cors";
         },
         403},
    };
    for (const auto& c : cases) {
        request_facts r = good_request();
        c.change(r);
        const verdict v = judge(r, with_token);
        EXPECT_EQ(v.status, c.status) << c.what;
        EXPECT_FALSE(v.reason.empty()) << c.what;
        EXPECT_TRUE(v.path.empty()) << c.what;
    }
}

TEST(Judge, WhatIsAllowed) {
    const guard_config with_token = config_for("127.0.0.2", kToken);
    request_facts ws = good_request();
    ws.target = "/ws?a=1&token=0123456789abcdef0123";
    ws.origin = "http://127.0.0.2:8080";
    ws.websocket = true;
    EXPECT_EQ(judge(ws, with_token).status, 200);
    EXPECT_EQ(judge(ws, with_token).path, "/ws");

    request_facts navigation = good_request();  // a person following a link
    navigation.fetch_site = "cross-site";
    navigation.fetch_mode = "navigate";
    EXPECT_EQ(judge(navigation, with_token).status, 200);

    // Loopback without a token; the Host still has to be ours.
    request_facts local = good_request();
    local.target = "/page.js";
    local.host = "127.0.0.1:8080";
    EXPECT_EQ(judge(local, config_for("127.0.0.1", "")).status, 200);
    local.host = "localhost:8080";
    EXPECT_EQ(judge(local, config_for("127.0.0.1", "")).status, 403);

    request_facts v6 = good_request();
    v6.target = "/";
    v6.host = "[::1]:8080";
    v6.origin = "http://[::1]:8080";
    EXPECT_EQ(judge(v6, config_for("::1", "")).status, 200);

    // Bound to every address: any name with our port, never another port.
    request_facts any = good_request();
    any.host = "studio-box.local:8080";
    any.origin = "http://studio-box.local:8080";
    EXPECT_EQ(judge(any, config_for("0.0.0.0", kToken)).status, 200);
    any.host = "studio-box.local:9090";
    any.origin = "http://studio-box.local:9090";
    EXPECT_EQ(judge(any, config_for("0.0.0.0", kToken)).status, 403);
    any.host = "[::1]";
    EXPECT_EQ(judge(any, config_for("::", kToken)).status, 403);
}

// A letter changed into its other case is the same name: not a mutation.
bool same_ignoring_case(char a, char b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(a) == lower(b);
}

TEST(Judge, NoMutationOfHostOriginOrTokenGetsThrough) {
    std::mt19937 random(20231209);
    const guard_config config = config_for("127.0.0.2", kToken);
    const std::string host = "127.0.0.2:8080";
    const std::string origin = "http://127.0.0.2:8080";
    const std::string target = "/ws?token=0123456789abcdef0123";
    int checked = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string h = host;
        std::string o = origin;
        std::string t = target;
        std::string* which = i % 3 == 0 ? &h : i % 3 == 1 ? &o : &t;
        // The token's value only: the path may change and still be a path.
        const std::size_t from = which == &t ? t.find('=') + 1 : 0;
        const std::size_t at = from + random() % (which->size() - from);
        const char was = (*which)[at];
        const int kind = static_cast<int>(random() % 3);
        if (kind == 0) {
            const char now = static_cast<char>(random() % 256);
            if (same_ignoring_case(now, was)) {
                continue;
            }
            (*which)[at] = now;
        } else if (kind == 1) {
            which->erase(at, 1);
        } else {
            which->insert(at, 1, static_cast<char>(random() % 256));
        }
        request_facts r;
        r.method = "GET";
        r.target = t;
        r.host = h;
        r.origin = o;
        r.websocket = true;
        const verdict v = judge(r, config);
        ++checked;
        ASSERT_NE(v.status, 200) << "host " << h << " origin " << o << " target " << t;
    }
    EXPECT_GT(checked, 15000);
}

TEST(RateLimit, BurstThenRate) {
    rate_limit limit(10, 3);
    const auto t0 = rate_limit::clock::time_point{} + std::chrono::hours(1);
    EXPECT_TRUE(limit.take(t0));
    EXPECT_TRUE(limit.take(t0));
    EXPECT_TRUE(limit.take(t0));
    EXPECT_FALSE(limit.take(t0));
    EXPECT_FALSE(limit.take(t0 + std::chrono::milliseconds(50)));  // half a token
    EXPECT_TRUE(limit.take(t0 + std::chrono::milliseconds(110)));
    EXPECT_FALSE(limit.take(t0 + std::chrono::milliseconds(120)));
    // A long pause fills the bucket up to the burst, no further.
    const auto later = t0 + std::chrono::hours(1);
    int taken = 0;
    while (limit.take(later)) {
        ++taken;
    }
    EXPECT_EQ(taken, 3);
    // A clock that goes back gives nothing.
    EXPECT_FALSE(limit.take(t0));
}

}  // namespace
}  // namespace kest_host::web
