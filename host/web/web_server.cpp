#include "web/web_server.h"

#include <chrono>
#include <deque>
#include <set>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "web/web_message.h"
#include "web/web_request.h"

namespace kest_host::web {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

constexpr auto kRequestTime = std::chrono::seconds(30);
constexpr auto kDropGrace = std::chrono::seconds(2);
constexpr uint64_t kRefusalsLogged = 20;

// The page's rules for the browser: nothing from elsewhere, no inline script, its
// WebSocket only to where it came from. Inline style stays allowed: the panel's
// drawing places each control with a style attribute.
constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self' 'unsafe-inline'; "
    "connect-src 'self'; img-src 'self'; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

class ws_session;

}  // namespace

struct web_server::core {
    asio::io_context& loop;
    server_config config;
    guard_config guard;
    server_handlers handlers;
    std::ostream& log;
    std::optional<tcp::acceptor> acceptor;
    std::set<ws_session*> pages;
    std::size_t connections = 0;
    uint64_t dropped = 0;
    uint64_t refused = 0;
    bool stopped = false;

    core(asio::io_context& l, server_config c, server_handlers h, std::ostream& o)
        : loop(l), config(std::move(c)), handlers(std::move(h)), log(o) {}

    void note_refusal(const std::string& why) {
        if (++refused <= kRefusalsLogged) {
            log << "kest-host: web: refused a request: " << why << "\n";
        }
        if (refused == kRefusalsLogged) {
            log << "kest-host: web: further refusals are counted, not shown\n";
        }
    }
};

namespace {

using core_ptr = std::shared_ptr<web_server::core>;

// One open page.
class ws_session : public std::enable_shared_from_this<ws_session> {
  public:
    ws_session(tcp::socket socket, core_ptr c)
        : ws_(std::move(socket)), core_(std::move(c)), drop_timer_(core_->loop) {}
    ~ws_session() { core_->pages.erase(this); }
    ws_session(const ws_session&) = delete;
    ws_session& operator=(const ws_session&) = delete;

    // Beast builds its reply from the request as the accept starts.
    void run(const http::request<http::empty_body>& request) {
        ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws_.read_message_max(kMaxPageMessage);
        ws_.set_option(websocket::stream_base::decorator(
            [](websocket::response_type& res) { res.set(http::field::server, "kest-host"); }));
        ws_.async_accept(request,
                         [self = shared_from_this()](beast::error_code ec) { self->accepted(ec); });
    }

    void send(const std::shared_ptr<const std::string>& message) {
        if (closing_) {
            return;
        }
        if (queue_.size() >= core_->config.max_queued) {
            drop();
            return;
        }
        queue_.push_back(message);
        if (!writing_) {
            write_next();
        }
    }

    void close() {
        closing_ = true;
        beast::error_code ignored;
        beast::get_lowest_layer(ws_).socket().close(ignored);
    }

  private:
    void accepted(beast::error_code ec) {
        if (ec || core_->stopped) {
            return;
        }
        core_->pages.insert(this);
        for (auto& message : core_->handlers.full_state()) {
            send(std::make_shared<const std::string>(std::move(message)));
        }
        read();
    }

