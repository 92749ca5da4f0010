#include "live/live_studio.h"

#include <unistd.h>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/signal_set.hpp>

#include <csignal>
#include <cstdio>
#include <exception>

#include "common/interrupt.h"
#include "common/printable.h"
#include "plugin/sim_host.h"

namespace kest_host::live {

struct live_studio::signals {
    explicit signals(boost::asio::io_context& context) : set(context, SIGTERM) {}
    boost::asio::signal_set set;
};

live_studio::live_studio() = default;

live_studio::~live_studio() {
    try {
        close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kest-host: closing the network links failed: %s\n", e.what());
    }
}

bool live_studio::add_videohub(sim_host& host, router& r, const std::string& address,
                               std::string& error) {
    std::string name;
    uint16_t port = 0;
    if (!videohub_link::split_address(address, name, port, error)) {
        return false;
    }
    start_real_time(host);
    const trace_log& trace = host.trace();
    auto link = std::make_unique<videohub_link>(
        loop_, r, name, port, guard_,
        [&trace](const std::string& text) { trace.line("host", text); }, timing_);
    videohub_link& added = *link;
    routers_.push_back(std::move(link));
    loop_.add(added);
    // The router's state first, so that the panel starts against it.
    wait(first_wait_ms_, [&added] { return added.ready(); });
    if (!added.ready()) {
        trace.line("host", added.name() + " has not told its state yet; the link keeps trying");
    }
    return true;
}

void live_studio::start_real_time(sim_host& host) {
    if (host_ != nullptr) {
        return;
    }
    host_ = &host;  // the first real device of a run
    guard_.refused = 0;
    offset_ = host.now() - loop_.now_ms();
    loop_.on_wake([this] { catch_up(); });
}

void live_studio::catch_up() {
    if (host_ == nullptr) {
        return;
    }
    const int64_t target = loop_.now_ms() + offset_;
    if (target > host_->now()) {
        host_->advance(target - host_->now());
    }
    host_->settle();
}

int64_t live_studio::next_due() const {
    int64_t due = -1;
    int64_t when = 0;
    if (host_->world().clock().next_due(when)) {
        due = when;
    }
    if (host_->world().routers_line().waiting(when) && (due < 0 || when < due)) {
        due = when;
    }
    return due < 0 ? -1 : due - offset_;
}

void live_studio::advance(int64_t ms) {
    wait(ms, nullptr);
}

bool live_studio::wait(int64_t ms, const std::function<bool()>& holds) {
    if (host_ == nullptr) {
        return holds && holds();
    }
    catch_up();
    const auto done = [&holds] { return interrupt_requested() || (holds && holds()); };
    const bool ended = loop_.run_until(loop_.now_ms() + ms, done, [this] { return next_due(); });
    return ended && holds && holds();
}

void live_studio::close() {
    loop_.close_all();
    routers_.clear();
    host_ = nullptr;
    guard_.allowed.clear();
    guard_.monitor = 0;
}

bool live_studio::wait_input(int fd, const std::function<void()>& woke) {
    boost::asio::posix::stream_descriptor input(loop_.context(), ::dup(fd));
    bool ready = false;
    input.async_wait(boost::asio::posix::descriptor_base::wait_read,
                     [&ready](const boost::system::error_code& e) { ready = !e; });
    catch_up();
    // In slices, so that Ctrl-C (a flag the signal raises) is seen soon even when no
    // device keeps the loop busy.
    constexpr int64_t kSlice = 200;
    while (!ready && !loop_.stopped() && !interrupt_requested()) {
        loop_.run_until(
            loop_.now_ms() + kSlice,
            [&] {
                if (woke) {
                    woke();
                }
                return ready || interrupt_requested();
            },
            [this] { return host_ != nullptr ? next_due() : -1; });
    }
    boost::system::error_code ignored;
    input.cancel(ignored);
    loop_.context().poll();  // the cancelled wait's handler, while `ready` lives
    return ready;
}

void live_studio::catch_signals(bool interrupt_too) {
    signals_ = std::make_unique<signals>(loop_.context());
    if (interrupt_too) {
        signals_->set.add(SIGINT);
    }
    signals_->set.async_wait([this](const boost::system::error_code& e, int) {
        if (!e) {
            loop_.stop();
        }
    });
}

}  // namespace kest_host::live
