// fuzz_input: reads a fuzzer's byte string as a stream of small decisions.
//
// Every read takes bytes from the front. Once the bytes run out every read gives 0
// (and texts come back empty), so a short input is still a complete, valid run and
// the decoding never fails. Decisions are built so that 0 is the ordinary case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace kest_fuzz {

class fuzz_input {
  public:
    fuzz_input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return position_ >= size_; }

    uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }

    // A choice among `count` cases (count from 1 to 256).
    unsigned choose(unsigned count) { return byte() % count; }

    // Four bytes, little-endian, as a signed 32-bit number.
    int32_t int32() {
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) {
            bits |= static_cast<uint32_t>(byte()) << (8 * i);
        }
        int32_t value;
        std::memcpy(&value, &bits, sizeof(value));
        return value;
    }

    // Eight bytes, for data values that must fill a whole pointer-sized word.
    intptr_t word() {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) {
            bits |= static_cast<uint64_t>(byte()) << (8 * i);
        }
        return static_cast<intptr_t>(bits);
    }

    // `length` bytes exactly as they come (NUL bytes included), shorter at the end.
    std::string bytes(std::size_t length) {
        const std::size_t available = position_ < size_ ? size_ - position_ : 0;
        if (length > available) {
            length = available;
        }
        std::string text(reinterpret_cast<const char*>(data_ + position_), length);
        position_ += length;
        return text;
    }

    // A text of up to `limit` characters, its length taken from one byte. Stops at
    // the first NUL, as the text's reader would.
    std::string text(std::size_t limit) {
        std::string raw = bytes(byte() % (limit + 1));
        const std::size_t nul = raw.find('\0');
        if (nul != std::string::npos) {
            raw.resize(nul);
        }
        return raw;
    }

  private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace kest_fuzz
