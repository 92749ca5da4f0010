#include "kest_stringlist.h"

#include <climits>
#include <cstddef>
#include <new>

// Storage: `items_` points at `inline_` (room for kInlineItems strings) until the
// list outgrows it, then at a heap block of `capacity_` strings. Items are built in
// place; only the first `count_` slots hold live strings.

kest_string& kest_stringlistIterator::operator*() const {
    return *item_;
}

kest_stringlistIterator& kest_stringlistIterator::operator++() {
    ++item_;
    return *this;
}

bool kest_stringlistIterator::operator!=(const kest_stringlistIterator& other) const {
    return item_ != other.item_;
}

kest_stringlistIterator::kest_stringlistIterator(kest_string* item) : item_(item) {}

kest_stringlist::kest_stringlist()
    : items_(reinterpret_cast<kest_string*>(inline_)),
      count_(0),
      capacity_(kInlineItems),
      complete_(true) {}

kest_stringlist::kest_stringlist(const kest_string& text, char separator) : kest_stringlist() {
    complete_ = text.complete_;
    const unsigned length = text.length_;
    const char* characters = text.text_;
    unsigned start = 0;
    for (unsigned i = 0; length != 0 && i <= length; ++i) {
        if (i == length || characters[i] == separator) {
            if (count_ == capacity_ && !grow()) {
                complete_ = false;
                return;  // no room for more items: the list keeps those it has
            }
            kest_string* item = new (items_ + count_) kest_string();
            ++count_;
            item->assign(characters + start, i - start);
            start = i + 1;
        }
    }
}

kest_stringlist::kest_stringlist(const kest_stringlist& other) : kest_stringlist() {
    while (capacity_ < other.count_ && grow()) {
    }
    const int count = other.count_ < capacity_ ? other.count_ : capacity_;
    complete_ = other.complete_ && count == other.count_;
    for (int i = 0; i < count; ++i) {
        new (items_ + i) kest_string(other.items_[i]);
        ++count_;
    }
}

kest_stringlist::~kest_stringlist() {
    for (int i = 0; i < count_; ++i) {
        items_[i].~kest_string();
    }
    if (items_ != reinterpret_cast<kest_string*>(inline_)) {
        ::operator delete(items_);
    }
}

kest_stringlist& kest_stringlist::operator<<(const kest_string& item) {
    if (count_ == capacity_) {
        // `item` may be one of this list's own items, which growing moves.
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): grow() moves `item`
        const kest_string copy(item);
        if (!grow()) {
            complete_ = false;
            return *this;  // no room: the item is not appended
        }
        new (items_ + count_) kest_string(copy);
    } else {
        new (items_ + count_) kest_string(item);
    }
    ++count_;
    return *this;
}

kest_string kest_stringlist::toString(char separator) const {
    kest_string result;
    bool whole = complete_;
    for (int i = 0; i < count_; ++i) {
        if (i != 0 && separator != '\0') {
            result.append(&separator, 1);
        }
        result.append(items_[i].text_, items_[i].length_);
        whole = whole && items_[i].complete_;
    }
    result.complete_ = result.complete_ && whole;
    return result;
}

bool kest_stringlist::complete() const {
    if (!complete_) {
        return false;
    }
    for (int i = 0; i < count_; ++i) {
        if (!items_[i].complete_) {
            return false;
        }
    }
    return true;
}

kest_stringlistIterator kest_stringlist::begin() const {
    return kest_stringlistIterator(items_);
}

kest_stringlistIterator kest_stringlist::end() const {
    return kest_stringlistIterator(items_ + count_);
}

bool kest_stringlist::grow() {
    if (capacity_ > INT_MAX / 2) {
        return false;
    }
    const int capacity = capacity_ * 2;
    // Never throws: an exception could not cross into the caller's DLL on Windows.
    kest_string* storage = static_cast<kest_string*>(
        ::operator new(sizeof(kest_string) * static_cast<std::size_t>(capacity), std::nothrow));
    if (storage == nullptr) {
        return false;
    }
    for (int i = 0; i < count_; ++i) {
        new (storage + i) kest_string(items_[i]);
        items_[i].~kest_string();
    }
    if (items_ != reinterpret_cast<kest_string*>(inline_)) {
        ::operator delete(items_);
    }
    items_ = storage;
    capacity_ = capacity;
    return true;
}
