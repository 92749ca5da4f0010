// Runs the independent npm sender (peer/tsl_send.js) beside the event loop.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace tsl_test {

// The set-up script's verdict: "ok ...", "SKIPPED: ..." or "FAILED: ...".
inline std::string peer_status() {
    std::ifstream in(std::string(KEST_TSL_PEER_DIR) + "/status");
    std::string line;
    if (!std::getline(in, line)) {
        return "FAILED: no " KEST_TSL_PEER_DIR
               "/status: the build did not run the tsl_test_peer "
               "target";
    }
    return line;
}

#define TSL_NEED_PEER()                                     \
    do {                                                    \
        const std::string status = tsl_test::peer_status(); \
        if (status.rfind("SKIPPED:", 0) == 0) {             \
            std::printf("%s\n", status.c_str());            \
            GTEST_SKIP() << status;                         \
        }                                                   \
        ASSERT_EQ(status.rfind("ok ", 0), 0U) << status;    \
    } while (false)

// Starts the sender on a thread; finish() waits for it and gives its output.
class peer_run {
  public:
    peer_run(const std::string& mode, uint16_t port, const std::string& steps) {
        output_ = ::testing::TempDir() + "tsl_send_" + std::to_string(port) + "_" + mode + ".txt";
        const std::string command = "node " KEST_TSL_SENDER " " KEST_TSL_PEER_DIR " " + mode +
                                    " 127.0.0.1 " + std::to_string(port) + " " + steps + " >" +
                                    output_ + " 2>&1";
        thread_ = std::thread([this, command] { status_ = std::system(command.c_str()); });
    }
    ~peer_run() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    peer_run(const peer_run&) = delete;
    peer_run& operator=(const peer_run&) = delete;

    bool running() const { return !done_flag(); }

    // Runs the loop until the sender has exited; returns its output.
    std::string finish(boost::asio::io_context& loop) {
        while (!done_flag()) {
            loop.restart();
            loop.run_for(std::chrono::milliseconds(5));
        }
        thread_.join();
        std::ifstream in(output_);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(status_, 0) << text.str();
        return text.str();
    }

  private:
    bool done_flag() const { return status_ != kRunning; }
    static constexpr int kRunning = -12345;
    std::string output_;
    std::thread thread_;
    std::atomic<int> status_{kRunning};
};

}  // namespace tsl_test
