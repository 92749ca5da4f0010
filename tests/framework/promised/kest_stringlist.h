// The framework's string list as a panel may rely on it, and nothing more.
#pragma once

#include "kest_string.h"

class kest_stringlistIterator {
  public:
    kest_string& operator*() const;
    kest_stringlistIterator& operator++();
    bool operator!=(const kest_stringlistIterator& other) const;

  private:
    void* position_;
};

class kest_stringlist {
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
    void* data_;
};
