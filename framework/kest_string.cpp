#include "kest_string.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

// Storage: `text_` points at `inline_` while the text fits kInlineCapacity
// characters, otherwise at a heap block of `capacity_` + 1 bytes. A heap block is
// kept when the text shrinks again, so a string that once grew does not allocate
// on every assignment. `text_[length_]` is always NUL.
//
// Aliasing: every writer copies its source before it frees the old storage, and
// writes inside the current storage with memmove, so `s = s`, `s += s` and
// assignments from a pointer into the string's own text are safe.

namespace {

// The widest number field the number constructor pads to. A larger width is
// taken as this one: no caller pads at all, and an unbounded width would let one
// call ask for gigabytes.
constexpr unsigned kMaxFieldWidth = 65536;

// Longest text a kest_string can hold: its length and its NUL must fit `unsigned`.
constexpr std::size_t kMaxLength = UINT_MAX - 1;

// No exception leaves this library: on 32-bit Windows the runtime is linked into
// every DLL on its own and an exception cannot cross from one DLL into another, so
// a throw here would end the host. A text longer than kMaxLength is cut to it (and
// the caller marks the result incomplete).
unsigned checkedLength(std::size_t length) {
    return static_cast<unsigned>(length > kMaxLength ? kMaxLength : length);
}

// A heap block for `length` characters and the NUL, or null when the heap refuses.
char* allocateText(std::size_t length) {
    return new (std::nothrow) char[length + 1];
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The position of the first "%" in text[from, end), or `end` when there is none.
// Markers are rare in long texts, so eight characters are tested at a time where
// the compiler offers a way to find the first match in a word.
unsigned nextPercent(const char* text, unsigned from, unsigned end) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHighs = 0x8080808080808080ull;
    constexpr uint64_t kPercents = kOnes * static_cast<unsigned char>('%');
    while (end - from >= 8) {
        uint64_t word;
        std::memcpy(&word, text + from, sizeof(word));
        const uint64_t x = word ^ kPercents;  // a "%" becomes a zero byte
        // The lowest flagged byte is always a true zero byte; flags above it may not be.
        const uint64_t zeros = (x - kOnes) & ~x & kHighs;
        if (zeros != 0) {
            return from + static_cast<unsigned>(__builtin_ctzll(zeros)) / 8;
        }
        from += 8;
    }
#endif
    while (from < end && text[from] != '%') {
        ++from;
    }
    return from;
}

// A number written for the number constructor and the number form of `arg`: the
// digits with their sign, padded in front to `width` characters with `fill`.
// Fields up to kShortField characters are written whole into `text`; a wider field
// leaves its padding to the caller (`padding` characters of `fill` go first).
struct number_field {
    // 32 binary digits and a sign, or a narrow padded field.
    static constexpr unsigned kShortField = 64;

    // True when the whole field is in `text`.
    bool format(int value, char fillWith, unsigned width, int base) {
        if (base < 2 || base > 36) {
            base = 10;
        }
        if (width > kMaxFieldWidth) {
            width = kMaxFieldWidth;
        }
        fill = fillWith == '\0' ? ' ' : fillWith;
        static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
        // Written backwards from the end of `digits`.
        char digits[sizeof(int) * CHAR_BIT + 1];
        char* p = digits + sizeof(digits);
        // Unsigned arithmetic makes INT_MIN's magnitude representable.
        unsigned magnitude =
            value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        const unsigned radix = static_cast<unsigned>(base);
        if (radix == 10) {
            // The common case, with a divisor the compiler can turn into a multiply.
            do {
                *--p = static_cast<char>('0' + magnitude % 10);
                magnitude /= 10;
            } while (magnitude != 0);
        } else {
            do {
                *--p = kDigits[magnitude % radix];
                magnitude /= radix;
            } while (magnitude != 0);
        }
        if (value < 0) {
            *--p = '-';
        }
        const unsigned count = static_cast<unsigned>(digits + sizeof(digits) - p);
        padding = width > count ? width - count : 0;
        if (padding + count <= kShortField) {
            if (padding != 0) {
                std::memset(text, fill, padding);
            }
            std::memcpy(text + padding, p, count);
            length = padding + count;
            padding = 0;
            return true;
        }
        std::memcpy(text, p, count);
        length = count;
        return false;
    }

    char text[kShortField];
    unsigned length = 0;
    unsigned padding = 0;
    char fill = ' ';
};

}  // namespace

kest_string::kest_string()
    : text_(inline_), length_(0), capacity_(kInlineCapacity), complete_(true) {
    inline_[0] = '\0';
}

kest_string::kest_string(const char* text) : kest_string() {
    if (text != nullptr) {
        const std::size_t length = std::strlen(text);
        assign(text, checkedLength(length));
        complete_ = complete_ && length <= kMaxLength;
    }
}

