// parsed_request: a request text of the form name.part.part=value, split in place.
//
// Grammar of the text, as the scan reads it (first "=" wins, parts stop at 32):
//
//   request = name *( "." part ) [ "=" value ]
//   name    = *( any character but "." and "=" )
//   part    = *( any character but "." and "=" )     ; the 32nd part runs to the end
//   value   = *( any character )                     ; "." and "=" included
//
// The record is shared with the host: the host fills one for every button event
// (button_info::request), and its byte layout is the host's. On 32-bit targets:
// name 0, parts 4, value 132, partCount 136, hasValue 140, buffer 144, size 148.
//
// Ownership: `buffer` is the record's own copy of the text, allocated once by the
// parse (length + 1 bytes) and freed by the destructor. `name`, `parts` and `value`
// point into it or at the one shared empty string, and live as long as the record.
// A record is never copied or assigned.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int MAX_REQUEST_PARTS = 32;

struct parsed_request {
    // The one static, zero-length string every unfilled pointer points at.
    static constexpr char emptyText[1] = "";

    explicit parsed_request(const char* text);
    ~parsed_request();

    parsed_request(const parsed_request&) = delete;
    parsed_request& operator=(const parsed_request&) = delete;

    const char* name;
    const char* parts[MAX_REQUEST_PARTS];
    const char* value;
    int32_t partCount;
    bool hasValue;
    char* buffer;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(void*) == 4, "32-bit layout check");
static_assert(offsetof(parsed_request, name) == 0, "host layout: name at 0");
static_assert(offsetof(parsed_request, parts) == 4, "host layout: parts at 4");
static_assert(offsetof(parsed_request, value) == 132, "host layout: value at 132");
static_assert(offsetof(parsed_request, partCount) == 136, "host layout: partCount at 136");
static_assert(offsetof(parsed_request, hasValue) == 140, "host layout: hasValue at 140");
static_assert(offsetof(parsed_request, buffer) == 144, "host layout: buffer at 144");
static_assert(sizeof(parsed_request) == 148, "host layout: 148 bytes");
#endif
