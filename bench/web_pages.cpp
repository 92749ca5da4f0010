// kest-web-bench: what open browser pages cost the host. One event is one statement
// as a page sends it (press 2, then release 2: each routes and changes the panel's
// controls), run the way `kest-host --interactive --web` runs it: through the
// console, then the page's parts redrawn and the changed ones sent to every open
// page, the loop run until the sends have been handed to the kernel.
//
//   kest-web-bench [benchmark options]
//   kest-web-bench --events N --pages P      (for callgrind: N events, then exit)
//
// BM_web_event/N has N pages open: real WebSocket clients on loopback, served by
// a thread of their own that reads and throws away what they get, so that only the
// host's work is on the benchmark's thread. Compare the CPU column (the benchmark
// thread's CPU time) of /10 against /0; the counters say how many bytes each event
// sent per page. A benchmark whose pages were dropped or never opened fails.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include "console/interactive.h"
#include "scenario/scenario_parser.h"
#include "web/web_mode.h"
#include "web/web_server.h"
#include "web/web_view.h"

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

class null_buffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};
null_buffer null_sink;
std::ostream quiet(&null_sink);

// The demo's studio with the panel started, as `kest-host --interactive --web` has it.
kest_host::console_setup demo_setup(std::string& error) {
    std::ifstream file(KEST_DEMO_SCENARIO);
    std::stringstream demo;
    demo << file.rdbuf();
    kest_host::console_setup setup;
    setup.options.plugin = KEST_TAVRIN_PATH;
    setup.options.quiet = true;
    setup.options.errors = &quiet;
    const std::string text = "layout-dir \"" KEST_PANEL_DIR "\"\n" + demo.str();
    if (!kest_host::parse_scenario(text, "demo", setup.start, error)) {
        return setup;
    }
    kest_host::keep_setup_only(setup.start);
    return setup;
}

// The pages: WebSocket clients that read everything they are sent, on a thread of
// their own.
class pages {
  public:
    pages(uint16_t port, int count) {
        const std::string authority = "127.0.0.1:" + std::to_string(port);
        for (int i = 0; i < count; ++i) {
            auto ws = std::make_unique<websocket::stream<tcp::socket>>(loop_);
            ws->next_layer().connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
            ws->set_option(
                websocket::stream_base::decorator([authority](websocket::request_type& r) {
                    r.set(beast::http::field::origin, "http://" + authority);
                }));
            clients_.push_back(std::move(ws));
            buffers_.emplace_back();
        }
        // The handshakes need the host's loop to answer: they run on the thread.
        thread_ = std::thread([this, authority] {
            for (std::size_t i = 0; i < clients_.size(); ++i) {
                clients_[i]->async_handshake(authority, "/ws", [this, i](beast::error_code ec) {
                    if (!ec) {
                        read(i);
                    }
                });
            }
            loop_.run();
        });
    }
    ~pages() {
        loop_.stop();
        thread_.join();
    }
    pages(const pages&) = delete;
    pages& operator=(const pages&) = delete;

    uint64_t bytes() const { return bytes_.load(); }

  private:
    void read(std::size_t i) {
        clients_[i]->async_read(buffers_[i], [this, i](beast::error_code ec, std::size_t n) {
            if (ec) {
                return;
            }
            bytes_ += n;
            buffers_[i].consume(buffers_[i].size());
            read(i);
        });
    }

    asio::io_context loop_;
    std::vector<std::unique_ptr<websocket::stream<tcp::socket>>> clients_;
    std::vector<beast::flat_buffer> buffers_;
    std::atomic<uint64_t> bytes_{0};
    std::thread thread_;
};

