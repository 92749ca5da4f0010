// Press-to-routing-block latency over loopback: from the host taking in the GPI
// report that changes an input to the router having the whole routing block on its
// socket. The router is a thread of its own with a plain blocking socket (another
// machine, as far as the host knows); it stamps each block when its blank line
// arrives. 10,000 presses and releases; median and 99th percentile as counters.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "live/live_studio.h"
#include "scenario/scenario_runner.h"

namespace {

using clock_type = std::chrono::steady_clock;

int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               clock_type::now().time_since_epoch())
        .count();
}

// A router that answers every routing block with ACK and the status update.
class bench_router {
  public:
    explicit bench_router(std::size_t blocks) : stamps_(blocks + 16) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            std::perror("bench router");
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~bench_router() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        if (client_ >= 0) {
            ::shutdown(client_, SHUT_RDWR);
        }
        if (thread_.joinable()) {
            thread_.join();
        }
        if (client_ >= 0) {
            ::close(client_);
        }
    }
    uint16_t port() const { return port_; }
    uint64_t blocks() const { return blocks_.load(std::memory_order_acquire); }
    int64_t stamp(uint64_t block) const { return stamps_[block]; }

  private:
    void send(const std::string& text) const {
        if (::send(client_, text.data(), text.size(), MSG_NOSIGNAL) < 0) {
            return;
        }
    }
    void serve() {
        client_ = ::accept(listener_, nullptr, nullptr);
        if (client_ < 0) {
            return;
        }
        const int on = 1;
        ::setsockopt(client_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        send(
            "PROTOCOL PREAMBLE:\nVersion: 2.8\n\nVIDEOHUB DEVICE:\nDevice present: true\n"
            "Video inputs: 16\nVideo outputs: 16\n\nVIDEO OUTPUT ROUTING:\n2 0\n\n");
        std::string pending;
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::recv(client_, chunk, sizeof chunk, 0);
            if (n <= 0) {
                return;
            }
            pending.append(chunk, static_cast<std::size_t>(n));
            std::size_t end = 0;
            while ((end = pending.find("\n\n")) != std::string::npos) {
                const std::string block = pending.substr(0, end + 1);
                pending.erase(0, end + 2);
                if (block.rfind("VIDEO OUTPUT ROUTING:\n", 0) == 0) {
                    const uint64_t index = blocks_.load(std::memory_order_relaxed);
                    if (index < stamps_.size()) {
                        stamps_[index] = now_ns();
                    }
                    blocks_.store(index + 1, std::memory_order_release);
                    send("ACK\n\n" + block + "\n");
                } else {
                    send("ACK\n\n");
                }
            }
        }
    }

    int listener_ = -1;
    int client_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::vector<int64_t> stamps_;
    std::atomic<uint64_t> blocks_{0};
};

constexpr int kPresses = 10000;

void press_to_routing_block(benchmark::State& state) {
    bench_router router(kPresses);
    kest_host::live::live_studio studio;
    kest_host::run_options options;
    options.plugin = KEST_TAVRIN_PATH;
    options.quiet = true;
    options.devices = &studio;
    std::ostringstream out;
    options.errors = &out;
    kest_host::scenario_runner runner(options, out);
    const std::string setup = "layout-dir \"" KEST_PANEL_DIR
                              "\"\n"
                              "device router 12 videohub 127.0.0.1:" +
                              std::to_string(router.port()) +
                              "\ndevice infodriver 30\ndevice gpi 40\n"
                              "instance \"Vesk SDI Router\" 12 0\n"
                              "instance \"Vesk Tally Infodriver\" 30 0\n"
                              "instance \"LD Button 1\" 40 17\n"
                              "slot 61 \"5\"\nslot 62 \"6\"\nslot 69 \"3\"\nstart\nadvance 200\n";
    kest_host::scenario parsed;
    std::string error;
    if (!kest_host::parse_scenario(setup, "bench", parsed, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (const auto& s : parsed.steps) {
        if (!runner.execute(s, "bench")) {
            state.SkipWithError(runner.error().c_str());
            return;
        }
    }
    kest_host::sim_host& host = runner.host();
    auto* inputs = host.world().find_as<kest_host::gpi>(40);
    std::vector<int64_t> latencies;
    latencies.reserve(kPresses);
    bool high = false;
    for (auto _ : state) {
        high = !high;
        const uint64_t expected = router.blocks() + 1;
        const int64_t start = now_ns();
        inputs->set_input(18, high ? 1 : 0);  // button 2
        host.settle();
        while (router.blocks() < expected) {
            studio.loop().context().poll();  // a write that had to wait, if any
        }
        const int64_t latency = router.stamp(expected - 1) - start;
        latencies.push_back(latency);
        state.SetIterationTime(static_cast<double>(latency) * 1e-9);
        // The router's answer and status update, before the next press.
        const int32_t wanted = high ? 6 : 1;
        studio.wait(1000, [&] { return host.crosspoint(12, 3) == wanted; });
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        const auto at = [&](double q) {
            return static_cast<double>(latencies[static_cast<std::size_t>(
                       q * static_cast<double>(latencies.size() - 1))]) /
                   1000.0;
        };
        state.counters["median_us"] = at(0.5);
        state.counters["p99_us"] = at(0.99);
        state.counters["max_us"] = at(1.0);
        state.counters["routes"] = static_cast<double>(router.blocks());
    }
    runner.finish();
}

BENCHMARK(press_to_routing_block)
    ->Iterations(kPresses)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
