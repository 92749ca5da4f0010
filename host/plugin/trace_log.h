// The protocol trace: one line per command, reply and event, with its direction
// ("plug-in -> host", "host -> plug-in" or "host"). Off when no stream is set.
#pragma once

#include <ostream>
#include <string>

namespace kest_host {

class trace_log {
  public:
    void set(std::ostream* out, bool color) {
        out_ = out;
        color_ = color;
    }
    bool on() const { return out_ != nullptr; }

    void line(const char* direction, const std::string& text) const {
        if (out_ == nullptr) {
            return;
        }
        if (color_) {
            const bool outgoing = direction[0] == 'p';
            *out_ << (outgoing ? "\033[36m" : "\033[33m") << direction << "\033[0m  " << text
                  << "\n";
        } else {
            *out_ << direction << "  " << text << "\n";
        }
    }

  private:
    std::ostream* out_ = nullptr;
    bool color_ = false;
};

}  // namespace kest_host
