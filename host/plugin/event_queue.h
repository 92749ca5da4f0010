// The event queue: what the devices, the clock and the driver send to the panel waits
// here and is delivered by settle(), one event at a time, never from inside a call
// into the plug-in. Each delivery is traced; what an event returns goes to the
// checks, and a parent request's answer is handed back before anything else.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "checks/validator.h"
#include "kest_interfaces.h"
#include "plugin/trace_log.h"
#include "world/device_world.h"

namespace kest_host {

struct host_event {
    int32_t type = 0;
    revertive_info record{};
    intptr_t data = 0;
    std::string text;
    std::string request;
    bool null_text = false;
};

class event_queue {
  public:
    event_queue(validator& checks, const trace_log& trace, const device_world& world)
        : checks_(checks), trace_(trace), world_(world) {}

    void push(host_event event) { queue_.push_back(std::move(event)); }
    // Delivers to `client` until nothing is left, or gives up after kSettleLimit.
    void settle(kest_client_callback* client);
    // Drops what is queued; returns how many events were dropped.
    std::size_t clear();
    bool empty() const { return queue_.empty(); }

    // The answer to the last parent request (nullopt: none was given).
    const std::optional<std::string>& last_answer() const { return last_answer_; }
    uint64_t delivered() const { return delivered_; }

    // How far an answer is searched for its NUL. An answer is made of the panel's own
    // fixed texts (kAnswerOwnText bytes at most) and of values the host handed in with
    // parent requests: the request being answered and one value stored by an earlier
    // one, each no longer than the longest request text sent so far. Twice that, plus
    // the panel's own room, is the longest answer a well-behaved plug-in can give.
    std::size_t answer_scan_limit() const { return kAnswerOwnText + 2 * longest_request_; }
    static constexpr std::size_t kAnswerOwnText = std::size_t{64} * 1024;
    // Events one settle() delivers before it gives up on the step.
    static constexpr uint64_t kSettleLimit = 200000;

  private:
    void deliver(kest_client_callback* client, host_event& event);
    char* deliver_record(kest_client_callback* client, host_event& event);
    char* deliver_button(kest_client_callback* client, host_event& event);
    void take_answer(char* answer, const host_event& event);
    std::string describe_record(const host_event& event) const;

    validator& checks_;
    const trace_log& trace_;
    const device_world& world_;
    std::deque<host_event> queue_;
    std::optional<std::string> last_answer_;
    std::size_t longest_request_ = 0;  // the longest parent request text delivered
    uint64_t delivered_ = 0;
};

const char* event_name(int32_t type);

}  // namespace kest_host
