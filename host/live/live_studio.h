// The studio in real time: the event loop, the links to real devices, the
// destination guard, and the host's clock tied to the real one. It is what the
// scenario runner sees as its real devices; kest-host --live and the tests make one
// and hand it to the run.
//
// The host's simulated clock follows the real clock once the first real device is
// declared: after each batch of network handlers the host delivers the timer ticks
// that came due and settles what the handlers queued for the panel, on this one
// thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "live/live_loop.h"
#include "live/videohub_link.h"
#include "scenario/real_devices.h"

namespace kest_host::live {

class live_studio final : public real_devices {
  public:
    live_studio();
    ~live_studio() override;
    live_studio(const live_studio&) = delete;
    live_studio& operator=(const live_studio&) = delete;

    // --read-only: no crosspoint is sent to any real router.
    void set_read_only(bool on) { guard_.read_only = on; }
    void set_timing(const link_timing& timing) { timing_ = timing; }
    // How long declaring a router waits for its state (default 3 s).
    void set_first_wait(int64_t ms) { first_wait_ms_ = ms; }

    live_loop& loop() { return loop_; }
    const destination_guard& guard() const { return guard_; }
    const std::vector<std::unique_ptr<videohub_link>>& routers() const { return routers_; }

    // --- real_devices --------------------------------------------------------------
    bool add_videohub(sim_host& host, router& r, const std::string& address,
                      std::string& error) override;
    void allow_destination(int32_t destination) override { guard_.allowed.insert(destination); }
    void panel_started(int32_t monitor) override { guard_.monitor = monitor; }
    bool active() const override { return host_ != nullptr; }
    void advance(int64_t ms) override;
    bool wait(int64_t ms, const std::function<bool()>& holds) override;
    uint64_t refused() const override { return guard_.refused; }
    void close() override;

    // From now on the host's clock follows the real one (done by the first router).
    void start_real_time(sim_host& host);
    // Catches SIGTERM (and SIGINT unless the console keeps Ctrl-C for itself) on the
    // loop: the current wait ends early and stop_requested() turns true.
    void catch_signals(bool interrupt_too = true);
    // Serves the loop until descriptor `fd` can be read (true), or the wait is ended
    // by a signal or Ctrl-C (false); `woke` runs after each batch of events.
    bool wait_input(int fd, const std::function<void()>& woke);
    bool stop_requested() const { return loop_.stopped(); }

  private:
    // The host's clock brought up to the real one: due ticks delivered, queue settled.
    void catch_up();
    int64_t next_due() const;

    live_loop loop_;
    destination_guard guard_;
    link_timing timing_;
    int64_t first_wait_ms_ = 3000;
    sim_host* host_ = nullptr;
    int64_t offset_ = 0;  // host clock minus loop clock
    std::vector<std::unique_ptr<videohub_link>> routers_;
    struct signals;
    std::unique_ptr<signals> signals_;
};

}  // namespace kest_host::live
