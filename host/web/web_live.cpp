#include "web/web_live.h"

#include <deque>
#include <utility>

#include <boost/asio/read_until.hpp>

#include "common/diagnostic.h"
#include "console/interactive.h"
#include "live/live_studio.h"
#include "scenario/scenario_file.h"
#include "web/web_mode.h"

namespace kest_host::web {

namespace asio = boost::asio;

namespace {

constexpr std::size_t kMaxLine = std::size_t{64} * 1024;
// How long one wait of the loop lasts at most, so that --for ends on time.
constexpr int64_t kSliceMs = 200;

class live_web_session {
  public:
    live_web_session(const live_web_setup& setup, const console_setup& console,
                     const server_config& config, live::live_studio& studio, std::ostream& out,
                     std::ostream& err)
        : setup_(setup),
          studio_(studio),
          view_(setup.file),
          console_(console, out, err),
          server_(studio.loop().context(), config,
                  site_handlers(
                      setup.file, config.token, view_, out,
                      [this](const std::string& s) { pending_.emplace_back(s, "web"); },
                      [this] { catch_up(view_, console_); }),
                  err),
          input_(studio.loop().context()),
          out_(out),
          err_(err) {
        console_.runner().host().set_trace_listener(&view_);
    }

    int run(const scenario& start) {
        std::string error;
        if (!server_.start(error)) {
            print_error(err_, error);
            console_.runner().host().set_trace_listener(nullptr);
            return 2;
        }
        studio_.catch_signals();
        console_.begin(start);
        if (!console_.runner().panel_live() && !console_.runner().fatal()) {
            run_line("start", "web");
        }
        publish();
        out_ << "kest-host: live; the panel is served at " << server_.url() << std::endl;
        if (setup_.interactive) {
            read_input();
        }
        const int64_t began = studio_.loop().now_ms();
        while (!ended_ && !studio_.stop_requested()) {
            int64_t slice = kSliceMs;
            if (setup_.for_ms) {
                const int64_t left = began + *setup_.for_ms - studio_.loop().now_ms();
                if (left <= 0) {
                    break;
                }
                slice = std::min(slice, left);
            }
            studio_.wait(slice, [this] {
                publish();
                return !pending_.empty();
            });
            while (!pending_.empty() && !ended_) {
                auto [line, from] = std::move(pending_.front());
                pending_.pop_front();
                run_line(line, from);
            }
            publish();
        }
        out_ << "kest-host: live run ends\n";
        server_.stop();
        boost::system::error_code ignored;
        input_.close(ignored);
        console_.runner().host().set_trace_listener(nullptr);
        return console_.finish();
    }

  private:
    void run_line(const std::string& line, const std::string& from) {
        view_.note(line);
        if (!console_.line(line, from)) {
            ended_ = true;
        }
        out_.flush();
        publish();
    }

    void publish() { web::publish(view_, console_, server_); }

    void read_input() {
        if (!stdin_on_loop(input_)) {
            err_ << "kest-host: standard input cannot wait on the loop; it is not read\n";
            return;
        }
        next_line();
    }

    // Lines are queued here and run between waits of the loop.
    void next_line() {
        asio::async_read_until(input_, buffer_, '\n',
                               [this](const boost::system::error_code& ec, std::size_t n) {
                                   if (ec) {
                                       return;  // the end of input: the studio goes on
                                   }
                                   pending_.emplace_back(take_line(buffer_, n), "input");
                                   next_line();
                               });
    }

    const live_web_setup& setup_;
    live::live_studio& studio_;
    page_view view_;  // before the console: the host tells it of the trace to the end
    console_session console_;
    web_server server_;
    asio::posix::stream_descriptor input_;
    asio::streambuf buffer_{kMaxLine};
    std::deque<std::pair<std::string, std::string>> pending_;
    std::ostream& out_;
    std::ostream& err_;
    bool ended_ = false;
};

}  // namespace

int run_live_web(const live_web_setup& setup, live::live_studio& studio, std::ostream& out,
                 std::ostream& err) {
    scenario parsed;
    std::string error;
    scenario_limits limits;
    limits.values = &setup.options.values;
    if (!read_scenario_file(setup.file, parsed, error, limits)) {
        print_error(err, error);
        return 2;
    }
    const auto config = web_config(setup.listen, setup.token, err);
    if (!config) {
        return 2;
    }
    console_setup console;
    console.options = setup.options;
    console.on_start = [&studio](scenario_runner& r) { studio.start_real_time(r.host()); };
    live_web_session session(setup, without_terminal(console), *config, studio, out, err);
    return session.run(parsed);
}

}  // namespace kest_host::web
