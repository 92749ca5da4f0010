#include "decodeKESTString.h"

#include "text_copy.h"

namespace {

// The one empty string that every unfilled token points at. It is never written:
// the scan only writes inside `buffer`.
const char kNoToken[] = "";

char* noToken() {
    return const_cast<char*>(kNoToken);
}

}  // namespace

decodeKESTString::decodeKESTString(const char* text, char delimiter)
    : tokenCount(0), buffer(nullptr), delimiter(delimiter) {
    decode(text);
}

decodeKESTString::~decodeKESTString() {
    delete[] buffer;
}

// The scan walks the copy once. Separators (SP outside a quoted run, and every
// delimiter) are overwritten with NUL; a token begins at the first character, at a
// character that follows a NUL, and at the closing delimiter of an empty quoted run
// (which is then a NUL itself, so that token is empty). The 33rd beginning stops
// the scan.
void decodeKESTString::decode(const char* text) {
    // Running again drops the previous copy first.
    delete[] buffer;
    buffer = nullptr;
    tokenCount = 0;
    for (char*& token : tokens) {
        token = noToken();
    }
    std::size_t length = 0;
    buffer = copyText(text, length);
    if (buffer == nullptr) {
        return;
    }

    int current = 0;
    tokens[0] = buffer;
    bool quoted = false;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = buffer[i];
        bool begins = false;
        if (!quoted) {
            if (c == delimiter) {
                buffer[i] = '\0';
                quoted = true;
            } else if (c == ' ') {
                buffer[i] = '\0';
            } else if (i != 0 && buffer[i - 1] == '\0') {
                begins = true;
            }
        } else if (c == delimiter) {
            buffer[i] = '\0';
            quoted = false;
            begins = i != 0 && buffer[i - 1] == '\0';
        } else {
            begins = buffer[i - 1] == '\0';
        }
        if (begins) {
            if (current + 1 >= MAX_KEST_TOKENS) {
                break;
            }
            ++current;
            tokens[current] = buffer + i;
        }
    }
    tokenCount = current + 1;
}
