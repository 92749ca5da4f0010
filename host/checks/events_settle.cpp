// events-settle: the events a step causes come to an end.
#include "checks/check_list.h"

namespace kest_host {

namespace {

class events_settle final : public check {
  public:
    events_settle()
        : check("events-settle",
                "Every step settles: the events the panel's commands cause come to an end.",
                "no step ran", false) {}

    void on_settle(const settle_seen& seen) override {
        exercised();
        if (seen.gave_up) {
            finding("more than " + std::to_string(seen.limit) +
                    " events in one step: the panel's commands keep causing events (" +
                    std::to_string(seen.dropped) + " dropped)");
        }
    }
};

}  // namespace

std::unique_ptr<check> make_events_settle() {
    return std::make_unique<events_settle>();
}

}  // namespace kest_host
