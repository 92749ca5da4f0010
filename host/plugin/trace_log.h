// The protocol trace: one line per command, reply and event, with its direction
// ("plug-in -> host", "host -> plug-in" or "host"). Off when no stream is set.
//
// Besides the printed lines, a listener (the run's report) can be told of every
// command, reply, release, event and answer as a typed item, with the device it
// names; it hears them whether or not the lines are printed.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "common/printable.h"

namespace kest_host {

enum class trace_kind { command, reply, release, event, answer };

class trace_listener {
  public:
    virtual ~trace_listener() = default;
    virtual void traced(trace_kind kind, const std::string& text,
                        std::optional<int32_t> device) = 0;

  protected:
    trace_listener() = default;
    trace_listener(const trace_listener&) = default;
    trace_listener& operator=(const trace_listener&) = default;
};

class trace_log {
  public:
    void set(std::ostream* out, bool color) {
        out_ = out;
        color_ = color;
    }
    void set_listener(trace_listener* listener) { listener_ = listener; }
    trace_listener* listener() const { return listener_; }
    bool on() const { return out_ != nullptr; }
    // Someone wants the items: printed or listened to.
    bool wanted() const { return out_ != nullptr || listener_ != nullptr; }

    void line(const char* direction, const std::string& text) const {
        if (out_ == nullptr) {
            return;
        }
        if (color_) {
            const bool outgoing = direction[0] == 'p';
            *out_ << (outgoing ? "\033[36m" : "\033[33m") << direction << "\033[0m  "
                  << printable(text) << "\n";
        } else {
            *out_ << direction << "  " << printable(text) << "\n";
        }
    }

    // Tells the listener of one item; prints nothing.
    void item(trace_kind kind, const std::string& text,
              std::optional<int32_t> device = std::nullopt) const {
        if (listener_ != nullptr) {
            listener_->traced(kind, text, device);
        }
    }

  private:
    std::ostream* out_ = nullptr;
    trace_listener* listener_ = nullptr;
    bool color_ = false;
};

}  // namespace kest_host
