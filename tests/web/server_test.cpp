// The browser panel's server over real loopback sockets: what it serves and with
// which headers, pages and their messages, and the bounds (slow pages, connections,
// sizes, rates). The server's loop runs on a thread of its own; the test speaks to it
// as a browser would, with Beast's synchronous client.
#include "web/web_server.h"

#include <gtest/gtest.h>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <future>
#include <sstream>
#include <thread>

#include "web/web_message.h"

namespace kest_host::web {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

// A server on 127.0.0.1 with a free port, its loop on a thread.
class served {
  public:
    explicit served(server_config config = {}) {
        handlers_.serve = [this](const std::string& path,
                                 const std::string&) -> std::optional<resource> {
            served_paths.push_back(path);
            if (path == "/") {
                return resource{"text/html", "<p>page</p>"};
            }
            return std::nullopt;
        };
        handlers_.full_state = [] {
            return std::vector<std::string>{"title\nstudio", "panel\n<p>"};
        };
        handlers_.page_message = [this](const std::string& m, std::string& why) {
            messages.push_back(m);
            if (m.rfind("bad", 0) == 0) {
                why = "a bad message";
                return false;
            }
            return true;
        };
        config.listen.address = "127.0.0.1";
        config.listen.port = 0;
        server_.emplace(loop_, config, handlers_, log_);
        std::string error;
        EXPECT_TRUE(server_->start(error)) << error;
        port = server_->port();
        thread_ = std::thread([this] { loop_.run(); });
    }
    ~served() {
        asio::post(loop_, [this] {
            server_->stop();
            work_.reset();
            loop_.stop();
        });
        thread_.join();
    }
    served(const served&) = delete;
    served& operator=(const served&) = delete;

    // Runs f on the server's loop and waits for it.
    template <class F>
    auto on_loop(F f) -> decltype(f()) {
        std::packaged_task<decltype(f())()> task(f);
        auto result = task.get_future();
        asio::post(loop_, [&task] { task(); });
        return result.get();
    }
    web_server& server() { return *server_; }
    std::string authority() const { return "127.0.0.1:" + std::to_string(port); }
    std::string log() {
        return on_loop([this] { return log_.str(); });
    }

    uint16_t port = 0;
    std::vector<std::string> messages;  // touched on the loop only
    std::vector<std::string> served_paths;

