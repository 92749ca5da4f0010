#include "kest_whole_text.h"

#include <cstdio>
#include <cstring>

namespace {

bool isMarker(const char* text, std::size_t at, std::size_t length, char digit) {
    return at + 1 < length && text[at] == '%' && text[at + 1] == digit;
}

// The lowest marker digit of `text` ('1' to '9'), and how often it occurs; '\0'
// when there is none. Read left to right, a "%" then a digit, as the framework
// reads markers.
char lowestMarker(const char* text, std::size_t length, std::size_t& occurrences) {
    char lowest = '\0';
    occurrences = 0;
    for (std::size_t i = 0; i + 1 < length; ++i) {
        const char digit = text[i + 1];
        if (text[i] != '%' || digit < '1' || digit > '9') {
            continue;
        }
        if (lowest == '\0' || digit < lowest) {
            lowest = digit;
            occurrences = 0;
        }
        if (digit == lowest) {
            ++occurrences;
        }
    }
    return lowest;
}

// True when `result` is `format` with each place of its lowest marker holding the
// `valueLength` characters at `value`; with no marker, `format` unchanged.
bool substituted(const kest_string& format, const char* value, std::size_t valueLength,
                 const kest_string& result) {
    const char* text = format;
    const auto length = static_cast<std::size_t>(format.length());
    std::size_t occurrences = 0;
    const char lowest = lowestMarker(text, length, occurrences);
    if (lowest == '\0') {
        return kest_whole::holds(result, text, length);
    }
    const std::size_t expected = length - 2 * occurrences + occurrences * valueLength;
    if (static_cast<std::size_t>(result.length()) != expected) {
        return false;
    }
    const char* out = result;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (!isMarker(text, i, length, lowest)) {
            continue;
        }
        if (std::memcmp(out, text + copied, i - copied) != 0 ||
            std::memcmp(out + (i - copied), value, valueLength) != 0) {
            return false;
        }
        out += i - copied + valueLength;
        copied = i + 2;
        ++i;  // past the digit
    }
    return std::memcmp(out, text + copied, length - copied) == 0;
}

}  // namespace

namespace kest_whole {

bool holds(const kest_string& text, const char* expected, std::size_t length) {
    return static_cast<std::size_t>(text.length()) == length &&
           std::memcmp(static_cast<const char*>(text), expected, length) == 0;
}

bool store(kest_string& target, const char* value) {
    if (value == nullptr) {
        value = "";
    }
    const std::size_t length = std::strlen(value);
    // Both copies are made before `target` changes: `value` may point into it.
    const kest_string fresh(value);
    if (!holds(fresh, value, length)) {
        return false;
    }
    const kest_string previous(target);
    const bool kept = holds(previous, target, static_cast<std::size_t>(target.length()));
    target = fresh;
    if (holds(target, fresh, length)) {
        return true;
    }
    if (kept) {
        target = previous;
    }
    if (!kept || !holds(target, previous, static_cast<std::size_t>(previous.length()))) {
        target = "";
    }
    return false;
}

kest_string copy(const char* value, bool& whole) {
    if (value == nullptr) {
        value = "";
    }
    kest_string text(value);
    if (!holds(text, value, std::strlen(value))) {
        whole = false;
        return kest_string();
    }
    return text;
}

kest_string arg(const kest_string& format, const kest_string& value, bool& whole) {
    kest_string result = format.arg(value);
    whole = whole && substituted(format, value, static_cast<std::size_t>(value.length()), result);
    return result;
}

kest_string arg(const kest_string& format, int32_t value, bool& whole) {
    kest_string result = format.arg(value, 0, 0, 10);
    char digits[16];
    const int length = std::snprintf(digits, sizeof(digits), "%d", static_cast<int>(value));
    whole = whole && length > 0 &&
            substituted(format, digits, static_cast<std::size_t>(length), result);
    return result;
}

bool splitWhole(const kest_stringlist& list, const kest_string& text, char separator) {
    const char* characters = text;
    const auto length = static_cast<std::size_t>(text.length());
    std::size_t separators = 0;
    for (std::size_t i = 0; i < length; ++i) {
        separators += characters[i] == separator ? 1 : 0;
    }
    std::size_t items = 0;
    std::size_t itemLength = 0;
    for (auto item = list.begin(); item != list.end(); ++item) {
        ++items;
        itemLength += static_cast<std::size_t>((*item).length());
    }
    if (length == 0) {
        return itemLength == 0 && items <= 1;
    }
    return items == separators + 1 && itemLength == length - separators;
}

}  // namespace kest_whole
