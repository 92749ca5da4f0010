// The live path from a TSL tally packet to the routing block on the router's socket:
// the panel in real time, its GPI device following TSL on UDP, and a router served
// on the same loop that stamps each routing block as it arrives. A packet is sent,
// the loop runs until the block is in, and the time between is one sample; the
// input toggles, so that every packet is a change.
//
//   kest-tsl-latency [CHANGES]     (default 10000)
//
// Prints the median, the 99th percentile and the largest sample. Loopback, one
// thread: the time includes the datagram's and the block's trips through the
// kernel.
#include <algorithm>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "live/live_studio.h"
#include "scenario/scenario_runner.h"

namespace {

namespace asio = boost::asio;
using clock_type = std::chrono::steady_clock;
using kest_host::live::live_studio;

// A router of 16 inputs and outputs that takes every crosspoint at once.
class stamping_router {
  public:
    explicit stamping_router(asio::io_context& io)
        : acceptor_(io, asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
        acceptor_.async_accept([this](const boost::system::error_code& e, asio::ip::tcp::socket s) {
            if (!e) {
                socket_ = std::make_unique<asio::ip::tcp::socket>(std::move(s));
                send(dump());
                read();
            }
        });
    }
    uint16_t port() const { return acceptor_.local_endpoint().port(); }
    uint64_t blocks = 0;
    clock_type::time_point last_block{};

  private:
    static std::string dump() {
        std::ostringstream o;
        o << "PROTOCOL PREAMBLE:\nVersion: 2.8\n\nVIDEOHUB DEVICE:\nDevice present: true\n"
             "Model name: stamping router\nVideo inputs: 16\nVideo outputs: 16\n\n";
        std::string labels_in = "INPUT LABELS:\n";
        std::string labels_out = "OUTPUT LABELS:\n";
        std::string locks = "VIDEO OUTPUT LOCKS:\n";
        std::string routes = "VIDEO OUTPUT ROUTING:\n";
        for (int i = 0; i < 16; ++i) {
            labels_in += std::to_string(i) + " In " + std::to_string(i + 1) + "\n";
            labels_out += std::to_string(i) + " Out " + std::to_string(i + 1) + "\n";
            locks += std::to_string(i) + " U\n";
            routes += std::to_string(i) + " 0\n";
        }
        o << labels_in << "\n"
          << labels_out << "\n"
          << locks << "\n"
          << routes << "\nEND PRELUDE:\n\n";
        return o.str();
    }
    void send(std::string text) {
        auto data = std::make_shared<std::string>(std::move(text));
        asio::async_write(*socket_, asio::buffer(*data),
                          [data](const boost::system::error_code&, std::size_t) {});
    }
    void read() {
        asio::async_read_until(*socket_, in_, "\n\n",
                               [this](const boost::system::error_code& e, std::size_t n) {
                                   if (e) {
                                       return;
                                   }
                                   const auto begin = asio::buffers_begin(in_.data());
                                   std::string block(begin, begin + static_cast<std::ptrdiff_t>(n));
                                   in_.consume(n);
                                   take(block);
                                   read();
                               });
    }
    void take(const std::string& block) {
        if (block.rfind("VIDEO OUTPUT ROUTING:\n", 0) == 0 && block.size() > 24) {
            last_block = clock_type::now();
            ++blocks;
            // Taken at once: the ACK and the status update together.
            send("ACK\n\n" + block);
        } else {
            send("ACK\n\n");
        }
    }

    asio::ip::tcp::acceptor acceptor_;
    std::unique_ptr<asio::ip::tcp::socket> socket_;
    asio::streambuf in_;
};

bool run_setup(kest_host::scenario_runner& runner, const std::string& text) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        std::optional<kest_host::step> s;
        std::string error;
        if (!kest_host::parse_scenario_line(line, "bench", ++number, s, error) ||
            (s && !runner.execute(*s, "bench"))) {
            std::cerr << "kest-tsl-latency: " << line << ": " << error << runner.error() << "\n";
            return false;
        }
    }
    return true;
}

int measure(int changes) {
    live_studio studio;
    stamping_router router(studio.loop().context());
    kest_host::run_options options;
    options.plugin = KEST_TAVRIN_PATH;
    options.devices = &studio;
    std::ostringstream quiet;
    options.errors = &quiet;
    kest_host::scenario_runner runner(options, quiet);
    const std::string setup =
        "layout-dir \"" KEST_PANEL_DIR "\"\ndevice router 12 videohub 127.0.0.1:" +
        std::to_string(router.port()) +
        "\ndevice infodriver 30\ndevice gpi 40 tsl udp 127.0.0.1:0\n"
        "instance \"Vesk SDI Router\" 12 0\ninstance \"Vesk Tally Infodriver\" 30 0\n"
        "instance \"LD Button 1\" 40 17\nslot 61 \"5\"\nslot 69 \"3\"\nstart\n";
    if (!run_setup(runner, setup) || studio.tsl_devices().empty()) {
        return 1;
    }
    studio.advance(200);
    asio::ip::udp::socket sender(studio.loop().context(), asio::ip::udp::v4());
    const asio::ip::udp::endpoint to(asio::ip::make_address("127.0.0.1"),
                                     studio.tsl_devices().back()->device().port());
    // Version 5.0, index 1, right lamp red or off.
    const std::vector<uint8_t> on{0x0c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
                                  0x00, 0xc1, 0x00, 0x02, 0x00, 'C',  '1'};
    std::vector<uint8_t> off = on;
    off[8] = 0xc0;
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(changes));
    for (int i = 0; i < changes; ++i) {
        const uint64_t before = router.blocks;
        const auto t0 = clock_type::now();
        sender.send_to(asio::buffer(i % 2 == 0 ? on : off), to);
        if (!studio.wait(2000, [&] { return router.blocks > before; })) {
            std::fprintf(stderr, "kest-tsl-latency: change %d brought no routing block\n", i);
            return 1;
        }
        samples.push_back(
            std::chrono::duration<double, std::micro>(router.last_block - t0).count());
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))];
    };
    std::printf(
        "TSL packet to routing block, %d changes: median %.0f us, 99th percentile %.0f us, "
        "largest %.0f us\n",
        changes, at(0.5), at(0.99), samples.back());
    studio.close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return measure(argc > 1 ? std::atoi(argv[1]) : 10000);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kest-tsl-latency: %s\n", e.what());
        return 1;
    }
}
