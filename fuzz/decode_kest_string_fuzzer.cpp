// Fuzzes the reply tokenizer with any delimiter: the first input byte is the
// delimiter, the rest (up to its first NUL) the text; a single byte decodes null.
//
// Besides memory errors it checks what the readers rely on:
//   - all 32 entries can be read; those from tokenCount on are the shared empty
//     string, the others point into the object's own copy, in text order;
//   - no token holds the delimiter;
//   - when fewer than 32 tokens were recorded the scan saw the whole text, so the
//     tokens hold exactly its characters that are not separators: every delimiter,
//     and every space outside a quoted run.
#include "decodeKESTString.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "decodeKESTString: %s (text of %zu bytes)\n", what, text.size());
    std::abort();
}

// The characters a complete scan keeps, counted without splitting anything.
std::size_t keptCharacters(const std::string& text, char delimiter) {
    std::size_t kept = 0;
    bool quoted = false;
    for (const char c : text) {
        if (c == delimiter) {
            quoted = !quoted;
        } else if (quoted || c != ' ') {
            ++kept;
        }
    }
    return kept;
}

void check(const decodeKESTString& decoded, const std::string& text, char delimiter) {
    if (decoded.tokenCount < 0 || decoded.tokenCount > MAX_KEST_TOKENS) {
        fail("token count out of range", text);
    }
    if (text.empty()) {
        if (decoded.tokenCount != 0 || decoded.buffer != nullptr) {
            fail("an empty text gave tokens", text);
        }
    } else if (decoded.tokenCount == 0 || decoded.tokens[0] != decoded.buffer) {
        fail("token 0 does not start the copy", text);
    }
    const char* shared = nullptr;
    const char* previous = nullptr;
    std::size_t kept = 0;
    for (int i = 0; i < MAX_KEST_TOKENS; ++i) {
        const char* token = decoded.tokens[i];
        const std::size_t length = std::strlen(token);
        if (i >= decoded.tokenCount) {
            if (length != 0 || (shared != nullptr && token != shared)) {
                fail("an unfilled entry is not the one shared empty string", text);
            }
            if (decoded.buffer != nullptr && token >= decoded.buffer &&
                token <= decoded.buffer + text.size()) {
                fail("an unfilled entry points into the copy", text);
            }
            shared = token;
            continue;
        }
        if (token < decoded.buffer || token + length > decoded.buffer + text.size()) {
            fail("a token reaches outside the copy", text);
        }
        if (previous != nullptr && token <= previous) {
            fail("tokens out of text order", text);
        }
        if (std::string_view(token, length).find(delimiter) != std::string_view::npos) {
            fail("a token holds the delimiter", text);
        }
        previous = token;
        kept += length;
    }
    if (decoded.tokenCount < MAX_KEST_TOKENS && kept != keptCharacters(text, delimiter)) {
        fail("the tokens lost or gained characters", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const char delimiter = static_cast<char>(data[0]);
    if (size == 1) {
        const decodeKESTString decoded(nullptr, delimiter);
        check(decoded, std::string(), delimiter);
        return 0;
    }
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text.resize(std::strlen(text.c_str()));
    const decodeKESTString decoded(text.c_str(), delimiter);
    check(decoded, text, delimiter);
    return 0;
}
