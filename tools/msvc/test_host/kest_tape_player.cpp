// Plays a tape that kest-host recorded (host/plugin/tape.h) into a build of the
// plug-in, as a host built with Visual C++ drives it: the panel is made through
// the export, every event goes through slot 1 of the panel's virtual table, every
// command comes back through the host object's, and the panel is deleted through
// slot 0. The host's side of the run comes from the tape (the records of the
// events, the replies to the queries); the plug-in's side must match it byte for
// byte: each command with its code, each reply handed back, each answer. The first
// difference ends the run, naming the tape's line.
//
//   kest_msvc_tape_player TAPE   (the plug-in: Tavrin.dll beside the player)
//
// Plain C++ with no standard containers: in MSVC mode the stand-in runtime has no
// C++ library beyond allocation. The same source builds natively (dlopen), where
// the default test suite plays tapes into the native plug-in.
//
// Exit status 0 when the run matched, 1 otherwise.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kest_interfaces.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#ifndef KEST_TAPE_PLAYER_PLUGIN
#define KEST_TAPE_PLAYER_PLUGIN "Tavrin.dll"
#endif

namespace {

// The host's parse of a request, laid out as the plug-in reads it.
struct request_record {
    const char* name;
    const char* parts[32];
    const char* value;
    int32_t partCount;
    bool hasValue;
    char* buffer;
};

constexpr int kMaxTokens = 40;
constexpr int kMaxOutstanding = 4096;

char* tape = nullptr;  // the whole tape, its lines cut at '\n'
char* next_line = nullptr;
long line_number = 0;
bool failed = false;
long events = 0;
long commands = 0;

void fail(const char* what, const char* detail) {
    if (failed) {
        return;  // the first difference is the one that counts
    }
    failed = true;
    char line[512];
    std::snprintf(line, sizeof line, "FAILED at tape line %ld: %s%s%.300s", line_number, what,
                  detail[0] != '\0' ? ": " : "", detail);
    std::puts(line);
}

// The next line of the tape, split into blank-separated tokens; 0 at its end.
int read_line(char* tokens[kMaxTokens]) {
    if (next_line == nullptr || *next_line == '\0') {
        return 0;
    }
    char* line = next_line;
    char* end = std::strchr(line, '\n');
    if (end != nullptr) {
        *end = '\0';
        next_line = end + 1;
    } else {
        next_line = line + std::strlen(line);
    }
    ++line_number;
    int count = 0;
    for (char* token = line; *token != '\0' && count < kMaxTokens;) {
        while (*token == ' ') {
            *token++ = '\0';
        }
        if (*token == '\0') {
            break;
        }
        tokens[count++] = token;
        while (*token != ' ' && *token != '\0') {
            ++token;
        }
    }
    return count;
}

// Whether the next line starts with `word`, without taking it.
bool next_is(const char* word) {
    const std::size_t length = std::strlen(word);
    return next_line != nullptr && std::strncmp(next_line, word, length) == 0 &&
           next_line[length] == ' ';
}

// A decimal number of the tape (the stand-in runtime has no atoi), clamped to the
// 32-bit range every number of the interface has.
int32_t number(const char* text) {
    const bool negative = *text == '-';
    long long value = 0;
    for (text += negative ? 1 : 0; *text >= '0' && *text <= '9' && value <= INT32_MAX; ++text) {
        value = value * 10 + (*text - '0');
    }
    value = negative ? -value : value;
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    return value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(value);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Decodes a hex token in place: null for "-", "" for ".". Its length goes to `length`.
char* decode(char* token, std::size_t* length = nullptr) {
    std::size_t n = 0;
    if (std::strcmp(token, "-") == 0) {
        return nullptr;
    }
    if (std::strcmp(token, ".") != 0) {
        for (const char* in = token; in[0] != '\0' && in[1] != '\0'; in += 2) {
            const int high = hex_digit(in[0]);
            const int low = hex_digit(in[1]);
            if (high < 0 || low < 0) {
                fail("not a hex text", token);
                break;
            }
            token[n++] = static_cast<char>(high * 16 + low);
        }
    }
    token[n] = '\0';
    if (length != nullptr) {
        *length = n;
    }
    return token;
}

class tape_host final : public kest_host_callback {
  public:
    void hostOperation() override { fail("the plug-in called the host's slot 0", ""); }

    // Each command must be the tape's next line.
    intptr_t command(const char* text, int32_t code) override {
        if (failed) {
            return 0;
        }
        char* tokens[kMaxTokens];
        const int count = read_line(tokens);
        if (code == KEST_COMMAND_RELEASE) {
            return released(text, tokens, count);
        }
        ++commands;
        if (count != 5 || std::strcmp(tokens[0], "command") != 0) {
            fail("the plug-in sent a command the tape does not have",
                 text == nullptr ? "(null)" : text);
            return 0;
        }
        const char* expected = decode(tokens[2]);
        if (number(tokens[1]) != code || (expected == nullptr) != (text == nullptr) ||
            (text != nullptr && std::strcmp(text, expected) != 0)) {
            char detail[700];
            std::snprintf(detail, sizeof detail,
                          "sent (code %d) \"%.300s\", the tape has \"%.300s\"",
                          static_cast<int>(code), text == nullptr ? "(null)" : text,
                          expected == nullptr ? "(null)" : expected);
            fail("another command", detail);
            return 0;
        }
        if (std::strcmp(tokens[3], "n") == 0) {
            return static_cast<intptr_t>(number(tokens[4]));
        }
        // A reply: the plug-in may read it until it hands it back.
        char* reply = decode(tokens[4]);
        if (reply_count == kMaxOutstanding) {
            fail("more replies than the player keeps", "");
            return 0;
        }
        replies[reply_count++] = reply;
        return reinterpret_cast<intptr_t>(reply);
    }

    // A new panel: replies and answers are numbered from 0 again, as on the tape.
    void new_panel() {
        reply_count = 0;
        answer_count = 0;
    }

    // Answers to parent requests the plug-in gave, by number, for their release.
    char* answers[kMaxOutstanding] = {};
    int answer_count = 0;

  private:
    intptr_t released(const char* text, char* tokens[], int count) {
        if (count != 2 || std::strcmp(tokens[0], "release") != 0) {
            fail("the plug-in handed back a reply the tape does not", "");
            return 0;
        }
        if (std::strcmp(tokens[1], "-") == 0) {
            if (text != nullptr) {
                fail("handed back a reply where the tape hands back null", "");
            }
            return 0;
        }
        const int which = number(tokens[1]);
        if (which < 0 || which >= reply_count || replies[which] != text) {
            fail("handed back another reply than the tape", tokens[1]);
        }
        return 0;
    }

    char* replies[kMaxOutstanding] = {};
    int reply_count = 0;
};

tape_host host;

// The answer the plug-in gave must be the tape's next line.
void check_answer(char* result) {
    char* tokens[kMaxTokens];
    if (failed) {
        return;
    }
    if (read_line(tokens) != 2 || std::strcmp(tokens[0], "answer") != 0) {
        fail("the plug-in sent a command the tape does not have, or none it has", "");
        return;
    }
    const char* expected = decode(tokens[1]);
    if ((expected == nullptr) != (result == nullptr) ||
        (result != nullptr && std::strcmp(result, expected) != 0)) {
        fail("another answer", result == nullptr ? "(none)" : result);
        return;
    }
    if (result != nullptr && host.answer_count < kMaxOutstanding) {
        host.answers[host.answer_count++] = result;
    }
}

void play_event(kest_client_callback* panel, char* tokens[], int count) {
    const int32_t type = number(tokens[1]);
    ++events;
    intptr_t data = 0;
    revertive_info record = {};
    request_record request = {};
    button_info button = {};
    if ((type == KEST_EVENT_REVERTIVE || type == KEST_EVENT_DATABASE_CHANGE) && count == 7) {
        record.device = number(tokens[2]);
        record.database = number(tokens[3]);
        record.index = number(tokens[4]);
        record.value = number(tokens[5]);
        std::size_t length = 0;
        const char* bytes = decode(tokens[6], &length);
        std::memcpy(record.text, bytes, length < sizeof record.text ? length : sizeof record.text);
        data = reinterpret_cast<intptr_t>(&record);
    } else if (type == KEST_EVENT_BUTTON && count >= 4) {
        button.id = decode(tokens[2]);
        if (count >= 7) {
            request.name = decode(tokens[3]);
            request.value = decode(tokens[4]);
            request.hasValue = number(tokens[5]) != 0;
            request.partCount = number(tokens[6]);
            for (int i = 0; i < request.partCount && i < 32 && 7 + i < count; ++i) {
                request.parts[i] = decode(tokens[7 + i]);
            }
            button.request = reinterpret_cast<parsed_request*>(&request);
        }
        data = reinterpret_cast<intptr_t>(&button);
    } else if (type == KEST_EVENT_PARENT_REQUEST) {
        data = reinterpret_cast<intptr_t>(decode(tokens[2]));
    } else if (type == KEST_EVENT_RELEASE) {
        const int which = number(tokens[2]);
        if (std::strcmp(tokens[2], "-") != 0 && which >= 0 && which < host.answer_count) {
            data = reinterpret_cast<intptr_t>(host.answers[which]);
            host.answers[which] = nullptr;
        }
    } else if (std::strcmp(tokens[2], "-") != 0) {
        data = static_cast<intptr_t>(number(tokens[2]));
    }
    check_answer(panel->callback(data, type));
}

// Plays the whole tape; false at the first difference.
bool play(load_kest_client_script_fn load) {
    kest_client_callback* panel = nullptr;
    char* tokens[kMaxTokens];
    int count;
    while (!failed && (count = read_line(tokens)) != 0) {
        if (std::strcmp(tokens[0], "panel") == 0 && count == 2) {
            const char* dir = decode(tokens[1]);
            host.new_panel();
            panel = load(&host, dir);
            if (read_line(tokens) != 2 || std::strcmp(tokens[0], "made") != 0) {
                fail("the plug-in sent a command the tape does not have", "");
            } else if ((panel != nullptr) != (std::strcmp(tokens[1], "1") == 0)) {
                fail("the panel was made or not made against the tape", "");
            }
        } else if (std::strcmp(tokens[0], "event") == 0 && count >= 3 && panel != nullptr) {
            play_event(panel, tokens, count);
        } else if (std::strcmp(tokens[0], "delete") == 0 && panel != nullptr) {
            delete panel;  // slot 0: the scalar deleting destructor under MSVC
            panel = nullptr;
        } else {
            fail("the tape has a command or line the plug-in did not send", tokens[0]);
        }
        if (!failed && (next_is("command") || next_is("release"))) {
            fail("the plug-in did not send the tape's next command", "");
        }
    }
    if (panel != nullptr && !failed) {
        fail("the tape ends with the panel alive", "");
    }
    // A tape that stopped early still ends with the panel deleted, as a host would.
    delete panel;
    return !failed;
}

#if defined(_WIN32)
// The command line after the program's own name.
const char* argument() {
    const char* line = GetCommandLineA();
    if (*line == '"') {
        line = std::strchr(line + 1, '"');
        line = line != nullptr ? line + 1 : "";
    } else {
        while (*line != '\0' && *line != ' ') {
            ++line;
        }
    }
    while (*line == ' ') {
        ++line;
    }
    return line;
}

char* read_file(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const DWORD size = GetFileSize(file, nullptr);
    char* text = size != INVALID_FILE_SIZE ? static_cast<char*>(std::malloc(size + 1)) : nullptr;
    DWORD got = 0;
    if (text == nullptr || !ReadFile(file, text, size, &got, nullptr) || got != size) {
        std::free(text);
        text = nullptr;
    } else {
        text[size] = '\0';
    }
    CloseHandle(file);
    return text;
}
#else
char* read_file(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    char* text =
        size >= 0 ? static_cast<char*>(std::malloc(static_cast<std::size_t>(size) + 1)) : nullptr;
    if (text != nullptr && std::fread(text, 1, static_cast<std::size_t>(size), file) !=
                               static_cast<std::size_t>(size)) {
        std::free(text);
        text = nullptr;
    } else if (text != nullptr) {
        text[size] = '\0';
    }
    std::fclose(file);
    return text;
}
#endif

int run(const char* path) {
    tape = read_file(path);
    if (tape == nullptr) {
        std::puts("FAILED: cannot read the tape");
        std::puts(path);
        return 1;
    }
    next_line = tape;
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(KEST_TAPE_PLAYER_PLUGIN);
    auto load = module == nullptr
                    ? nullptr
                    : reinterpret_cast<load_kest_client_script_fn>(reinterpret_cast<void*>(
                          GetProcAddress(module, "load_kest_client_script")));
#else
    void* module = dlopen(KEST_TAPE_PLAYER_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    auto load = module == nullptr ? nullptr
                                  : reinterpret_cast<load_kest_client_script_fn>(
                                        dlsym(module, "load_kest_client_script"));
#endif
    if (load == nullptr) {
        std::puts("FAILED: cannot load " KEST_TAPE_PLAYER_PLUGIN " or find its export");
        return 1;
    }
    const bool same = play(load);
    char summary[600];
    std::snprintf(summary, sizeof summary, "%.400s: %ld events, %ld commands, %s", path, events,
                  commands, same ? "the same commands as the tape" : "FAILED");
    std::puts(summary);
    return same ? 0 : 1;
}

}  // namespace

#if defined(_WIN32)
int main() {
    return run(argument());
}
#else
int main(int argc, char** argv) {
    if (argc != 2) {
        std::puts("usage: kest_tape_player TAPE");
        return 2;
    }
    return run(argv[1]);
}
#endif
