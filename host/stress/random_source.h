// splitmix64: the same sequence from the same seed on every platform and compiler.
#pragma once

#include <cstdint>

namespace kest_host {

class random_source {
  public:
    explicit random_source(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A number from 0 to n - 1.
    int32_t below(int32_t n) { return static_cast<int32_t>(next() % static_cast<uint64_t>(n)); }

  private:
    uint64_t state_;
};

}  // namespace kest_host
