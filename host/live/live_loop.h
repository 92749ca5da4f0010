// The live layer's event loop: one Boost.Asio io_context, run on the one thread that
// also calls into the plug-in, for every socket and real-time timer of the devices
// kest-host talks to on the network (router links, tally receivers, a browser
// panel). Nothing here knows the panel: the loop only runs handlers, and after each
// batch of them calls the wake-up hook, where the host settles whatever the
// handlers queued for the panel and delivers the timer ticks that came due.
//
// A device link is an object that owns its sockets and timers on this loop and
// registers itself with add(); the loop starts it, asks it for its state line and
// closes it at the end. See docs/live.md for how to write one.
#pragma once

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kest_host::live {

// A device on the network, served by the loop.
class device_link {
  public:
    virtual ~device_link() = default;
    // "router 12 (videohub 127.0.0.1:9990)": for the trace and messages.
    virtual std::string name() const = 0;
    // Starts connecting or listening; called once, by live_loop::add().
    virtual void start() = 0;
    // Closes every socket and cancels every timer; nothing of the link runs after.
    virtual void close() = 0;
    // True once the device has told its state (a router its dump).
    virtual bool ready() const = 0;
    // What the devices line says about it ("" when all is well).
    virtual std::string status() const = 0;
};

class live_loop {
  public:
    using clock = std::chrono::steady_clock;

    live_loop();
    live_loop(const live_loop&) = delete;
    live_loop& operator=(const live_loop&) = delete;
    ~live_loop();

    boost::asio::io_context& context() { return context_; }

    // Milliseconds of real time since the loop was made.
    int64_t now_ms() const;

    // Registers a link (which must outlive the loop's use of it) and starts it.
    void add(device_link& link);
    const std::vector<device_link*>& links() const { return links_; }
    // Closes every link and runs what their closing left to run.
    void close_all();

    // Called after each batch of handlers, and once when a wait ends.
    void on_wake(std::function<void()> hook) { wake_ = std::move(hook); }

    // Runs handlers until real time `deadline_ms` (now_ms() scale), or earlier when
    // `done` (checked after each wake-up) holds or stop() was called. `next_due`, when
    // given, says by when the host wants to be woken for its own timers (or -1): the
    // loop wakes then even if no handler ran. Returns true when `done` held.
    bool run_until(int64_t deadline_ms, const std::function<bool()>& done = nullptr,
                   const std::function<int64_t()>& next_due = nullptr);
    // Asks run_until to return after the current handler (signals, the console).
    void stop() { stop_ = true; }
    bool stopped() const { return stop_; }
    void clear_stop() { stop_ = false; }

  private:
    boost::asio::io_context context_;
    clock::time_point origin_ = clock::now();
    std::vector<device_link*> links_;
    std::function<void()> wake_;
    bool stop_ = false;
};

}  // namespace kest_host::live