    void read() {
        ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            self->on_read(ec);
        });
    }

    void on_read(beast::error_code ec) {
        if (ec || closing_) {
            return;  // closed, or a bad frame: this page only
        }
        const std::string message = beast::buffers_to_string(buffer_.data());
        buffer_.consume(buffer_.size());
        std::string why;
        if (!ws_.got_text()) {
            why = "a binary message";
        } else if (!limit_.take(rate_limit::clock::now())) {
            why = "too many messages";
        } else if (core_->handlers.page_message(message, why)) {
            read();
            return;
        }
        core_->note_refusal("page message: " + why);
        refuse();
    }

    // Ends the page for a message it should not have sent.
    void refuse() {
        closing_ = true;
        // The message being written stays until its write ends.
        while (queue_.size() > (writing_ ? 1U : 0U)) {
            queue_.pop_back();
        }
        if (writing_) {
            close();
            return;
        }
        ws_.async_close(websocket::close_code::policy_error,
                        [self = shared_from_this()](beast::error_code) { self->close(); });
    }

    // The page is too far behind: whatever waits is thrown away, it is told to reload,
    // and it is closed after that (or after kDropGrace if it takes nothing at all).
    void drop() {
        ++core_->dropped;
        closing_ = true;
        while (queue_.size() > (writing_ ? 1U : 0U)) {
            queue_.pop_back();
        }
        queue_.push_back(std::make_shared<const std::string>(
            part_message("reload", "this page fell too far behind the host")));
        if (!writing_) {
            write_next();
        }
        drop_timer_.expires_after(kDropGrace);
        drop_timer_.async_wait([self = shared_from_this()](beast::error_code ec) {
            if (!ec) {
                self->close();
            }
        });
    }

    void write_next() {
        writing_ = true;
        ws_.text(true);
        ws_.async_write(
            asio::buffer(*queue_.front()),
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->written(ec); });
    }

    void written(beast::error_code ec) {
        writing_ = false;
        if (ec) {
            close();
            return;
        }
        if (!queue_.empty()) {
            queue_.pop_front();
        }
        if (!queue_.empty()) {
            write_next();
        } else if (closing_) {
            ws_.async_close(websocket::close_code::try_again_later,
                            [self = shared_from_this()](beast::error_code) { self->close(); });
        }
    }

    websocket::stream<beast::tcp_stream> ws_;
    core_ptr core_;
    beast::flat_buffer buffer_;
    std::deque<std::shared_ptr<const std::string>> queue_;
    bool writing_ = false;
    bool closing_ = false;
    asio::steady_timer drop_timer_;
    rate_limit limit_{20, 60};
};

// One HTTP connection, until it upgrades to a page's WebSocket or ends.
class http_session : public std::enable_shared_from_this<http_session> {
  public:
    http_session(tcp::socket socket, core_ptr c) : stream_(std::move(socket)), core_(std::move(c)) {
        ++core_->connections;
    }
    ~http_session() { --core_->connections; }
    http_session(const http_session&) = delete;
    http_session& operator=(const http_session&) = delete;

    void read() {
        parser_.emplace();
        parser_->header_limit(web_server::kMaxHeader);
        parser_->body_limit(0);
        stream_.expires_after(kRequestTime);
        http::async_read(
            stream_, buffer_, *parser_,
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->on_read(ec); });
    }

  private:
    void on_read(beast::error_code ec) {
        if (ec == http::error::end_of_stream) {
            shut();
            return;
        }
        if (ec) {
            // A malformed or oversized request: say so if the line still works, and end
            // this connection.
            if (ec != asio::error::operation_aborted && ec != beast::error::timeout) {
                core_->note_refusal(std::string("malformed request: ") + ec.message());
                respond(400, "text/plain", "malformed request\n", false);
            }
            return;
        }
        http::request<http::empty_body> request = parser_->release();
        if (!limit_.take(rate_limit::clock::now())) {
            core_->note_refusal("too many requests");
            respond(429, "text/plain", "too many requests\n", false);
            return;
        }
        const request_facts facts = facts_of(request);
        if (request.count(http::field::host) > 1 || request.count(http::field::origin) > 1) {
            core_->note_refusal("a repeated Host or Origin header");
            respond(400, "text/plain", "a repeated Host or Origin header\n", false);
            return;
        }
        const verdict v = judge(facts, core_->guard);
        if (v.status != 200) {
            core_->note_refusal(v.reason + " (" + std::string(facts.target.substr(0, 80)) + ")");
            respond(v.status, "text/plain", v.reason + "\n", false);
            return;
        }
        if (facts.websocket) {
            upgrade(v.path, request);
            return;
        }
        const auto question = facts.target.find('?');
        const std::string query = question == std::string_view::npos
                                      ? std::string()
                                      : std::string(facts.target.substr(question + 1));
        const auto found = core_->handlers.serve(v.path, query);
        if (!found) {
            respond(404, "text/plain", "not found\n", request.keep_alive());
            return;
        }
        respond(200, found->content_type, found->body, request.keep_alive());
    }

    void upgrade(const std::string& path, const http::request<http::empty_body>& request) {
        if (path != "/ws") {
            respond(404, "text/plain", "not found\n", false);
            return;
        }
        if (core_->pages.size() >= core_->config.max_connections) {
            respond(503, "text/plain", "too many pages open\n", false);
            return;
        }
        stream_.expires_never();
        auto page = std::make_shared<ws_session>(stream_.release_socket(), core_);
        page->run(request);
    }

    void respond(int status, const std::string& type, const std::string& body, bool keep_alive) {
        auto res = std::make_shared<http::response<http::string_body>>(
            static_cast<http::status>(status), 11);
        res->set(http::field::server, "kest-host");
        res->set(http::field::content_type, type);
        res->set(http::field::cache_control, "no-store");
        res->set("Content-Security-Policy", kContentSecurityPolicy);
        res->set("X-Content-Type-Options", "nosniff");
        res->set("X-Frame-Options", "DENY");
        res->set("Referrer-Policy", "no-referrer");
        res->keep_alive(keep_alive);
        res->body() = body;
        res->prepare_payload();
        stream_.expires_after(kRequestTime);
        http::async_write(
            stream_, *res,
            [self = shared_from_this(), res, keep_alive](beast::error_code ec, std::size_t) {
                if (!ec && keep_alive && !self->core_->stopped) {
                    self->read();
                } else {
                    self->shut();
                }
            });
    }

    void shut() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
    }

    beast::tcp_stream stream_;
    core_ptr core_;
    beast::flat_buffer buffer_{web_server::kMaxHeader};
    std::optional<http::request_parser<http::empty_body>> parser_;
    rate_limit limit_{10, 30};
};

