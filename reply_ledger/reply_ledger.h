// reply_ledger: the replies a host has handed to a plug-in and what became of them.
//
// A query reply is a fresh heap copy of its text. The plug-in hands it back once with
// code 5; the ledger then fills its bytes with the poison byte, so that a late read
// shows as poison (and under ASan, once freed, as a heap-use-after-free). Released
// replies either stay allocated in a bounded quarantine, where a later write to them
// is caught when they leave it, or are freed at once.
//
//   kest_ledger::reply_ledger ledger({0xFE, 1024, false});
//   const char* r = ledger.hand_out("12 0", "SD 'Vesk SDI Router'");
//   auto outcome = ledger.release(r);   // outcome.kind == released::first
//   ledger.release(r);                  // released::again, label "SD 'Vesk SDI Router'"
//   ledger.finish();                    // labels of replies never handed back
//
// A pointer that is neither live nor in quarantine is never dereferenced: it may be
// freed memory or a stranger's pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kest_ledger {

struct ledger_options {
    unsigned char poison = 0xDD;
    // Released replies kept allocated to catch late writes; kKeepAll keeps every one
    // until finish(), 0 frees each at once.
    std::size_t quarantine = 0;
    // Remember the pointers of freed replies, so that a second release of one is
    // told apart from a pointer that was never a reply. Grows with the run: for
    // short runs (tests, fuzz inputs) only.
    bool remember_freed = false;
};

constexpr std::size_t kKeepAll = static_cast<std::size_t>(-1);

enum class released {
    null_reply,  // a null pointer came back (a null reply may be handed back)
    first,       // a live reply came back: now poisoned
    again,       // a reply that had already come back
    unknown,     // a pointer the ledger never handed out (or released long ago)
};

struct release_outcome {
    released kind = released::unknown;
    std::string text;   // the reply's text as handed out (first)
    std::string label;  // what the reply answered (first, and again while known)
};

class reply_ledger {
  public:
    // Called with a reply's label when a released reply turns out to be written to.
    using write_sink = std::function<void(const std::string& label)>;

    explicit reply_ledger(ledger_options options = {}) : options_(options) {}
    reply_ledger(const reply_ledger&) = delete;
    reply_ledger& operator=(const reply_ledger&) = delete;
    ~reply_ledger() = default;

    void on_late_write(write_sink sink) { late_write_ = std::move(sink); }
    void set_quarantine(std::size_t count) { options_.quarantine = count; }

    // A fresh NUL-terminated copy of `text`, owned by the ledger until released.
    const char* hand_out(const std::string& text, std::string label) {
        entry e;
        e.length = text.size();
        e.bytes = std::make_unique<char[]>(text.size() + 1);
        std::memcpy(e.bytes.get(), text.c_str(), text.size() + 1);
        e.label = std::move(label);
        e.sequence = next_sequence_++;
        const char* pointer = e.bytes.get();
        freed_.erase(pointer);
        live_.emplace(pointer, std::move(e));
        ++handed_out_;
        return pointer;
    }

    release_outcome release(const char* pointer) {
        release_outcome out;
        if (pointer == nullptr) {
            out.kind = released::null_reply;
            return out;
        }
        const auto live = live_.find(pointer);
        if (live != live_.end()) {
            entry e = std::move(live->second);
            live_.erase(live);
            out.kind = released::first;
            out.text.assign(e.bytes.get(), e.length);
            out.label = e.label;
            std::memset(e.bytes.get(), options_.poison, e.length + 1);
            e.bytes[e.length] = '\0';
            keep_or_free(pointer, std::move(e));
            return out;
        }
        const auto kept = quarantine_.find(pointer);
        if (kept != quarantine_.end()) {
            out.kind = released::again;
            out.label = kept->second.label;
            return out;
        }
        out.kind = freed_.count(pointer) != 0 ? released::again : released::unknown;
        return out;
    }

    // Ends the run: returns the labels of the replies never handed back (in the order
    // they were handed out) and checks every quarantined reply for late writes.
    std::vector<std::string> finish() {
        std::map<uint64_t, std::string> open;
        for (const auto& [pointer, e] : live_) {
            (void)pointer;
            open.emplace(e.sequence, e.label);
        }
        live_.clear();
        for (const auto& [pointer, e] : quarantine_) {
            (void)pointer;
            check_poison(e);
        }
        quarantine_.clear();
        quarantine_order_.clear();
        std::vector<std::string> labels;
        labels.reserve(open.size());
        for (auto& [sequence, label] : open) {
            (void)sequence;
            labels.push_back(std::move(label));
        }
        return labels;
    }

    std::size_t outstanding() const { return live_.size(); }
    uint64_t handed_out() const { return handed_out_; }
    bool poisoned(const std::string& text) const {
        return text.find(static_cast<char>(options_.poison)) != std::string::npos;
    }
    unsigned char poison() const { return options_.poison; }

  private:
    struct entry {
        std::unique_ptr<char[]> bytes;
        std::size_t length = 0;
        std::string label;
        uint64_t sequence = 0;
    };

    void keep_or_free(const char* pointer, entry e) {
        if (options_.quarantine == 0) {
            if (options_.remember_freed) {
                freed_.insert(pointer);
            }
            return;  // `e` frees the bytes
        }
        quarantine_.emplace(pointer, std::move(e));
        quarantine_order_.push_back(pointer);
        if (options_.quarantine != kKeepAll && quarantine_order_.size() > options_.quarantine) {
            evict_oldest();
        }
    }

    void evict_oldest() {
        const char* pointer = quarantine_order_.front();
        quarantine_order_.pop_front();
        const auto it = quarantine_.find(pointer);
        if (it != quarantine_.end()) {
            check_poison(it->second);
            quarantine_.erase(it);
        }
    }

    void check_poison(const entry& e) const {
        bool intact = e.bytes[e.length] == '\0';
        for (std::size_t i = 0; intact && i < e.length; ++i) {
            intact = static_cast<unsigned char>(e.bytes[i]) == options_.poison;
        }
        if (!intact && late_write_) {
            late_write_(e.label);
        }
    }

    ledger_options options_;
    write_sink late_write_;
    std::unordered_map<const char*, entry> live_;
    std::unordered_map<const char*, entry> quarantine_;
    std::deque<const char*> quarantine_order_;
    std::set<const char*> freed_;
    uint64_t next_sequence_ = 0;
    uint64_t handed_out_ = 0;
};

}  // namespace kest_ledger
