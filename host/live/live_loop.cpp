#include "live/live_loop.h"

#include <boost/asio/executor_work_guard.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>

namespace kest_host::live {

namespace {

// Keeps run_one_until() waiting for the deadline when no socket or timer is busy.
using work_guard = boost::asio::executor_work_guard<boost::asio::io_context::executor_type>;

}  // namespace

live_loop::live_loop() = default;

live_loop::~live_loop() {
    try {
        close_all();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kest-host: closing the network links failed: %s\n", e.what());
    }
}

int64_t live_loop::now_ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - origin_).count();
}

void live_loop::add(device_link& link) {
    links_.push_back(&link);
    link.start();
}

void live_loop::close_all() {
    for (device_link* link : links_) {
        link->close();
    }
    links_.clear();
    // The cancelled operations' handlers run now, while their objects still live.
    context_.restart();
    context_.poll();
}

bool live_loop::run_until(int64_t deadline_ms, const std::function<bool()>& done,
                          const std::function<int64_t()>& next_due) {
    const work_guard guard(context_.get_executor());
    for (;;) {
        if (done && done()) {
            return true;
        }
        const int64_t now = now_ms();
        if (stop_ || now >= deadline_ms) {
            return false;
        }
        int64_t wake_at = deadline_ms;
        if (next_due) {
            const int64_t due = next_due();
            if (due >= 0) {
                wake_at = std::min(wake_at, std::max(due, now));
            }
        }
        if (context_.stopped()) {
            context_.restart();
        }
        if (wake_at > now) {
            context_.run_one_until(origin_ + std::chrono::milliseconds(wake_at));
        }
        context_.poll();
        if (wake_) {
            wake_();
        }
    }
}

}  // namespace kest_host::live
