#include "baseline.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kest_bench {

namespace {

// Room for a "text" write of a whole revertive text: "TP 'text=" (9), 256 characters,
// "' '1' 'Current_Name'" (20) and the NUL.
constexpr std::size_t kTextCommandSize = 9 + KEST_REVERTIVE_TEXT_CAPACITY + 20 + 1;
// Room for the commands made of numbers and fixed words: the longest is a statesheet
// write, "TP 'statesheet=RyxGroupDeselected' '1' '-2147483648'" (52 with the NUL).
constexpr std::size_t kNumberCommandSize = 64;

void send(kest_host_callback* host, const char* text) {
    host->command(text, KEST_COMMAND_EXECUTE);
}

// The record's text, never read beyond the array.
int textLength(const revertive_info* info) {
    return static_cast<int>(strnlen(info->text, sizeof(info->text)));
}

void putNumber(baseline_panel* panel, int32_t value, const char* control) {
    char text[kNumberCommandSize];
    std::snprintf(text, sizeof(text), "TP 'text=%d' '1' '%s'", value, control);
    send(panel->host, text);
}

void putRecordText(baseline_panel* panel, const revertive_info* info, const char* control) {
    char text[kTextCommandSize];
    std::snprintf(text, sizeof(text), "TP 'text=%.*s' '1' '%s'", textLength(info), info->text,
                  control);
    send(panel->host, text);
}

void crosspoint(baseline_panel* panel, int32_t source) {
    char text[kNumberCommandSize];
    std::snprintf(text, sizeof(text), "RC %d %d %d ',' 0", panel->routerDevice, source,
                  panel->monitorDest);
    send(panel->host, text);
}

void hide(baseline_panel* panel, const char* control) {
    char text[kNumberCommandSize];
    std::snprintf(text, sizeof(text), "CH '1' '%s'", control);
    send(panel->host, text);
}

// RN device database index; the reply copied (up to 255 characters) and handed back.
void routerName(baseline_panel* panel, int32_t database, int32_t index, char (&name)[256]) {
    char text[kNumberCommandSize];
    std::snprintf(text, sizeof(text), "RN %d %d %d", panel->routerDevice, database, index);
    const char* reply =
        kest_pointer_from_word<const char>(panel->host->command(text, KEST_COMMAND_EXECUTE));
    if (reply != nullptr) {
        std::snprintf(name, sizeof(name), "%s", reply);
    }
    panel->host->command(reply, KEST_COMMAND_RELEASE);
}

void updateMonitorRoute(baseline_panel* panel) {
    uint32_t sum = 0;
    for (const int32_t state : panel->gpiStates) {
        sum += static_cast<uint32_t>(state);
    }
    if (sum == 0) {
        if (panel->currentSource != panel->normalSource) {
            crosspoint(panel, panel->normalSource);
        }
        panel->gpiOverride = false;
        return;
    }
    panel->gpiOverride = true;
    for (int k = 0; k < 8; ++k) {
        if (panel->gpiStates[k] == 1) {
            const int32_t source = panel->slotSources[k];
            if (source != 0 && source != panel->currentSource) {
                crosspoint(panel, source);
            }
            return;
        }
    }
}

void onRevertive(baseline_panel* panel, const revertive_info* info) {
    if (info->device == panel->routerDevice) {
        putNumber(panel, info->value, "CurrentSDI_ID");
        putRecordText(panel, info, "Current_Name");
        panel->currentSource = info->value;
        if (!panel->gpiOverride) {
            panel->normalSource = info->value;
        }
    }
    if (info->device == panel->gpiDevice) {
        if (panel->awaitGpi) {
            panel->awaitGpi = false;
            hide(panel, "AwaitGPI");
        }
        if (info->index >= panel->gpiFirstSlot && info->index <= panel->gpiLastSlot) {
            const int32_t k = info->index - panel->gpiFirstSlot;
            char text[kNumberCommandSize];
            std::snprintf(text, sizeof(text), "TP 'statesheet=%s' '1' '%d'",
                          info->value != 0 ? "Ryx_TakeHigh" : "RyxGroupDeselected", k + 1);
            send(panel->host, text);
            panel->gpiStates[k] = info->value;
        }
        updateMonitorRoute(panel);
    }
    if (info->device == panel->tallyDevice) {
        if (panel->awaitTally) {
            panel->awaitTally = false;
            if (panel->retryTimerRunning) {
                panel->retryTimerRunning = false;
                send(panel->host, "ET 2");
                hide(panel, "AwaitTallyInfo");
            }
        }
        char slotText[KEST_REVERTIVE_TEXT_CAPACITY + 1];
        std::snprintf(slotText, sizeof(slotText), "%.*s", textLength(info), info->text);
        if (info->index >= 61 && info->index <= 68) {
            const int32_t source = std::atoi(slotText);
            char name[256] = "";
            routerName(panel, 0, source, name);
            char text[kTextCommandSize];
            std::snprintf(text, sizeof(text), "TP 'text=%d' '1' '%d'", source, info->index - 50);
            send(panel->host, text);
            std::snprintf(text, sizeof(text), "TP 'text=%s' '1' '%d'", name, info->index - 40);
            send(panel->host, text);
            panel->slotSources[info->index - 61] = source;
        } else if (info->index == 69) {
            panel->monitorDest = std::atoi(slotText);
            putNumber(panel, panel->monitorDest, "50");
            char name[256] = "";
            routerName(panel, 1, panel->monitorDest, name);
            char text[kTextCommandSize];
            std::snprintf(text, sizeof(text), "TP 'text=%s' '1' '51'", name);
            send(panel->host, text);
            if (panel->routerRegistered) {
                std::snprintf(text, sizeof(text), "RU %d", panel->routerDevice);
                send(panel->host, text);
                send(panel->host, "TP 'text=' '1' 'CurrentSDI_ID'");
                panel->routerRegistered = false;
            }
            if (panel->monitorDest != 0) {
                std::snprintf(text, sizeof(text), "RR %d %d %d", panel->routerDevice,
                              panel->monitorDest, panel->monitorDest);
                send(panel->host, text);
                panel->routerRegistered = true;
                std::snprintf(text, sizeof(text), "RP %d %d %d", panel->routerDevice,
                              panel->monitorDest, panel->monitorDest);
                send(panel->host, text);
            }
        }
    }
}

void onDatabaseChange(baseline_panel* panel, const revertive_info* info) {
    if (info->device != panel->routerDevice) {
        return;
    }
    if (info->database == 0) {
        for (int k = 0; k < 8; ++k) {
            if (panel->slotSources[k] == info->index) {
                char control[12];
                std::snprintf(control, sizeof(control), "%d", 21 + k);
                putRecordText(panel, info, control);
            }
        }
        if (info->index == panel->currentSource) {
            putRecordText(panel, info, "Current_Name");
        }
    } else if (info->database == 1 && info->index == panel->monitorDest) {
        putRecordText(panel, info, "51");
    }
}

void onTimer(baseline_panel* panel, int32_t id) {
    char text[kNumberCommandSize];
    if (id == 2) {
        std::snprintf(text, sizeof(text), "IP %d 61 69", panel->tallyDevice);
    } else {
        std::snprintf(text, sizeof(text), "ET %d", id);
    }
    send(panel->host, text);
}

// A new buffer holding `text`, for the host; null for an empty answer.
char* answer(const char* text, int length) {
    if (length <= 0) {
        return nullptr;
    }
    char* result = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1));
    if (result != nullptr) {
        std::memcpy(result, text, static_cast<std::size_t>(length) + 1);
    }
    return result;
}

