// fuzz_host: a strict kest_host_callback for the fuzzers.
//
// It answers the queries (SD, RN, XI, TG) with replies the fuzzer picks, null
// included, and enforces the reply rule: every reply handed out comes back with
// code 5 exactly once, nothing comes back that was not handed out, and nothing is
// read after it came back. The replies are kept by the shared reply ledger
// (reply_ledger.h): released ones are overwritten with 0xDD and freed at once, so a
// late read shows under ASan as a heap-use-after-free and everywhere else as
// garbage. It also checks that every command text is one of the
// known codes and that nothing is sent after the session end ("AS").
//
// Set KEST_FUZZ_TRACE in the environment to see every command on stderr.
//
// A violation calls abort() with a message on stderr, which libFuzzer and the
// corpus replay both report as a failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "kest_command_grammar.h"
#include "kest_interfaces.h"
#include "reply_ledger.h"

namespace kest_fuzz {

// The devices the ordinary ("canned") lookup replies resolve to, as in the demo.
constexpr int32_t kRouter = 12;
constexpr int32_t kTally = 30;
constexpr int32_t kGpi = 40;
constexpr int32_t kGpiFirst = 17;

[[noreturn]] inline void fail(const char* what, const char* detail) {
    std::fprintf(stderr, "fuzz_host: %s%s%s\n", what, detail != nullptr ? ": " : "",
                 detail != nullptr ? detail : "");
    std::fflush(stderr);
    std::abort();
}

class fuzz_host : public kest_host_callback {
  public:
    explicit fuzz_host(fuzz_input& input) : input_(input) {}
    fuzz_host(const fuzz_host&) = delete;
    fuzz_host& operator=(const fuzz_host&) = delete;

    // The replies that are still out are a plug-in fault, not the host's leak:
    // finish() reports them. The ledger frees what a failed run left.
    ~fuzz_host() = default;

    // Called after the plug-in object is gone: every reply must have come back,
    // and the session must have been ended exactly once.
    void finish() const {
        if (ledger_.outstanding() != 0) {
            fail("a reply was never handed back", nullptr);
        }
        if (sessionEnds_ != 1) {
            fail("the session end \"AS\" was not sent exactly once", nullptr);
        }
    }

    int commands() const { return commands_; }

    void hostOperation() override { fail("the plug-in called the host's own operation", nullptr); }

    intptr_t command(const char* text, int32_t code) override {
        if (code == KEST_COMMAND_RELEASE) {
            release(text);
            return 0;
        }
        if (code != KEST_COMMAND_EXECUTE) {
            fail("unknown command code", nullptr);
        }
        if (text == nullptr) {
            fail("null command text", nullptr);
        }
        if (sessionEnds_ != 0) {
            fail("command after the session end", text);
        }
        ++commands_;
        if (tracing()) {
            std::fprintf(stderr, "> %s\n", text);
        }
        const std::size_t length = std::strlen(text);
        const kest_command::form* form = find(text, length);
        if (form == nullptr) {
            fail("unknown command", text);
        }
        // The codes compared as two characters, not through strcmp: every strcmp here
        // went through ASan's interceptor and libFuzzer's compare hook.
        if (is(form, 'A', 'S')) {
            ++sessionEnds_;
            return 0;
        }
        if (is(form, 'P', 'S')) {
            return input_.choose(4) == 3 ? 0 : 1;
        }
        if (!form->query) {
            return 0;
        }
        return hand(reply(form->code, text));
    }

  private:
    // KEST_FUZZ_TRACE=1 prints every command: handy when writing seeds.
    static bool tracing() {
        static const bool on = std::getenv("KEST_FUZZ_TRACE") != nullptr;
        return on;
    }

    static bool is(const kest_command::form* form, char first, char second) {
        return form->code[0] == first && form->code[1] == second;
    }

    // The command form whose code the text starts with, followed by a blank or the
    // end of the text: looked up by its two letters in a table made once, instead of
    // a scan of the forms for every command.
    static const kest_command::form* find(const char* text, std::size_t length) {
        if (length < 2 || (length > 2 && text[2] != ' ')) {
            return nullptr;
        }
        static const auto* const table = [] {
            static const kest_command::form* forms[26 * 26] = {};
            for (const kest_command::form& form : kest_command::kForms) {
                forms[slot(form.code[0], form.code[1])] = &form;
            }
            return forms;
        }();
        const int at = slot(text[0], text[1]);
        return at < 0 ? nullptr : table[at];
    }

    // Where two capital letters sit in find()'s table; -1 for anything else.
    static int slot(char first, char second) {
        if (first < 'A' || first > 'Z' || second < 'A' || second > 'Z') {
            return -1;
        }
        return (first - 'A') * 26 + (second - 'A');
    }

    // The reply text for a query, or no reply (the bool is false).
    struct answer {
        bool present;
        std::string text;
    };

    answer reply(const char* code, const char* text) {
        switch (input_.choose(4)) {
            case 0:
                return {true, canned(code, text)};
            case 1:
                return {false, std::string()};
            case 2:
                return {true, input_.text(64)};
            default:
                return {true, numbers()};
        }
    }

    // What a healthy host would say: the demo's devices, names, alarm controls
    // and values.
    std::string canned(const char* code, const char* text) {
        if (std::strcmp(code, "SD") == 0) {
            if (std::strstr(text, "Router") != nullptr) {
                return std::to_string(kRouter) + " 0";
            }
            if (std::strstr(text, "Tally") != nullptr) {
                return std::to_string(kTally) + " 0";
            }
            return std::to_string(kGpi) + " " + std::to_string(kGpiFirst);
        }
        if (std::strcmp(code, "RN") == 0) {
            return "Cam " + std::to_string(input_.choose(10));
        }
        if (std::strcmp(code, "XI") == 0) {
            return "alm_1,alm_2";
        }
        // TG 'panel' 'control' 'value': the control's value, mostly a small number.
        return "value=" + std::to_string(static_cast<int>(input_.choose(9)) - 1);
    }

    // Two numbers from the input, quoted or not: odd device replies.
    std::string numbers() {
        const int32_t first = input_.int32();
        const int32_t second = input_.int32();
        return std::to_string(first) + (input_.choose(2) == 0 ? " " : " '") +
               std::to_string(second);
    }

    intptr_t hand(const answer& reply) {
        if (!reply.present) {
            return 0;
        }
        return reinterpret_cast<intptr_t>(ledger_.hand_out(reply.text, std::string()));
    }

    void release(const char* text) {
        // A null reply may be handed back; anything else must be a live reply.
        const kest_ledger::released kind = ledger_.release(text).kind;
        if (kind == kest_ledger::released::again || kind == kest_ledger::released::unknown) {
            fail("a reply was handed back twice, or a pointer that was never a reply", nullptr);
        }
    }

    fuzz_input& input_;
    kest_ledger::reply_ledger ledger_{{0xDD, 0, false}};
    int commands_ = 0;
    int sessionEnds_ = 0;
};

}  // namespace kest_fuzz
