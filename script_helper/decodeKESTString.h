// decodeKESTString: the quote-aware tokenizer of host reply texts.
//
// Grammar of a reply, as the scan reads it (d is `delimiter`, SP a space):
//
//   reply   = [ token ] *( separator [ token ] )
//   quoted  = d *( any character but d ) ( d / end of text )  ; SP belongs to it
//   plain   = 1*( any character but SP and d )
//   token   = plain / quoted                   ; the quotes are never part of it
//
// Separators are SP outside a quoted run and every d. Token 0 begins at the first
// character whatever it is, so a text that begins with a separator has an empty
// token 0. Runs of blanks make no empty tokens; an empty quoted run is one empty
// token; a doubled d is no escape. An unclosed quoted run runs to the end of the
// text. At most MAX_KEST_TOKENS tokens are recorded; the rest of the text is ignored.
//
// Ownership: `buffer` is the object's own copy of the text (one allocation of
// length + 1), split in place; every `tokens` entry points into it or at one
// shared, read-only empty string, so all 32 entries can be read at any time. The
// object is never copied; its tokens live as long as it does.
#pragma once

#include <cstdint>

constexpr int MAX_KEST_TOKENS = 32;

class decodeKESTString {
  public:
    decodeKESTString(const char* text, char delimiter);
    virtual ~decodeKESTString();

    decodeKESTString(const decodeKESTString&) = delete;
    decodeKESTString& operator=(const decodeKESTString&) = delete;

    void decode(const char* text);

    char* tokens[MAX_KEST_TOKENS];
    int32_t tokenCount;
    char* buffer;
    char delimiter;
};