char* onParentRequest(baseline_panel* panel, const char* data) {
    baseline_request request;
    baselineParseRequest(&request, data);
    char text[300];
    int length = 0;
    if (std::strcmp(request.name, "return") == 0) {
        if (std::strcmp(request.value, "all") == 0 || std::strcmp(request.value, "myParam") == 0) {
            length = std::snprintf(text, sizeof(text), "myParam=%s", panel->myParam);
        }
    } else if (std::strcmp(request.name, "instance") == 0 &&
               std::strcmp(request.value, panel->instance) != 0) {
        std::snprintf(panel->instance, sizeof(panel->instance), "%s", request.value);
    } else if (std::strcmp(request.name, "myParam") == 0) {
        std::snprintf(panel->myParam, sizeof(panel->myParam), "%s", request.value);
    } else if (std::strcmp(request.name, "_events") == 0) {
        length = std::snprintf(text, sizeof(text), "notify=*");
    } else if (std::strcmp(request.name, "_commands") == 0) {
        length = std::snprintf(text, sizeof(text), "myParam=[value]");
    }
    char* result = answer(text, length);
    baselineFreeRequest(&request);
    return result;
}

}  // namespace

void baselineInit(baseline_panel* panel, kest_host_callback* host, int32_t routerDevice,
                  int32_t tallyDevice, int32_t gpiDevice, int32_t gpiFirstSlot) {
    std::memset(panel, 0, sizeof(*panel));
    panel->host = host;
    panel->routerDevice = routerDevice;
    panel->tallyDevice = tallyDevice;
    panel->gpiDevice = gpiDevice;
    panel->gpiFirstSlot = gpiFirstSlot;
    panel->gpiLastSlot = gpiFirstSlot + 7;
    panel->retryTimerRunning = true;
    panel->awaitTally = true;
    panel->awaitGpi = true;
}

