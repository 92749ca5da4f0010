#include "decodeKESTString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using texts = std::vector<std::string>;

texts tokensOf(const decodeKESTString& decoded) {
    texts out;
    for (int i = 0; i < decoded.tokenCount; ++i) {
        out.emplace_back(decoded.tokens[i]);
    }
    // Every entry beyond the count reads as the empty string.
    for (int i = decoded.tokenCount; i < MAX_KEST_TOKENS; ++i) {
        EXPECT_STREQ(decoded.tokens[i], "") << "entry " << i;
    }
    return out;
}

struct decode_case {
    const char* text;
    texts tokens;
};

void expectTokens(const decode_case& r) {
    const decodeKESTString decoded(r.text, '\'');
    EXPECT_EQ(tokensOf(decoded), r.tokens) << "text: [" << r.text << "]";
}

TEST(reply_tokenizer, plain_and_quoted_tokens) {
    const decode_case rows[] = {
        {"12 5", {"12", "5"}},
        {"12 5 'LD Button 1'", {"12", "5", "LD Button 1"}},
        {"a", {"a"}},
        {"a b c", {"a", "b", "c"}},
        {"a  b ", {"a", "b"}},
        {"ab'cd ef'gh", {"ab", "cd ef", "gh"}},
        {"value=3", {"value=3"}},
    };
    for (const decode_case& r : rows) {
        expectTokens(r);
    }
}

TEST(reply_tokenizer, awkward_replies) {
    const decode_case rows[] = {
        {"'abc' 'def'", {"", "abc", "def"}},  // a leading separator makes an empty token 0
        {" a", {"", "a"}},
        {"   ", {""}},
        {"a '' b", {"a", "", "b"}},    // an empty quoted run is one empty token
        {"'it''s'", {"", "it", "s"}},  // a doubled quote is no escape
        {"'unclosed run", {"", "unclosed run"}},
        {"a 'unclosed", {"a", "unclosed"}},
        {"'", {""}},
        {"''", {"", ""}},
        {"'''", {"", ""}},
        {"a'b", {"a", "b"}},
        {"x ' '", {"x", " "}},
    };
    for (const decode_case& r : rows) {
        expectTokens(r);
    }
}

TEST(reply_tokenizer, null_and_empty_give_no_tokens_and_no_buffer) {
    for (const char* text : {static_cast<const char*>(nullptr), ""}) {
        const decodeKESTString decoded(text, '\'');
        EXPECT_EQ(decoded.tokenCount, 0);
        EXPECT_EQ(decoded.buffer, nullptr);
        EXPECT_TRUE(tokensOf(decoded).empty());
        EXPECT_EQ(decoded.delimiter, '\'');
    }
}

TEST(reply_tokenizer, keeps_the_first_32_tokens) {
    std::string text;
    texts first32;
    for (int i = 1; i <= 40; ++i) {
        text += (i > 1 ? " w" : "w") + std::to_string(i);
        if (i <= 32) {
            first32.push_back("w" + std::to_string(i));
        }
    }
    const decodeKESTString decoded(text.c_str(), '\'');
    EXPECT_EQ(decoded.tokenCount, 32);
    EXPECT_EQ(tokensOf(decoded), first32);
}

TEST(reply_tokenizer, many_empty_quoted_runs_stay_in_bounds) {
    const std::string quotes(10000, '\'');
    const decodeKESTString decoded(quotes.c_str(), '\'');
    EXPECT_EQ(decoded.tokenCount, 32);
    EXPECT_EQ(tokensOf(decoded), texts(32, ""));
}

TEST(reply_tokenizer, tokens_point_into_the_own_copy) {
    char text[] = "12 5";
    const decodeKESTString decoded(text, '\'');
    text[0] = '9';
    EXPECT_STREQ(decoded.tokens[0], "12");
    EXPECT_EQ(decoded.tokens[0], decoded.buffer);
}

TEST(reply_tokenizer, decoding_again_replaces_the_previous_tokens) {
    // The old copy is freed (the leak check would see it otherwise).
    decodeKESTString decoded("a b c", '\'');
    decoded.decode("'x y'");
    EXPECT_EQ(tokensOf(decoded), (texts{"", "x y"}));
    decoded.decode(nullptr);
    EXPECT_EQ(decoded.tokenCount, 0);
    EXPECT_EQ(decoded.buffer, nullptr);
    decoded.decode("z");
    EXPECT_EQ(tokensOf(decoded), (texts{"z"}));
}

TEST(reply_tokenizer, other_delimiter) {
    const decodeKESTString decoded("say \"two words\" now", '"');
    EXPECT_EQ(tokensOf(decoded), (texts{"say", "two words", "now"}));
}

}  // namespace
