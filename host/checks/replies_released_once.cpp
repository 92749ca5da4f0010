// replies-released-once: every query reply comes back exactly once with code 5, and
// only pointers the host gave come back.
#include "checks/check_list.h"
#include "common/printable.h"

namespace kest_host {

namespace {

class replies_released_once final : public check {
  public:
    replies_released_once()
        : check("replies-released-once",
                "Every query reply is handed back exactly once with code 5, and only replies "
                "the host gave are handed back.",
                "the panel sent no query", false) {}

    void on_release(const kest_ledger::release_outcome& outcome) override {
        exercised();
        if (outcome.kind == kest_ledger::released::again) {
            finding("reply to `" + printable(outcome.label) + "` was released twice");
        } else if (outcome.kind == kest_ledger::released::unknown) {
            finding(
                "code 5 handed back a pointer the host never gave as a reply (or one released "
                "long ago)");
        }
    }

    void on_never_released(const std::vector<std::string>& labels) override {
        for (const auto& label : labels) {
            finding("reply to `" + printable(label) + "` was never released");
        }
    }
};

}  // namespace

std::unique_ptr<check> make_replies_released_once() {
    return std::make_unique<replies_released_once>();
}

}  // namespace kest_host
