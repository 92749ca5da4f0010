// A feed and its sink for the socket tests, their loopback address, and a bounded
// wait on the event loop.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/udp.hpp>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tally/tsl_feed.h"

namespace tsl_test {

namespace asio = boost::asio;
using asio::ip::tcp;
using asio::ip::udp;

// Every socket of these tests is on loopback.
const auto kLoopback = asio::ip::make_address("127.0.0.1");

struct recorder : kest_host::tsl_feed_sink {
    std::vector<std::string> changes;  // "3+ 127.0.0.1:40000"
    std::vector<std::string> remarks;
    void input_changed(int input, bool high, const std::string& source) override {
        changes.push_back(std::to_string(input) + (high ? "+ " : "- ") + source);
    }
    void remark(const std::string& text) override { remarks.push_back(text); }
};

// Runs the loop until `done` holds or `limit` has passed; returns whether it held.
inline bool run_until(boost::asio::io_context& loop, const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        loop.restart();
        loop.run_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The changes without their sources: "3+ 4-".
inline std::string states(const std::vector<std::string>& changes) {
    std::string out;
    for (const std::string& c : changes) {
        out += (out.empty() ? "" : " ") + c.substr(0, c.find(' '));
    }
    return out;
}

}  // namespace tsl_test
