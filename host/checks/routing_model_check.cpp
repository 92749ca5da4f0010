// routing-model: in stress mode, after every event the router and the panel's
// controls agree with an independent model of the routing rules.
#include "checks/check_list.h"

namespace kest_host {

namespace {

class routing_model_check final : public check {
  public:
    routing_model_check()
        : check("routing-model",
                "After every event the monitor route and the panel's controls agree with an "
                "independent model of the routing rules.",
                "runs in stress mode only", false) {}

    void on_model(const std::string* divergence) override {
        exercised();
        if (divergence != nullptr) {
            finding(*divergence);
        }
    }
};

}  // namespace

std::unique_ptr<check> make_routing_model() {
    return std::make_unique<routing_model_check>();
}

}  // namespace kest_host