char* baselineCallback(baseline_panel* panel, intptr_t data, int32_t type) {
    switch (type) {
        case KEST_EVENT_REVERTIVE:
            if (data != 0) {
                onRevertive(panel, kest_pointer_from_word<const revertive_info>(data));
            }
            return nullptr;
        case KEST_EVENT_PARENT_REQUEST:
            return onParentRequest(panel, kest_pointer_from_word<const char>(data));
        case KEST_EVENT_TIMER:
            onTimer(panel, static_cast<int32_t>(data));
            return nullptr;
        case KEST_EVENT_RELEASE:
            std::free(kest_pointer_from_word<char>(data));
            return nullptr;
        case KEST_EVENT_DATABASE_CHANGE:
            if (data != 0) {
                onDatabaseChange(panel, kest_pointer_from_word<const revertive_info>(data));
            }
            return nullptr;
        default:
            return nullptr;
    }
}

void baselineRouterRegister(kest_host_callback* host, int32_t device, int32_t first, int32_t last,
                            bool add) {
    char text[kNumberCommandSize];
    std::snprintf(text, sizeof(text), add ? "RR %d %d %d 'ADD'" : "RR %d %d %d", device, first,
                  last);
    send(host, text);
}

void baselineTextPut(kest_host_callback* host, const char* property, const char* value,
                     const char* panel, const char* control) {
    char text[kTextCommandSize];
    std::snprintf(text, sizeof(text), "TP '%s=%s' '%s' '%s'", property, value, panel, control);
    send(host, text);
}

void baselineRouterCrosspoint(kest_host_callback* host, int32_t device, int32_t source,
                              int32_t destination, const char* text, bool flag) {
    char command[kTextCommandSize];
    std::snprintf(command, sizeof(command), "RC %d %d %d ',%s' %d", device, source, destination,
                  text, flag ? 1 : 0);
    send(host, command);
}

void baselineParseRequest(baseline_request* request, const char* text) {
    request->buffer = nullptr;
    request->name = "";
    request->value = "";
    request->partCount = 0;
    request->hasValue = false;
    const std::size_t length = text != nullptr ? std::strlen(text) : 0;
    if (length == 0) {
        return;
    }
    request->buffer = static_cast<char*>(std::malloc(length + 1));
    if (request->buffer == nullptr) {
        return;
    }
    std::memcpy(request->buffer, text, length + 1);
    request->name = request->buffer;
    for (char* p = request->buffer; *p != '\0' && request->partCount < 32; ++p) {
        if (*p == '.') {
            *p = '\0';
            ++request->partCount;
        } else if (*p == '=') {
            *p = '\0';
            request->hasValue = true;
            request->value = p + 1;
            break;
        }
    }
}

void baselineFreeRequest(baseline_request* request) {
    std::free(request->buffer);
    request->buffer = nullptr;
}

void baselineTokenize(baseline_tokens* result, const char* text, char delimiter) {
    result->buffer = nullptr;
    result->count = 0;
    for (const char*& token : result->tokens) {
        token = "";
    }
    const std::size_t length = text != nullptr ? std::strlen(text) : 0;
    if (length == 0) {
        return;
    }
    char* buffer = static_cast<char*>(std::malloc(length + 1));
    if (buffer == nullptr) {
        return;
    }
    std::memcpy(buffer, text, length + 1);
    result->buffer = buffer;
    int current = 0;
    result->tokens[0] = buffer;
    bool quoted = false;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = buffer[i];
        bool begins = false;
        if (c == delimiter) {
            buffer[i] = '\0';
            begins = quoted && i != 0 && buffer[i - 1] == '\0';
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            buffer[i] = '\0';
        } else {
            begins = i != 0 && buffer[i - 1] == '\0';
        }
        if (begins) {
            if (current == 31) {
                break;
            }
            result->tokens[++current] = buffer + i;
        }
    }
    result->count = current + 1;
}

void baselineFreeTokens(baseline_tokens* result) {
    std::free(result->buffer);
    result->buffer = nullptr;
}

}  // namespace kest_bench
