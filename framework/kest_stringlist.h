// kest_stringlist and kest_stringlistIterator: an ordered list of kest_string items.
//
// Choices this implementation makes where the platform leaves them open:
//  - A list made from an empty text is empty.
//  - Empty items between separators are kept: "a,,b" gives "a", "", "b", and a
//    trailing separator gives a trailing empty item. Blanks are not trimmed.
//  - `toString` of an empty list is the empty text.
//
// Out of memory: nothing is thrown; a list that cannot grow keeps the items it has
// and drops the one that did not fit. Such a list, one holding a cut item, and one
// made from a cut text are not complete (kest_string_state.h), nor is their
// `toString`.
//
// Storage: lists of up to two items live inside the object (no heap allocation);
// longer lists move to the heap.
#pragma once

#include "kest_framework_export.h"
#include "kest_string.h"

class kest_stringlist;

class KEST_STRING_API kest_stringlistIterator {
  public:
    kest_string& operator*() const;
    kest_stringlistIterator& operator++();
    bool operator!=(const kest_stringlistIterator& other) const;

  private:
    friend class kest_stringlist;
    kest_stringlistIterator(kest_string* item);
    kest_string* item_;
};

class KEST_STRING_API kest_stringlist {
  public:
    kest_stringlist();
    kest_stringlist(const kest_string& text, char separator);
    kest_stringlist(const kest_stringlist& other);
    virtual ~kest_stringlist();

    kest_stringlist& operator<<(const kest_string& item);
    kest_string toString(char separator) const;

    kest_stringlistIterator begin() const;
    kest_stringlistIterator end() const;

  private:
    // The library's own tests read the completeness mark (kest_string_state.h).
    friend struct kest_string_state;
    static constexpr int kInlineItems = 2;

    // False when an item was dropped or cut for want of memory, or when the list
    // was made from a text that was not complete.
    bool complete() const;

    kest_stringlist& operator=(const kest_stringlist&) = delete;
    // False when the heap refuses; the list is then unchanged.
    bool grow();

    kest_string* items_;
    int count_;
    int capacity_;
    bool complete_;  // no item dropped; items carry their own flag
    alignas(kest_string) unsigned char inline_[kInlineItems * sizeof(kest_string)];
};
