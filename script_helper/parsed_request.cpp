#include "parsed_request.h"

#include "text_copy.h"

// The scan, in one pass over the record's own copy of the text:
//   "." starts a part (the first separator also ends the name), "=" starts the
//   value and ends the scan, and once MAX_REQUEST_PARTS parts have begun the scan
//   stops, so the last part keeps the rest of the text unsplit.
// Whether the name is still unset is told by comparing the pointer with
// `emptyText`, never by looking at characters.
parsed_request::parsed_request(const char* text)
    : name(emptyText), value(emptyText), partCount(0), hasValue(false), buffer(nullptr) {
    for (const char*& part : parts) {
        part = emptyText;
    }
    std::size_t length = 0;
    buffer = copyText(text, length);
    if (buffer == nullptr) {
        return;
    }

    for (std::size_t i = 0; i < length; ++i) {
        if (partCount >= MAX_REQUEST_PARTS) {
            break;
        }
        const char c = buffer[i];
        if (c == '.') {
            if (name == emptyText) {
                name = buffer;
            }
            buffer[i] = '\0';
            parts[partCount] = buffer + i + 1;
            ++partCount;
        } else if (c == '=') {
            if (name == emptyText) {
                name = buffer;
            }
            buffer[i] = '\0';
            hasValue = true;
            value = buffer + i + 1;
            break;
        }
    }
    if (name == emptyText) {
        name = buffer;
    }
}

parsed_request::~parsed_request() {
    delete[] buffer;
}
