// What `record FILE` writes: the session so far as one self-contained scenario. The
// statements that ran, in order (the starting scenario and loaded files inlined, a
// layout folder made relative to the new file), then expectations of the state the
// session has reached: every crosspoint of the router and every property and the
// visibility of every control of the panel. Played back it passes, so a panel
// commissioned by hand becomes a regression test.
#pragma once

#include <string>
#include <vector>

#include "plugin/sim_host.h"
#include "scenario/statements.h"

namespace kest_host {

class session_record {
  public:
    // A comment line that heads what follows ("played from FILE").
    void section(const std::string& title);
    // A statement that ran; `failed` for an expectation that did not hold, which is
    // kept only as a comment.
    void played(const step& s, const std::string& file, bool failed);

    // Writes the record and the state of `host` to `file`; false with `error`.
    bool write(const std::string& file, sim_host& host, std::string& error) const;
    // The text write() puts into a file at `file`.
    std::string text(const std::string& file, sim_host& host) const;

    std::size_t statements() const { return statements_; }

  private:
    struct entry {
        std::string text;
        std::string layout_dir;  // for layout-dir: the folder, resolved
    };
    std::vector<entry> entries_;
    std::size_t statements_ = 0;
};

// A text in double quotes as the scenario language reads it back.
std::string scenario_text(const std::string& text);

}  // namespace kest_host