kest_string::kest_string(int value, char fill, unsigned width, int base) : kest_string() {
    number_field field;
    if (field.format(value, fill, width, base)) {
        assign(field.text, field.length);
        return;
    }
    // A wide field: padding first, then the digits. Without room for the padding
    // the digits alone are written.
    if (!reserve(field.padding + field.length)) {
        field.padding = 0;
        complete_ = false;
    }
    std::memset(text_, field.fill, field.padding);
    std::memcpy(text_ + field.padding, field.text, field.length);
    length_ = field.padding + field.length;
    text_[length_] = '\0';
}

kest_string::kest_string(const kest_string& other) : kest_string() {
    assign(other.text_, other.length_);
    complete_ = complete_ && other.complete_;
}

kest_string& kest_string::operator=(const kest_string& other) {
    if (this != &other) {
        assign(other.text_, other.length_);
        complete_ = complete_ && other.complete_;
    }
    return *this;
}

kest_string& kest_string::operator=(const char* text) {
    if (text == nullptr) {
        assign("", 0);
    } else {
        const std::size_t length = std::strlen(text);
        assign(text, checkedLength(length));
        complete_ = complete_ && length <= kMaxLength;
    }
    return *this;
}

kest_string::~kest_string() {
    if (text_ != inline_) {
        delete[] text_;
    }
}

kest_string& kest_string::operator+=(const kest_string& other) {
    const bool whole = other.complete_;  // read first: `other` may be this string
    append(other.text_, other.length_);
    complete_ = complete_ && whole;
    return *this;
}

kest_string& kest_string::operator+=(const char* text) {
    if (text != nullptr) {
        const std::size_t length = std::strlen(text);
        append(text, checkedLength(length));
        complete_ = complete_ && length <= kMaxLength;
    }
    return *this;
}

bool kest_string::operator==(const char* text) const {
    return std::strcmp(text_, text != nullptr ? text : "") == 0;
}

bool kest_string::operator!=(const kest_string& other) const {
    return length_ != other.length_ || std::memcmp(text_, other.text_, length_) != 0;
}

kest_string::operator const char*() const {
    return text_;
}

int kest_string::length() const {
    return static_cast<int>(length_);
}

