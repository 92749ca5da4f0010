// bench_host: the host that both the plug-in and the hand-written baseline talk to
// in the benchmarks.
//
// It costs next to nothing per command, so that the figures are the caller's: it
// counts the command, looks at the two-letter code and answers the queries with
// fixed replies (no copy, nothing allocated). Replies handed back with code 5 are
// counted and checked against the one reply handed out. Recording the texts is only
// for the check that plug-in and baseline send the same bytes; it is off while
// anything is timed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kest_interfaces.h"

namespace kest_bench {

class bench_host final : public kest_host_callback {
  public:
    void hostOperation() override;
    intptr_t command(const char* text, int32_t code) override;

    void record(bool on) { recording_ = on; }
    // Texts sent with code 0 since the last take, in order; clears the record.
    std::vector<std::string> takeTexts();

    uint64_t commands() const { return commands_; }
    uint64_t releases() const { return releases_; }
    // Code 5 calls whose pointer was not the reply this host hands out.
    uint64_t strayReleases() const { return strayReleases_; }
    // Mixed into by every command so the compiler cannot drop the text.
    uint32_t checksum() const { return checksum_; }

  private:
    bool recording_ = false;
    std::vector<std::string> texts_;
    uint64_t commands_ = 0;
    uint64_t releases_ = 0;
    uint64_t strayReleases_ = 0;
    uint32_t checksum_ = 0;
};

}  // namespace kest_bench
