// answers-well-formed: only parent requests return strings, each NUL-terminated
// within the scan limit.
#include "checks/check_list.h"
#include "common/printable.h"

namespace kest_host {

namespace {

class answers_well_formed final : public check {
  public:
    answers_well_formed()
        : check("answers-well-formed",
                "Answers come only for parent requests, each a NUL-terminated string the host "
                "can hand back with type 5.",
                "no parent request was sent", false) {}

    void on_answer(const answer_seen& seen) override {
        if (seen.event_type == KEST_EVENT_PARENT_REQUEST) {
            exercised();
            if (seen.returned && !seen.terminated) {
                finding("answer to parent request " + quoted(seen.request) + " has no NUL within " +
                        std::to_string(seen.scan_limit) + " bytes");
            }
            return;
        }
        if (seen.returned) {
            finding(std::string("the ") + seen.event_name + " (type " +
                    std::to_string(seen.event_type) +
                    ") returned a string; only parent requests answer, so nobody frees it");
        }
    }
};

}  // namespace

std::unique_ptr<check> make_answers_well_formed() {
    return std::make_unique<answers_well_formed>();
}

}  // namespace kest_host
