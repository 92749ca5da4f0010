// What every simulated device shares: a kind, a number, the index ranges the panel
// registered for change reports, and the answer to a poll.
//
// A device never calls the panel: whatever it reports goes to its revertive_sink,
// which queues it for delivery after the current call into the plug-in returns.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "kest_interfaces.h"

namespace kest_host {

class fault_state;

enum class device_kind { router, infodriver, gpi };
const char* kind_name(device_kind kind);

// Where devices send their reports.
class revertive_sink {
  public:
    virtual ~revertive_sink() = default;
    virtual void report(int32_t type, const revertive_info& record) = 0;
    // A remark for the trace (e.g. a poll cut short).
    virtual void remark(const std::string& text) = 0;
};

// A revertive record with its text cut to the record's room.
revertive_info make_record(int32_t device, int32_t database, int32_t index, int32_t value,
                           const std::string& text);

// Registered index ranges of one device.
class range_set {
  public:
    bool contains(int32_t index) const;
    void add(int32_t first, int32_t last);
    void clear() { ranges_.clear(); }
    bool empty() const { return ranges_.empty(); }
    // True when one registered range holds all of first..last.
    bool contains_range(int32_t first, int32_t last) const;
    const std::vector<std::pair<int32_t, int32_t>>& ranges() const { return ranges_; }

  private:
    std::vector<std::pair<int32_t, int32_t>> ranges_;
};

class device {
  public:
    device(device_kind kind, int32_t number, revertive_sink& sink)
        : kind_(kind), number_(number), sink_(sink) {}
    virtual ~device() = default;
    device(const device&) = delete;
    device& operator=(const device&) = delete;

    device_kind kind() const { return kind_; }
    int32_t number() const { return number_; }
    range_set& registered() { return registered_; }
    const range_set& registered() const { return registered_; }

    // Answers a poll of `first` to `last` (at most kPollLimit indices) with one report
    // per index, registered or not.
    virtual void poll(int32_t first, int32_t last);

    // The faults in force (none unless the device world set them).
    void set_faults(const fault_state* faults) { faults_ = faults; }
    const fault_state& faults() const;
    // Why a command of `code` to this device comes to nothing under the faults in
    // force ("lost: router offline"), for the trace; "" when it does not.
    virtual std::string fault_mark(const std::string& /*code*/) const { return ""; }
    // A fault of fault_table() has just ended (its words): what the device does
    // about it (a router back on the network reports again), while every other
    // fault is still as it was.
    virtual void fault_ended(const std::string& /*fault*/) {}

    // Indices one poll answers at most.
    static constexpr int64_t kPollLimit = 4096;

  protected:
    // The report for one index, as a poll gives it.
    virtual revertive_info state_of(int32_t index) const = 0;
    // Sends a revertive for `index` if the panel registered it.
    void report_if_registered(int32_t index, int32_t value, const std::string& text);
    void report(int32_t type, const revertive_info& record) { sink_.report(type, record); }
    void remark(const std::string& text) { sink_.remark(text); }

  private:
    device_kind kind_;
    int32_t number_;
    revertive_sink& sink_;
    range_set registered_;
    const fault_state* faults_ = nullptr;
};

}  // namespace kest_host
