#pragma once

// Texts made whole, with nothing but the framework's own string operations.
//
// When memory runs out the framework's strings may come out short: a copy, a
// concatenation or a marker substitution can hold less than it was asked to. No
// other sign is given, so each text the binding makes is measured where it is
// made: its length and characters against what the pieces add up to. A text that
// is not whole is never sent, stored or answered with.

#include <cstddef>
#include <cstdint>

#include "kest_string.h"
#include "kest_stringlist.h"

namespace kest_whole {

// True when `text` holds exactly the `length` characters at `expected`.
bool holds(const kest_string& text, const char* expected, std::size_t length);

// Copies all of `value` (null: empty) into `target`. When memory runs out first,
// `target` keeps its value (or, when even that cannot be put back, becomes empty)
// and the result is false.
bool store(kest_string& target, const char* value);

// A copy of `value`, whole; the empty text, and `whole` set false, when it cannot
// be made.
kest_string copy(const char* value, bool& whole);

// `format.arg(value)`, checked: `whole` is set false unless the result is
// `format` with each place of its lowest marker holding `value`.
kest_string arg(const kest_string& format, const kest_string& value, bool& whole);
kest_string arg(const kest_string& format, int32_t value, bool& whole);

// True when `list`, made by splitting `text` at `separator`, holds every item of
// it: their lengths add up to the text's.
bool splitWhole(const kest_stringlist& list, const kest_string& text, char separator);

}  // namespace kest_whole
