// kest_string: the framework's text value.
//
// A NUL-terminated string of single-byte characters with value semantics. Only the
// operations that panels rely on are public, so that a panel compiles unchanged
// against this class or the platform's own.
//
// Choices this implementation makes where the platform leaves them open:
//  - Construction from a null `const char*` gives the empty text.
//  - `operator==` is exact and case-sensitive.
//  - `toInt()` reads like atoi: leading blanks, an optional sign, then decimal
//    digits up to the first other character; 0 when there are no digits. A value
//    beyond the int range is clamped to INT_MIN or INT_MAX instead of overflowing.
//  - `arg()` replaces every occurrence of the lowest-numbered marker %1..%9 still
//    present; with no marker left the text comes back unchanged. Nothing is ever
//    read as a printf format and "%%" is no escape.
//  - `split()` divides at the first separator; with none, `before` is the whole
//    text and `after` is empty.
//  - The number constructor writes `value` in `base` (2 to 36, anything else is
//    taken as 10), with "-" for a negative value, right-aligned in at least `width`
//    characters padded with `fill` (a fill of 0 pads with blanks).
//
// Out of memory: no exception ever leaves the library (on 32-bit Windows each DLL
// carries its own runtime and an exception cannot pass from one DLL into another).
// When the heap refuses to grow a text, the text is cut to the room it has; `arg`
// then gives the text back unchanged. A caller that must not pass on a cut text
// measures it: a cut text is shorter than its pieces, an unfilled one still holds
// its marker. Internally the result is also marked (kest_string_state.h, for this
// library's own tests): a text that was cut or left unfilled, and every text made
// from one (copies, joins, `arg` results, `split` pieces, list items and
// `toString`), is not complete.
//
// Storage: texts up to 319 characters live inside the object, so the command
// texts, names and slot contents a panel handles cost no heap allocation. Longer
// texts go to the heap.
#pragma once

#include "kest_framework_export.h"

class KEST_STRING_API kest_string {
  public:
    kest_string();
    kest_string(const char* text);  // NOLINT(google-explicit-constructor): implicit by design
    kest_string(int value, char fill, unsigned width, int base);
    kest_string(const kest_string& other);
    kest_string& operator=(const kest_string& other);
    kest_string& operator=(const char* text);
    virtual ~kest_string();

    kest_string& operator+=(const kest_string& other);
    kest_string& operator+=(const char* text);

    // Exact equality of the two NUL-terminated texts (null compares as "").
    bool operator==(const char* text) const;
    bool operator!=(const kest_string& other) const;

    // The NUL-terminated text; valid while this string lives unchanged.
    operator const char*() const;  // NOLINT(google-explicit-constructor): implicit by design

    int length() const;
    int toInt() const;

    kest_string arg(const kest_string& value) const;
    kest_string arg(int value, char fill, unsigned width, int base) const;

    void split(char separator, kest_string& before, kest_string& after) const;

    friend KEST_STRING_API kest_string operator+(const kest_string& a, const kest_string& b);
    friend KEST_STRING_API kest_string operator+(const kest_string& a, const char* b);
    friend KEST_STRING_API kest_string operator+(const char* a, const kest_string& b);

  private:
    // The list builds its items straight from pieces of a text.
    friend class kest_stringlist;
    // The library's own tests read the completeness mark (kest_string_state.h).
    friend struct kest_string_state;

    // Inline capacity in characters, NUL excluded. The longest text the panel builds
    // from host data is a "text" write of a full 255-character revertive text:
    // "TP 'text=" (9) + 255 + "' '1' 'Current_Name'" (20) = 284. Rounded up.
    static constexpr unsigned kInlineCapacity = 319;

    // False when memory ran out while this text, or any text it was made from, was
    // built, so that it is not the whole text it stands for. Assigning a whole text
    // makes it true again.
    bool complete() const { return complete_; }
    // Replaces the text with all of `text` (null: the empty text) and returns true;
    // when there is no room for all of it, returns false and leaves the text as it was.
    bool assignWhole(const char* text);

    // Both clear `complete_` when they had to cut; `assign` sets it otherwise.
    void assign(const char* text, unsigned length);
    void append(const char* text, unsigned length);
    // False when the heap refuses; the text is then unchanged.
    bool reserve(unsigned length);
    // The body of both `arg` forms: `value` is `length` characters, not NUL-terminated;
    // `valueWhole` is false when the value itself was cut.
    kest_string substitute(const char* value, unsigned length, bool valueWhole) const;

    char* text_;
    unsigned length_;
    unsigned capacity_;
    bool complete_;
    char inline_[kInlineCapacity + 1];
};