  private:
    asio::io_context loop_;
    asio::executor_work_guard<asio::io_context::executor_type> work_ = asio::make_work_guard(loop_);
    std::ostringstream log_;
    server_handlers handlers_;
    std::optional<web_server> server_;
    std::thread thread_;
};

tcp::socket connect(uint16_t port) {
    static asio::io_context client;
    tcp::socket s(client);
    s.connect({asio::ip::make_address("127.0.0.1"), port});
    return s;
}

http::response<http::string_body> get(served& s, const std::string& target,
                                      http::verb verb = http::verb::get,
                                      const std::string& origin = "") {
    tcp::socket sock = connect(s.port);
    http::request<http::string_body> req{verb, target, 11};
    req.set(http::field::host, s.authority());
    if (!origin.empty()) {
        req.set(http::field::origin, origin);
    }
    req.prepare_payload();
    http::write(sock, req);
    beast::flat_buffer buffer;
    http::response<http::string_body> res;
    http::read(sock, buffer, res);
    return res;
}

using page = websocket::stream<tcp::socket>;

std::unique_ptr<page> open_page(served& s, const std::string& origin = "") {
    auto ws = std::make_unique<page>(connect(s.port));
    const std::string from = origin.empty() ? "http://" + s.authority() : origin;
    ws->set_option(websocket::stream_base::decorator(
        [from](websocket::request_type& req) { req.set(http::field::origin, from); }));
    ws->handshake(s.authority(), "/ws");
    return ws;
}

std::string read_one(page& ws) {
    beast::flat_buffer buffer;
    ws.read(buffer);
    return beast::buffers_to_string(buffer.data());
}

// True when the server ends the page: the next read fails.
bool closed_by_server(page& ws) {
    beast::error_code ec;
    beast::flat_buffer buffer;
    for (int i = 0; i < 100 && !ec; ++i) {
        ws.read(buffer, ec);
        buffer.consume(buffer.size());
    }
    return static_cast<bool>(ec);
}

// Reads what the server sends on a raw connection until it closes it.
std::string until_closed(tcp::socket& sock) {
    std::string got;
    beast::error_code ec;
    char chunk[4096];
    while (!ec) {
        const std::size_t n = sock.read_some(asio::buffer(chunk), ec);
        got.append(chunk, n);
    }
    return got;
}

// Reads a raw WebSocket, after the handshake, until the server's close frame or the
// end of the connection.
std::string until_close_frame(tcp::socket& sock) {
    std::string got;
    beast::error_code ec;
    char chunk[4096];
    while (!ec) {
        const std::size_t n = sock.read_some(asio::buffer(chunk), ec);
        got.append(chunk, n);
        if (got.find('\x88') != std::string::npos) {
            break;
        }
    }
    return got;
}

TEST(WebServer, ServesWithItsPolicyAndNothingElse) {
    served s;
    const auto page = get(s, "/");
    EXPECT_EQ(page.result_int(), 200);
    EXPECT_EQ(page.body(), "<p>page</p>");
    const std::string csp(page["Content-Security-Policy"]);
    EXPECT_NE(csp.find("connect-src 'self'"), std::string::npos);
    EXPECT_NE(csp.find("script-src 'self';"), std::string::npos);  // no inline script
    EXPECT_NE(csp.find("default-src 'none'"), std::string::npos);
    EXPECT_EQ(page["X-Content-Type-Options"], "nosniff");
    EXPECT_EQ(get(s, "/elsewhere").result_int(), 404);
    EXPECT_EQ(get(s, "/", http::verb::post).result_int(), 405);
    EXPECT_EQ(get(s, "/", http::verb::get, "http://evil.example").result_int(), 403);
    EXPECT_EQ(s.on_loop([&] { return s.served_paths.size(); }), 2U);  // only the two GETs
    EXPECT_NE(s.log().find("another site"), std::string::npos);
}

TEST(WebServer, TokenOnEveryRequest) {
    server_config config;
    config.token = "abcdefghijklmnop";
    served s(config);
    EXPECT_EQ(get(s, "/").result_int(), 403);
    EXPECT_EQ(get(s, "/?token=abcdefghijklmnoq").result_int(), 403);
    EXPECT_EQ(get(s, "/?token=abcdefghijklmnop").result_int(), 200);
    EXPECT_EQ(s.server().url(), "http://" + s.authority() + "/?token=abcdefghijklmnop");
    auto ws = std::make_unique<page>(connect(s.port));
    ws->set_option(websocket::stream_base::decorator([&](websocket::request_type& req) {
        req.set(http::field::origin, "http://" + s.authority());
    }));
    beast::error_code ec;
    ws->handshake(s.authority(), "/ws", ec);
    EXPECT_TRUE(ec) << "a WebSocket without the token was taken";
}

TEST(WebServer, PagesGetTheStateThenEveryChange) {
    served s;
    auto one = open_page(s);
    EXPECT_EQ(read_one(*one), "title\nstudio");
    EXPECT_EQ(read_one(*one), "panel\n<p>");
    auto two = open_page(s);
    read_one(*two);
    read_one(*two);
    EXPECT_EQ(s.on_loop([&] { return s.server().pages(); }), 2U);
    s.on_loop([&] {
        s.server().broadcast(part_message("trace", "a"));
        return 0;
    });
    EXPECT_EQ(read_one(*one), "trace\na");
    EXPECT_EQ(read_one(*two), "trace\na");
    one->write(asio::buffer(std::string("press 2")));
    two->write(asio::buffer(std::string("release 2")));
    // The loop takes both soon; the bound is for a loaded machine.
    for (int i = 0; i < 2000 && s.on_loop([&] { return s.messages.size(); }) < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(s.on_loop([&] { return s.messages; }),
              (std::vector<std::string>{"press 2", "release 2"}));
    EXPECT_THROW(open_page(s, "http://evil.example"), beast::system_error);
}

TEST(WebServer, ABadMessageOrFrameEndsThatPageOnly) {
    served s;
    auto good = open_page(s);
    read_one(*good);
    read_one(*good);
    auto bad = open_page(s);
    bad->write(asio::buffer(std::string("bad one")));
    EXPECT_TRUE(closed_by_server(*bad));
    auto binary = open_page(s);
    binary->binary(true);
    binary->write(asio::buffer(std::string("press 2")));
    EXPECT_TRUE(closed_by_server(*binary));
    auto big = open_page(s);
    big->write(asio::buffer(std::string(kMaxPageMessage + 1, 'p')));
    EXPECT_TRUE(closed_by_server(*big));
    // A frame no client may send (unmasked) on a raw connection.
    tcp::socket raw = connect(s.port);
    const std::string upgrade = "GET /ws HTTP/1.1\r\nHost: " + s.authority() +
                                "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                "Sec-WebSocket-Version: 13\r\nOrigin: http://" +
                                s.authority() + "\r\n\r\n";
    asio::write(raw, asio::buffer(upgrade));
    beast::flat_buffer head;
    http::response<http::empty_body> switched;
    http::read(raw, head, switched);  // a client sends frames only after the reply
    EXPECT_EQ(switched.result_int(), 101);
    asio::write(raw, asio::buffer(std::string("\x81\x05hello")));
    // The page's state (some of it may have come with the reply), then the close frame.
    EXPECT_NE(until_close_frame(raw).find('\x88'), std::string::npos) << "no close frame";

    s.on_loop([&] {
        s.server().broadcast("still here");
        return 0;
    });
    EXPECT_EQ(read_one(*good), "still here");
    EXPECT_EQ(s.on_loop([&] { return s.messages; }),
              (std::vector<std::string>{"bad one"}));  // the others never reached the host
}

TEST(WebServer, MalformedOrOversizedRequestsCloseTheirConnection) {
    served s;
    for (const std::string& request :
         {std::string("\x16\x03\x01 not http\r\n\r\n"),
          "GET / HTTP/1.1\r\nHost: " + s.authority() +
              "\r\nX: " + std::string(web_server::kMaxHeader * 2, 'a') + "\r\n\r\n",
          "GET / HTTP/1.1\r\nHost: " + s.authority() + "\r\nContent-Length: 5\r\n\r\nhello",
          "GET / HTTP/1.1\r\nHost: " + s.authority() + "\r\nHost: evil.example\r\n\r\n"}) {
        tcp::socket sock = connect(s.port);
        beast::error_code ec;
        asio::write(sock, asio::buffer(request), ec);
        const std::string reply = until_closed(sock);
        EXPECT_EQ(reply.rfind("HTTP/1.1 4", 0), 0U) << request.substr(0, 60) << " -> " << reply;
    }
    EXPECT_EQ(get(s, "/").result_int(), 200);
}

TEST(WebServer, TooManyRequestsOnOneConnection) {
    served s;
    tcp::socket sock = connect(s.port);
    std::string many;
    for (int i = 0; i < 200; ++i) {  // more than a slow machine serves within the burst
        many += "GET / HTTP/1.1\r\nHost: " + s.authority() + "\r\n\r\n";
    }
    asio::write(sock, asio::buffer(many));
    const std::string replies = until_closed(sock);
    EXPECT_NE(replies.find("429 Too Many Requests"), std::string::npos);
    std::size_t served_count = 0;
    for (auto at = replies.find("200 OK"); at != std::string::npos;
         at = replies.find("200 OK", at + 1)) {
        ++served_count;
    }
    EXPECT_GE(served_count, 29U);  // the burst (a slow run may refill a few more)
    EXPECT_LT(served_count, 200U);
}

TEST(WebServer, ConnectionsAreBounded) {
    server_config config;
    config.max_connections = 2;
    served s(config);
    tcp::socket a = connect(s.port);
    tcp::socket b = connect(s.port);
    tcp::socket c = connect(s.port);
    EXPECT_EQ(until_closed(c), "");  // closed at once, nothing said
    EXPECT_NE(s.log().find("too many connections"), std::string::npos);
}

TEST(WebServer, ASlowPageIsDroppedAndOthersGoOn) {
    server_config config;
    config.max_queued = 4;
    served s(config);
    auto slow = open_page(s);
    auto fast = open_page(s);
    read_one(*fast);
    read_one(*fast);
    const std::string big(std::size_t{256} * 1024, 'x');
    int sent = 0;
    for (; sent < 400 && s.on_loop([&] { return s.server().dropped_pages(); }) == 0; ++sent) {
        s.on_loop([&] {
            s.server().broadcast(big);
            return 0;
        });
        ASSERT_EQ(read_one(*fast).size(), big.size());
    }
    EXPECT_EQ(s.on_loop([&] { return s.server().dropped_pages(); }), 1U);
    EXPECT_LT(sent, 400);
    // The fast page still gets everything; the slow one was told to reload, last.
    s.on_loop([&] {
        s.server().broadcast("after");
        return 0;
    });
    EXPECT_EQ(read_one(*fast), "after");
    std::string last;
    beast::error_code ec;
    while (!ec) {
        beast::flat_buffer buffer;
        slow->read(buffer, ec);
        if (!ec) {
            last = beast::buffers_to_string(buffer.data());
        }
    }
    EXPECT_EQ(last.rfind("reload\n", 0), 0U);
    for (int i = 0; i < 1000 && s.on_loop([&] { return s.server().pages(); }) != 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(s.on_loop([&] { return s.server().pages(); }), 1U);
}

}  // namespace
}  // namespace kest_host::web
