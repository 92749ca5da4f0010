// recording_host: a kest_host_callback for tests that records every call and hands
// out scripted replies the way a strict host would.
//
//   kest_test::recording_host host;
//   host.reply("SD 'Vesk SDI Router'", "12 0");    // exact command text
//   host.replyPrefix("TG '1' ", "value=3");         // any command starting so
//   host.replyDefault(std::nullopt);                // other queries: null (the default)
//   host.setShowResult(0);                          // what "PS" returns (default 1)
//   ... drive the code under test with &host ...
//   host.commands()            -> texts sent with code 0, in order
//   host.calls()               -> every call (code 0 and 5) in order
//   host.releases()            -> texts of the replies handed back with code 5, in order
//   host.nullReleases(), host.doubleReleases(), host.unknownReleases()
//   host.outstandingReplies()  -> replies handed out and not yet handed back
//   host.clear()               -> forget the records (scripted replies stay)
//
// Replies: a query ("SD", "RN", "XI", "TG") gets the exact-text reply if one is
// scripted, else the one of the longest matching prefix, else the default. Any other
// command gets a reply only when its exact text or a prefix is scripted; otherwise
// the result is 0 ("PS": the show result). A std::nullopt reply is a null pointer.
// The replies are kept by the shared reply ledger (reply_ledger.h): each is a fresh
// heap copy; on release the pointer is checked (handed out and not yet released), the
// release recorded, the bytes overwritten with 0xDD and the block freed, so a late
// read shows as 0xDD in plain builds and as a heap-use-after-free under ASan. The
// ledger frees what was never handed back.
// Header-only; no dependencies beyond the interfaces, the ledger and the standard
// library.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "kest_interfaces.h"
#include "reply_ledger.h"

namespace kest_test {

class recording_host : public kest_host_callback {
  public:
    struct call {
        std::string text;  // the command text (code 0) or the released reply's text (code 5)
        int32_t code;
        bool null;  // the text pointer was null
    };

    recording_host() = default;
    recording_host(const recording_host&) = delete;
    recording_host& operator=(const recording_host&) = delete;
    ~recording_host() = default;

    // --- Scripting ---------------------------------------------------------------
    void reply(const std::string& command, std::optional<std::string> text) {
        exact_[command] = std::move(text);
    }
    void replyPrefix(const std::string& prefix, std::optional<std::string> text) {
        prefixes_[prefix] = std::move(text);
    }
    void replyDefault(std::optional<std::string> text) { default_ = std::move(text); }
    void setShowResult(intptr_t result) { showResult_ = result; }

    // --- Records -----------------------------------------------------------------
    const std::vector<call>& calls() const { return calls_; }
    std::vector<std::string> commands() const {
        std::vector<std::string> texts;
        for (const call& c : calls_) {
            if (c.code == KEST_COMMAND_EXECUTE) {
                texts.push_back(c.text);
            }
        }
        return texts;
    }
    const std::vector<std::string>& releases() const { return releases_; }
    int nullReleases() const { return nullReleases_; }
    int doubleReleases() const { return doubleReleases_; }
    int unknownReleases() const { return unknownReleases_; }
    std::size_t outstandingReplies() const { return ledger_.outstanding(); }
    int repliesHandedOut() const { return handedOut_; }
    // True when every reply handed out came back exactly once and nothing else did.
    bool releasesBalanced() const {
        return ledger_.outstanding() == 0 && doubleReleases_ == 0 && unknownReleases_ == 0;
    }
    void clear() {
        calls_.clear();
        releases_.clear();
        nullReleases_ = doubleReleases_ = unknownReleases_ = handedOut_ = 0;
    }

    // --- kest_host_callback ------------------------------------------------------
    void hostOperation() override {}

    intptr_t command(const char* text, int32_t code) override {
        if (code == KEST_COMMAND_RELEASE) {
            release(text);
            return 0;
        }
        calls_.push_back({text != nullptr ? text : "", code, text == nullptr});
        if (code != KEST_COMMAND_EXECUTE || text == nullptr) {
            return 0;
        }
        const std::string command(text);
        const std::optional<std::string>* scripted = find(command);
        if (scripted == nullptr && isQuery(command)) {
            scripted = &default_;
        }
        if (scripted == nullptr) {
            return command.compare(0, 3, "PS ") == 0 ? showResult_ : 0;
        }
        if (!scripted->has_value()) {
            return 0;
        }
        ++handedOut_;
        return reinterpret_cast<intptr_t>(ledger_.hand_out(**scripted, command));
    }

  private:
    static bool isQuery(const std::string& command) {
        for (const char* code : {"SD ", "RN ", "XI ", "TG "}) {
            if (command.compare(0, 3, code) == 0) {
                return true;
            }
        }
        return false;
    }

    const std::optional<std::string>* find(const std::string& command) const {
        const auto exact = exact_.find(command);
        if (exact != exact_.end()) {
            return &exact->second;
        }
        const std::optional<std::string>* best = nullptr;
        std::size_t bestLength = 0;
        for (const auto& [prefix, text] : prefixes_) {
            if (command.compare(0, prefix.size(), prefix) == 0 && prefix.size() >= bestLength) {
                best = &text;
                bestLength = prefix.size();
            }
        }
        return best;
    }

    void release(const char* text) {
        const kest_ledger::release_outcome outcome = ledger_.release(text);
        switch (outcome.kind) {
            case kest_ledger::released::null_reply:
                ++nullReleases_;
                calls_.push_back({"", KEST_COMMAND_RELEASE, true});
                return;
            case kest_ledger::released::first:
                calls_.push_back({outcome.text, KEST_COMMAND_RELEASE, false});
                releases_.push_back(outcome.text);
                return;
            case kest_ledger::released::again:
                ++doubleReleases_;
                break;
            case kest_ledger::released::unknown:
                ++unknownReleases_;
                break;
        }
        calls_.push_back({"<not a reply>", KEST_COMMAND_RELEASE, false});
    }

    std::map<std::string, std::optional<std::string>> exact_;
    std::map<std::string, std::optional<std::string>> prefixes_;
    std::optional<std::string> default_;
    intptr_t showResult_ = 1;

    std::vector<call> calls_;
    std::vector<std::string> releases_;
    kest_ledger::reply_ledger ledger_{{0xDD, 0, true}};
    int nullReleases_ = 0;
    int doubleReleases_ = 0;
    int unknownReleases_ = 0;
    int handedOut_ = 0;
};

}  // namespace kest_test
