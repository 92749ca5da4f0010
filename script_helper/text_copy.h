// The binding's own copy of a text it splits in place (the request parser and the
// reply tokenizer). Internal: not installed.
#pragma once

#include <cstddef>
#include <cstring>

// A NUL-terminated copy of `text` in one new[] allocation, with its length in
// `length`; null, and a length of 0, for a null or empty text. The caller owns it
// and frees it with delete[].
inline char* copyText(const char* text, std::size_t& length) {
    length = text == nullptr ? 0 : std::strlen(text);
    if (length == 0) {
        return nullptr;
    }
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}
