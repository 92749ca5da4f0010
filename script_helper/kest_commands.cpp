// The fire-and-forget commands. Each text is built one of three ways, fixed per
// command (kest_command_grammar.h): concatenation, printf-style formatting into a
// stack buffer, or marker substitution through kest_string::arg.
//
// A command goes out whole or not at all: when memory runs out, a text that came
// out shorter than its pieces (kest_whole_text.h) is dropped, never sent.
#include <cstdio>
#include <cstring>

#include "kest_command_grammar.h"
#include "kest_script_helper.h"
#include "kest_whole_text.h"

namespace {

// Every printf-style text is formatted here. The buffer holds the longest text
// three 32-bit numbers and 'ADD' can make, so no command is ever cut.
constexpr std::size_t kBufferSize = kest_command::kPrintfBufferSize;
static_assert(sizeof("RR -2147483648 -2147483648 -2147483648 'ADD'") <= kBufferSize,
              "the widest register command must fit the printf buffer");

// Concatenated texts are joined on the stack when they fit this room (every
// command of a panel with ordinary names does); longer ones are joined in a
// kest_string, on the heap. Either way the host receives the same characters.
constexpr std::size_t kJoinBufferSize = 320;

// One piece of a concatenated text: NUL-terminated, its length known.
struct piece {
    const char* text;
    std::size_t length;
};

template <std::size_t N>
constexpr piece fixed(const char (&literal)[N]) {
    return piece{literal, N - 1};
}

piece of(const kest_string& value) {
    return piece{value, static_cast<std::size_t>(value.length())};
}

// Joins `count` pieces in order and hands the text to `send`. False, with nothing
// sent, when the joined text could not be made whole.
template <typename Send>
bool sendJoined(const piece* pieces, std::size_t count, Send send) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        total += pieces[i].length;
    }
    if (total < kJoinBufferSize) {
        char text[kJoinBufferSize];
        char* out = text;
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(out, pieces[i].text, pieces[i].length);
            out += pieces[i].length;
        }
        *out = '\0';
        send(text);
        return true;
    }
    kest_string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += pieces[i].text;
    }
    // Whole when every piece stands where it belongs.
    if (static_cast<std::size_t>(text.length()) != total) {
        return false;
    }
    const char* at = text;
    for (std::size_t i = 0; i < count; ++i) {
        if (std::memcmp(at, pieces[i].text, pieces[i].length) != 0) {
            return false;
        }
        at += pieces[i].length;
    }
    send(text);
    return true;
}

}  // namespace

bool kest_script_helper::panelShow(const kest_string& panel, const kest_string& file,
                                   const kest_string& extra) {
    if (host == nullptr) {
        return true;
    }
    if (!pathWhole) {
        return false;  // the layout's folder could not be kept: the layout is refused
    }
    // PS 'panel' '[path/]file'[ 'extra']
    piece pieces[10];
    std::size_t count = 0;
    pieces[count++] = fixed("PS '");
    pieces[count++] = of(panel);
    pieces[count++] = fixed("' '");
    if (path.length() != 0) {
        pieces[count++] = of(path);
        pieces[count++] = fixed("/");
    }
    pieces[count++] = of(file);
    pieces[count++] = fixed("'");
    if (extra.length() != 0) {
        pieces[count++] = fixed(" '");
        pieces[count++] = of(extra);
        pieces[count++] = fixed("'");
    }
    intptr_t result = 0;
    sendJoined(pieces, count, [this, &result](const char* text) { result = send(text); });
    return result != 0;
}

void kest_script_helper::textPut(const kest_string& property, const kest_string& value,
                                 const kest_string& panel, const kest_string& control) {
    const piece pieces[] = {fixed("TP '"), of(property), fixed("="),  of(value), fixed("' '"),
                            of(panel),     fixed("' '"), of(control), fixed("'")};
    sendJoined(pieces, sizeof(pieces) / sizeof(pieces[0]),
               [this](const char* text) { send(text); });
}

void kest_script_helper::controlHide(const kest_string& panel, const kest_string& control) {
    const piece pieces[] = {fixed("CH '"), of(panel), fixed("' '"), of(control), fixed("'")};
    sendJoined(pieces, sizeof(pieces) / sizeof(pieces[0]),
               [this](const char* text) { send(text); });
}

void kest_script_helper::routerCrosspoint(int32_t device, int32_t source, int32_t destination,
                                          const kest_string& text, bool flag) {
    // The template is made once; each call fills a copy of it.
    static const kest_string kTemplate(kest_command::kRouterCrosspoint);
    bool whole = true;
    const kest_string command = kest_whole::arg(
        kest_whole::arg(kest_whole::arg(kest_whole::arg(kest_whole::arg(kTemplate, device, whole),
                                                        source, whole),
                                        destination, whole),
                        text, whole),
        flag ? 1 : 0, whole);
    if (whole) {
        send(command);
    }
}

void kest_script_helper::sendFormatted(const char* format, int32_t first, int32_t second,
                                       int32_t third) {
    // Numbers beyond the format's %d fields are ignored, as printf ignores surplus
    // arguments, so "RU %d" and "ET %d %d" go through here as well.
    char text[kBufferSize];
    const int written = std::snprintf(text, sizeof(text), format, first, second, third);
    // Cannot happen with the templates and 32-bit numbers; refused rather than cut.
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof(text)) {
        return;
    }
    send(text);
}

void kest_script_helper::routerRegister(int32_t device, int32_t first, int32_t last, bool add) {
    sendFormatted(add ? kest_command::kRouterRegisterAdd : kest_command::kRouterRegister, device,
                  first, last);
}

void kest_script_helper::routerPoll(int32_t device, int32_t first, int32_t last) {
    sendFormatted(kest_command::kRouterPoll, device, first, last);
}

void kest_script_helper::routerUnregister(int32_t device) {
    sendFormatted(kest_command::kRouterUnregister, device);
}

void kest_script_helper::infodriverRegister(int32_t device, int32_t first, int32_t last, bool add) {
    sendFormatted(add ? kest_command::kInfodriverRegisterAdd : kest_command::kInfodriverRegister,
                  device, first, last);
}

void kest_script_helper::infodriverPoll(int32_t device, int32_t first, int32_t last) {
    sendFormatted(kest_command::kInfodriverPoll, device, first, last);
}

void kest_script_helper::infodriverUnregister(int32_t device) {
    sendFormatted(kest_command::kInfodriverUnregister, device);
}

void kest_script_helper::gpiRegister(int32_t device, int32_t first, int32_t last, bool add) {
    sendFormatted(add ? kest_command::kGpiRegisterAdd : kest_command::kGpiRegister, device, first,
                  last);
}

void kest_script_helper::gpiPoll(int32_t device, int32_t first, int32_t last) {
    sendFormatted(kest_command::kGpiPoll, device, first, last);
}

void kest_script_helper::gpiUnregister(int32_t device) {
    sendFormatted(kest_command::kGpiUnregister, device);
}

void kest_script_helper::timerStart(int32_t id, int32_t ms) {
    if (ms == 0) {
        timerStop(id);
        return;
    }
    sendFormatted(kest_command::kTimerStart, id, ms);
}

void kest_script_helper::timerStop(int32_t id) {
    sendFormatted(kest_command::kTimerStop, id);
}
