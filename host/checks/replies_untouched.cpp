// replies-untouched: no reply is used after its release. Released replies carry the
// poison byte; a command holding it can only have been built from one, and a
// released reply whose poison changed was written to.
#include "checks/check_list.h"
#include "common/printable.h"

namespace kest_host {

namespace {

class replies_untouched final : public check {
  public:
    replies_untouched(unsigned char poison)
        : check("replies-untouched",
                "No reply is read or written after it was handed back: its poisoned bytes stay "
                "intact and never reappear in a command.",
                "no reply was handed back", false),
          poison_(static_cast<char>(poison)) {}

    void on_command(const command_seen& seen) override {
        if (seen.null_text || seen.code != KEST_COMMAND_EXECUTE) {
            return;
        }
        if (seen.text.find(poison_) != std::string::npos) {
            finding("`" + printable(seen.text) +
                    "` carries poison bytes: the panel used a reply after handing it back");
        }
    }

    void on_release(const kest_ledger::release_outcome& outcome) override {
        if (outcome.kind == kest_ledger::released::first) {
            exercised();
        }
    }

    void on_late_write(const std::string& label) override {
        finding("reply to `" + printable(label) + "` was written after it was released");
    }

  private:
    char poison_;
};

}  // namespace

std::unique_ptr<check> make_replies_untouched() {
    return std::make_unique<replies_untouched>(kReplyPoison);
}

}  // namespace kest_host