void accept_next(const core_ptr& c) {
    c->acceptor->async_accept([c](beast::error_code ec, tcp::socket socket) {
        if (ec || c->stopped) {
            return;
        }
        if (c->connections + c->pages.size() >= c->config.max_connections) {
            c->note_refusal("too many connections");
            beast::error_code ignored;
            socket.close(ignored);
        } else {
            std::make_shared<http_session>(std::move(socket), c)->read();
        }
        accept_next(c);
    });
}

}  // namespace

web_server::web_server(asio::io_context& loop, server_config config, server_handlers handlers,
                       std::ostream& log)
    : core_(std::make_shared<core>(loop, std::move(config), std::move(handlers), log)) {}

web_server::~web_server() {
    stop();
}

bool web_server::start(std::string& error) {
    beast::error_code ec;
    const auto address = asio::ip::make_address(core_->config.listen.address, ec);
    if (ec) {
        error = "--web: " + core_->config.listen.address + " is not an IP address";
        return false;
    }
    const tcp::endpoint where(address, core_->config.listen.port);
    tcp::acceptor acceptor(core_->loop);
    try {
        acceptor.open(where.protocol());
        acceptor.set_option(asio::socket_base::reuse_address(true));
        acceptor.bind(where);
        acceptor.listen(asio::socket_base::max_listen_connections);
    } catch (const boost::system::system_error& failure) {
        error = "--web: cannot listen on " +
                authority(core_->config.listen.address, core_->config.listen.port) + ": " +
                failure.code().message();
        return false;
    }
    core_->guard.address = core_->config.listen.address;
    core_->guard.port = acceptor.local_endpoint().port();
    core_->guard.token = core_->config.token;
    core_->acceptor.emplace(std::move(acceptor));
    accept_next(core_);
    return true;
}

uint16_t web_server::port() const {
    return core_->guard.port;
}

std::string web_server::url() const {
    std::string out = "http://" + authority(core_->guard.address, core_->guard.port) + "/";
    if (!core_->guard.token.empty()) {
        out += "?token=" + core_->guard.token;
    }
    return out;
}

void web_server::broadcast(const std::string& message) {
    if (core_->pages.empty()) {
        return;
    }
    const auto shared = std::make_shared<const std::string>(message);
    // A page may drop itself while it is sent to: walk a copy.
    const std::vector<ws_session*> pages(core_->pages.begin(), core_->pages.end());
    for (ws_session* page : pages) {
        if (core_->pages.count(page) != 0) {
            page->send(shared);
        }
    }
}

std::size_t web_server::pages() const {
    return core_->pages.size();
}

uint64_t web_server::dropped_pages() const {
    return core_->dropped;
}

uint64_t web_server::refused_requests() const {
    return core_->refused;
}

void web_server::stop() {
    if (core_->stopped) {
        return;
    }
    core_->stopped = true;
    if (core_->acceptor) {
        beast::error_code ignored;
        core_->acceptor->close(ignored);
    }
    const std::vector<ws_session*> pages(core_->pages.begin(), core_->pages.end());
    for (ws_session* page : pages) {
        page->close();
    }
}

}  // namespace kest_host::web