// The host's side: the console, the page's parts and the server on one loop, with
// `open` pages connected.
class web_rig {
  public:
    web_rig(const kest_host::console_setup& setup, int open)
        : console_(setup, quiet, quiet),
          server_(loop_, config(),
                  kest_host::web::site_handlers(
                      "demo", "", view_, quiet, [](const std::string&) {},
                      [this] { kest_host::web::catch_up(view_, console_); }),
                  quiet),
          open_(static_cast<std::size_t>(open)) {
        console_.runner().host().set_trace_listener(&view_);
        if (!server_.start(error_)) {
            return;
        }
        console_.begin(setup.start);
        event("start");
        clients_ = std::make_unique<pages>(server_.port(), open);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (server_.pages() < open_ && std::chrono::steady_clock::now() < deadline) {
            loop_.run_for(std::chrono::milliseconds(5));
        }
        if (server_.pages() != open_) {
            error_ = "the pages did not open";
        }
    }
    ~web_rig() {
        try {
            clients_.reset();
            server_.stop();
            console_.runner().host().set_trace_listener(nullptr);
            while (loop_.poll() > 0) {
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kest-web-bench: while closing: %s\n", e.what());
        }
    }
    web_rig(const web_rig&) = delete;
    web_rig& operator=(const web_rig&) = delete;

    const std::string& error() const { return error_; }

    // One statement as from a page, the changed parts sent to every page.
    void event(const std::string& line) {
        view_.note(line);
        console_.line(line, "web");
        kest_host::web::publish(view_, console_, server_);
        while (loop_.poll() > 0) {
        }
    }

    // Lets what is on its way arrive; "" when every page is still open.
    std::string settle() {
        if (open_ > 0) {
            loop_.run_for(std::chrono::milliseconds(300));
        }
        if (server_.dropped_pages() != 0 || server_.pages() != open_) {
            return "pages were dropped: the clients fell behind";
        }
        return "";
    }
    uint64_t bytes() const { return clients_ ? clients_->bytes() : 0; }

  private:
    static kest_host::web::server_config config() {
        kest_host::web::server_config c;
        c.listen.address = "127.0.0.1";
        return c;
    }

    asio::io_context loop_;
    kest_host::web::page_view view_{"demo"};
    kest_host::console_session console_;
    kest_host::web::web_server server_;
    std::size_t open_;
    std::unique_ptr<pages> clients_;
    std::string error_;
};

void BM_web_event(benchmark::State& state) {
    const int open = static_cast<int>(state.range(0));
    std::string error;
    const kest_host::console_setup setup = demo_setup(error);
    if (!error.empty()) {
        state.SkipWithError(("the demo: " + error).c_str());
        return;
    }
    web_rig rig(setup, open);
    if (!rig.error().empty()) {
        state.SkipWithError(rig.error().c_str());
        return;
    }
    const uint64_t bytes_before = rig.bytes();
    bool pressed = false;
    for (auto _ : state) {
        rig.event(pressed ? "release 2" : "press 2");
        pressed = !pressed;
    }
    const std::string dropped = rig.settle();
    if (!dropped.empty()) {
        state.SkipWithError(dropped.c_str());
    }
    if (open > 0) {
        state.counters["bytes_per_page"] =
            benchmark::Counter(static_cast<double>(rig.bytes() - bytes_before) / open,
                               benchmark::Counter::kAvgIterations);
    }
}
BENCHMARK(BM_web_event)->Arg(0)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

// --events N --pages P: exactly N events with P pages, for instruction counts under
// callgrind (tools/callgrind-web.sh): two counts, and their difference divided by
// the difference of N is the cost of one event without the start-up.
int fixed_events(const char* events_text, const char* pages_text) {
    const long events = std::strtol(events_text, nullptr, 10);
    const long open = std::strtol(pages_text, nullptr, 10);
    std::string error;
    const kest_host::console_setup setup = demo_setup(error);
    if (!error.empty() || events < 0 || open < 0 || open > 64) {
        std::fprintf(stderr, "kest-web-bench: %s\n", error.empty() ? "bad numbers" : error.c_str());
        return 2;
    }
    web_rig rig(setup, static_cast<int>(open));
    if (!rig.error().empty()) {
        std::fprintf(stderr, "kest-web-bench: %s\n", rig.error().c_str());
        return 1;
    }
    for (long i = 0; i < events; ++i) {
        rig.event(i % 2 == 0 ? "press 2" : "release 2");
    }
    const std::string dropped = rig.settle();
    if (!dropped.empty()) {
        std::fprintf(stderr, "kest-web-bench: %s\n", dropped.c_str());
        return 1;
    }
    std::printf("%ld events, %ld pages, %llu bytes received\n", events, open,
                static_cast<unsigned long long>(rig.bytes()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 5 && std::strcmp(argv[1], "--events") == 0 &&
            std::strcmp(argv[3], "--pages") == 0) {
            return fixed_events(argv[2], argv[4]);
        }
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
            return 2;
        }
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kest-web-bench: %s\n", e.what());
        return 1;
    }
}
