#include "web/web_mode.h"

#include <unistd.h>

#include <csignal>
#include <iostream>

#include <boost/asio/io_context.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/signal_set.hpp>

#include "common/diagnostic.h"
#include "web/web_message.h"
#include "web/web_server.h"
#include "web/web_view.h"

namespace kest_host::web {

namespace asio = boost::asio;

namespace {

// The longest line read from standard input; a longer one is cut off there.
constexpr std::size_t kMaxLine = std::size_t{64} * 1024;

}  // namespace

console_setup without_terminal(console_setup setup) {
    setup.terminal = false;
    setup.wait_input = nullptr;
    return setup;
}

server_handlers site_handlers(const std::string& studio, const std::string& token, page_view& view,
                              std::ostream& out, std::function<void(const std::string&)> run,
                              std::function<void()> catch_up) {
    server_handlers h;
    h.serve = [studio, token](const std::string& path,
                              const std::string&) -> std::optional<resource> {
        // The token goes on to the page's own requests as it came, never the query
        // as sent (which a page must not be able to reflect).
        const std::string query = token.empty() ? std::string() : "token=" + token;
        if (path == "/") {
            return resource{"text/html; charset=utf-8", page_html(studio, query)};
        }
        if (path == "/page.js") {
            return resource{"text/javascript; charset=utf-8", page_script()};
        }
        if (path == "/page.css") {
            return resource{"text/css; charset=utf-8", page_style()};
        }
        if (path == "/favicon.ico") {
            return resource{"image/x-icon", ""};
        }
        return std::nullopt;
    };
    h.full_state = [&view, catch_up = std::move(catch_up)] {
        if (catch_up) {
            catch_up();
        }
        return view.everything();
    };
    h.page_message = [&view, &out, run = std::move(run)](const std::string& message,
                                                         std::string& why) {
        const auto statement = page_statement(message, view.offered_faults(), why);
        if (!statement) {
            return false;
        }
        out << "web> " << *statement << "\n";
        run(*statement);
        return true;
    };
    return h;
}

std::optional<server_config> web_config(const std::string& listen, const std::string& token,
                                        std::ostream& err) {
    std::string error;
    const auto where = parse_listen_address(listen, error);
    if (!where) {
        print_error(err, error);
        return std::nullopt;
    }
    server_config config;
    config.listen = *where;
    config.token = token;
    if (!config.token.empty() && !valid_token(config.token)) {
        err << "kest-host: error: --web-token: 16 to 128 of the characters A-Z a-z 0-9 - _\n";
        return std::nullopt;
    }
    if (config.token.empty() && needs_token(where->address)) {
        config.token = make_token();
    }
    return config;
}

void publish(page_view& view, console_session& console, web_server& server) {
    if (server.pages() == 0) {
        return;
    }
    for (const auto& message :
         view.refresh(console.runner().host(), console.runner().inputs_in_use())) {
        server.broadcast(message);
    }
}

void catch_up(page_view& view, console_session& console) {
    view.refresh(console.runner().host(), console.runner().inputs_in_use());
}
bool stdin_on_loop(asio::posix::stream_descriptor& input) {
    const int fd = ::dup(STDIN_FILENO);
    if (fd < 0) {
        return false;
    }
    boost::system::error_code ec;
    input.assign(fd, ec);
    if (ec) {
        ::close(fd);
        return false;
    }
    return true;
}

std::string take_line(asio::streambuf& buffer, std::size_t n) {
    std::string line(asio::buffers_begin(buffer.data()),
                     asio::buffers_begin(buffer.data()) + static_cast<std::ptrdiff_t>(n - 1));
    buffer.consume(n);
    return line;
}

namespace {

class web_session {
  public:
    web_session(const web_setup& setup, const server_config& config, std::ostream& out,
                std::ostream& err)
        : token_(config.token),
          setup_(setup),
          view_(setup.studio),
          console_(without_terminal(setup.console), out, err),
          server_(loop_, config, handlers(out), err),
          signals_(loop_, SIGINT, SIGTERM),
          input_(loop_),
          out_(out),
          err_(err) {
        console_.runner().host().set_trace_listener(&view_);
    }

    int run() {
        std::string error;
        if (!server_.start(error)) {
            print_error(err_, error);
            return 2;
        }
        console_.begin(setup_.console.start);
        // A page shows the panel from the first look: start it if the file did not.
        if (!console_.runner().panel_live() && !console_.runner().fatal()) {
            run_line("start", "web");
        }
        publish();
        out_ << "kest-host: the panel is served at " << server_.url() << std::endl;
        signals_.async_wait([this](const boost::system::error_code& ec, int) {
            if (!ec) {
                out_ << "\nkest-host: signal: ending the session\n";
                end();
            }
        });
        read_input();
        if (!ended_) {
            loop_.run();
        }
        server_.stop();
        console_.runner().host().set_trace_listener(nullptr);
        return console_.finish();
    }

  private:
    // `out` as given: out_ is not yet set while the server is made.
    server_handlers handlers(std::ostream& out) {
        return site_handlers(
            setup_.studio, token_, view_, out,
            [this](const std::string& statement) { run_line(statement, "web"); },
            [this] { catch_up(view_, console_); });
    }

    void run_line(const std::string& line, const std::string& from) {
        if (ended_) {
            return;
        }
        view_.note(line);
        const bool go_on = console_.line(line, from);
        out_.flush();
        publish();
        if (!go_on) {
            end();
        }
    }

    void publish() { web::publish(view_, console_, server_); }

    void end() {
        ended_ = true;
        server_.stop();
        loop_.stop();
    }

    // Standard input on the loop when it can wait there (a terminal, a pipe); a file
    // (or /dev/null) is read whole at once.
    void read_input() {
        if (!stdin_on_loop(input_)) {
            std::string line;
            while (!ended_ && std::getline(std::cin, line)) {
                run_line(line, "input");
            }
            input_ended();
            return;
        }
        next_line();
    }

    void next_line() {
        asio::async_read_until(input_, buffer_, '\n',
                               [this](const boost::system::error_code& ec, std::size_t n) {
                                   if (ec) {
                                       input_ended();
                                       return;
                                   }
                                   run_line(take_line(buffer_, n), "input");
                                   if (!ended_) {
                                       next_line();
                                   }
                               });
    }

    void input_ended() {
        if (setup_.console.terminal) {
            out_ << "\n";
            end();
            return;
        }
        out_ << "kest-host: standard input ended; the panel stays served until SIGINT or "
                "SIGTERM\n";
        out_.flush();
    }

    std::string token_;
    const web_setup& setup_;
    asio::io_context loop_;
    page_view view_;  // before the console: the host tells it of the trace to the end
    console_session console_;
    web_server server_;
    asio::signal_set signals_;
    asio::posix::stream_descriptor input_;
    asio::streambuf buffer_{kMaxLine};
    std::ostream& out_;
    std::ostream& err_;
    bool ended_ = false;
};

}  // namespace

int run_web(const web_setup& setup, std::ostream& out, std::ostream& err) {
    const auto config = web_config(setup.listen, setup.token, err);
    if (!config) {
        return 2;
    }
    web_session session(setup, *config, out, err);
    return session.run();
}

}  // namespace kest_host::web