int kest_string::toInt() const {
    const char* p = text_;
    while (isBlank(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate the magnitude, saturating one past INT_MAX so that INT_MIN
    // itself stays exact and anything larger clamps.
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    while (*p >= '0' && *p <= '9') {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude >= kLimit) {
            magnitude = kLimit;
            break;
        }
        ++p;
    }
    if (negative) {
        return static_cast<int>(-magnitude);
    }
    return magnitude >= kLimit ? INT_MAX : static_cast<int>(magnitude);
}

kest_string kest_string::arg(const kest_string& value) const {
    return substitute(value.text_, value.length_, value.complete_);
}

kest_string kest_string::arg(int value, char fill, unsigned width, int base) const {
    number_field field;
    if (field.format(value, fill, width, base)) {
        return substitute(field.text, field.length, true);
    }
    return arg(kest_string(value, fill, width, base));
}

// Replaces every occurrence of the lowest-numbered marker with `value`, which may
// point into this very string (the result is built in a new one). One scan finds
// the lowest marker and remembers where it occurs; the result is then copied
// together piece by piece. Only a text with more occurrences than are remembered
// is searched a second time.
kest_string kest_string::substitute(const char* value, unsigned valueLength,
                                    bool valueWhole) const {
    constexpr unsigned kRemembered = 16;
    unsigned positions[kRemembered];
    char lowest = '9' + 1;
    unsigned occurrences = 0;
    // A marker starts before the last character.
    const unsigned starts = length_ != 0 ? length_ - 1 : 0;
    for (unsigned i = 0; i < starts; ++i) {
        i = nextPercent(text_, i, starts);
        if (i == starts) {
            break;
        }
        const char digit = text_[i + 1];
        if (digit >= '1' && digit <= '9' && digit <= lowest) {
            if (digit < lowest) {
                lowest = digit;
                occurrences = 0;
            }
            if (occurrences < kRemembered) {
                positions[occurrences] = i;
            }
            ++occurrences;
        }
    }
    // One result object on every path, so that it is built in the caller's place.
    kest_string result;
    if (occurrences == 0) {
        result.assign(text_, length_);
        result.complete_ = result.complete_ && complete_;  // the value is not in it
        return result;
    }

    const std::size_t total = static_cast<std::size_t>(length_) -
                              2 * static_cast<std::size_t>(occurrences) +
                              static_cast<std::size_t>(occurrences) * valueLength;
    if (total > kMaxLength || !result.reserve(static_cast<unsigned>(total))) {
        // No room for the result: the text comes back as if no marker were left,
        // marked as not the text asked for.
        result.assign(text_, length_);
        result.complete_ = false;
        return result;
    }
    char* out = result.text_;
    unsigned copied = 0;  // start of the text not yet copied
    unsigned next = 0;
    for (unsigned n = 0; n < occurrences; ++n) {
        if (n < kRemembered) {
            next = positions[n];
        } else {
            // Markers do not overlap: "%d" cannot start with the digit before it.
            next = copied;
            while (text_[next] != '%' || text_[next + 1] != lowest) {
                ++next;
            }
        }
        std::memcpy(out, text_ + copied, next - copied);
        out += next - copied;
        std::memcpy(out, value, valueLength);
        out += valueLength;
        copied = next + 2;
    }
    std::memcpy(out, text_ + copied, length_ - copied);
    out += length_ - copied;
    *out = '\0';
    result.length_ = static_cast<unsigned>(total);
    result.complete_ = complete_ & valueWhole;
    return result;
}

void kest_string::split(char separator, kest_string& before, kest_string& after) const {
    // Built aside first: `before` or `after` may be this very string.
    kest_string head;
    kest_string tail;
    const void* found = std::memchr(text_, separator, length_);
    if (found != nullptr) {
        const unsigned at = static_cast<unsigned>(static_cast<const char*>(found) - text_);
        head.assign(text_, at);
        tail.assign(text_ + at + 1, length_ - at - 1);
    } else {
        head.assign(text_, length_);
    }
    // A piece of a cut text may itself be cut.
    head.complete_ = head.complete_ && complete_;
    tail.complete_ = tail.complete_ && complete_;
    before = head;
    after = tail;
}

bool kest_string::assignWhole(const char* text) {
    if (text == nullptr) {
        text = "";
    }
    const std::size_t length = std::strlen(text);
    if (length > kMaxLength) {
        return false;
    }
    if (length > capacity_) {
        char* storage = allocateText(length);
        if (storage == nullptr) {
            return false;
        }
        std::memcpy(storage, text, length + 1);  // the terminator too
        if (text_ != inline_) {
            delete[] text_;
        }
        text_ = storage;
        capacity_ = static_cast<unsigned>(length);
    } else {
        std::memmove(text_, text, length);
    }
    length_ = static_cast<unsigned>(length);
    text_[length_] = '\0';
    complete_ = true;
    return true;
}

kest_string operator+(const kest_string& a, const kest_string& b) {
    kest_string result(a);
    result += b;
    return result;
}

kest_string operator+(const kest_string& a, const char* b) {
    kest_string result(a);
    result += b;
    return result;
}

kest_string operator+(const char* a, const kest_string& b) {
    kest_string result(a);
    result += b;
    return result;
}

void kest_string::assign(const char* text, unsigned length) {
    char* storage = length > capacity_ ? allocateText(length) : nullptr;
    if (storage != nullptr) {
        std::memcpy(storage, text, length);
        if (text_ != inline_) {
            delete[] text_;
        }
        text_ = storage;
        capacity_ = length;
        complete_ = true;
    } else {
        // Fits, or the heap refused: then the text is cut to the room there is.
        complete_ = length <= capacity_;
        if (!complete_) {
            length = capacity_;
        }
        std::memmove(text_, text, length);
    }
    length_ = length;
    text_[length_] = '\0';
}

void kest_string::append(const char* text, unsigned length) {
    if (length == 0) {
        return;
    }
    unsigned total = checkedLength(static_cast<std::size_t>(length_) + length);
    if (total - length_ != length) {
        complete_ = false;
        length = total - length_;
    }
    if (total > capacity_) {
        // Grow geometrically so that repeated appends stay linear.
        std::size_t grown = static_cast<std::size_t>(capacity_) * 2;
        if (grown < total) {
            grown = total;
        }
        if (grown > kMaxLength) {
            grown = kMaxLength;
        }
        char* storage = allocateText(grown);
        if (storage == nullptr) {
            // The heap refused: append what fits.
            complete_ = false;
            total = capacity_;
            std::memmove(text_ + length_, text, total - length_);
            length_ = total;
            text_[length_] = '\0';
            return;
        }
        std::memcpy(storage, text_, length_);
        // `text` may point into the old storage, which is still alive here.
        std::memcpy(storage + length_, text, length);
        if (text_ != inline_) {
            delete[] text_;
        }
        text_ = storage;
        capacity_ = static_cast<unsigned>(grown);
    } else {
        std::memmove(text_ + length_, text, length);
    }
    length_ = total;
    text_[length_] = '\0';
}

bool kest_string::reserve(unsigned length) {
    if (length <= capacity_) {
        return true;
    }
    char* storage = allocateText(length);
    if (storage == nullptr) {
        return false;
    }
    std::memcpy(storage, text_, static_cast<std::size_t>(length_) + 1);
    if (text_ != inline_) {
        delete[] text_;
    }
    text_ = storage;
    capacity_ = length;
    return true;
}
