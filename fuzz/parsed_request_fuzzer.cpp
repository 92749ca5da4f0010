// Fuzzes the request parser on any text: the input up to its first NUL, as the
// dispatcher would receive it, or null for an empty input.
//
// Besides memory errors it checks what the readers rely on:
//   - name, the parts and value put back together with the separators they
//     replaced give the text again, whether the scan stopped at "=", at the 32nd
//     part or at the end;
//   - the name and every part but a 32nd hold no separator;
//   - every unfilled pointer is the shared empty string, every filled one points
//     into the record's own copy, and hasValue says whether value was filled.
#include "parsed_request.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "parsed_request: %s (text of %zu bytes)\n", what, text.size());
    std::abort();
}

bool inside(const parsed_request& request, const char* pointer, std::size_t length) {
    return request.buffer != nullptr && pointer >= request.buffer &&
           pointer <= request.buffer + length;
}

void check(const parsed_request& request, const std::string& text) {
    if (text.empty()) {
        if (request.buffer != nullptr || request.name != parsed_request::emptyText ||
            request.partCount != 0 || request.hasValue) {
            fail("an empty text did not give an empty record", text);
        }
        return;
    }
    if (request.partCount < 0 || request.partCount > MAX_REQUEST_PARTS) {
        fail("part count out of range", text);
    }
    if (request.name != request.buffer) {
        fail("the name does not start the copy", text);
    }
    std::string rebuilt = request.name;
    if (rebuilt.find_first_of(".=") != std::string::npos) {
        fail("a separator was left in the name", text);
    }
    for (int i = 0; i < MAX_REQUEST_PARTS; ++i) {
        const char* part = request.parts[i];
        if (i >= request.partCount) {
            if (part != parsed_request::emptyText) {
                fail("an unfilled part is not the shared empty string", text);
            }
            continue;
        }
        if (!inside(request, part, text.size())) {
            fail("a part points outside the copy", text);
        }
        const std::string piece = part;
        const bool last = i == MAX_REQUEST_PARTS - 1;
        if (!last && piece.find_first_of(".=") != std::string::npos) {
            fail("a separator was left in a part", text);
        }
        rebuilt += "." + piece;
    }
    if (request.hasValue) {
        if (!inside(request, request.value, text.size())) {
            fail("the value points outside the copy", text);
        }
        rebuilt += "=";
        rebuilt += request.value;
    } else if (request.value != parsed_request::emptyText) {
        fail("a value without \"=\"", text);
    }
    if (rebuilt != text) {
        fail("the pieces do not give the text back", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        const parsed_request request(nullptr);
        check(request, std::string());
        return 0;
    }
    // A NUL-terminated copy, so the parser reads nothing the fuzzer did not give.
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));
    const parsed_request request(text.c_str());
    check(request, text);
    return 0;
}
