#include "checks/check.h"

namespace kest_host {

const char* result_name(check_result result) {
    switch (result) {
        case check_result::passed:
            return "passed";
        case check_result::skipped:
            return "skipped";
        case check_result::warning:
            return "warning";
        case check_result::failed:
            return "FAILED";
    }
    return "?";
}

check_result check::result() const {
    if (findings_ > 0) {
        return warning_only_ ? check_result::warning : check_result::failed;
    }
    return exercised_ > 0 ? check_result::passed : check_result::skipped;
}

void check::finding(const std::string& message) {
    if (sink_ != nullptr) {
        sink_->found(*this, message);
    } else {
        record(message);
    }
}

void check::record(const std::string& message) {
    ++exercised_;
    ++findings_;
    if (messages_.size() < kMessagesKept) {
        messages_.push_back(message);
    }
}

}  // namespace kest_host
