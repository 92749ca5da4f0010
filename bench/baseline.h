// The hand-written baseline: the same panel behaviour as Tavrin for the events the
// benchmarks drive, written as plain C would write it. Commands are formatted with
// snprintf into stack buffers and handed to the same host object through
// kest_host_callback::command. It exists only to measure against; it keeps just
// the state those events need and sends byte for byte the texts the plug-in sends
// (the benchmark program checks that before it measures).
//
// The parent request path does the work the protocol asks of any implementation:
// one copy of the request text split in place, and one new buffer for a non-empty
// answer, released when the host hands it back.
#pragma once

#include <cstdint>

#include "kest_interfaces.h"

namespace kest_bench {

struct baseline_panel {
    kest_host_callback* host;
    int32_t routerDevice;
    int32_t tallyDevice;
    int32_t gpiDevice;
    int32_t gpiFirstSlot;
    int32_t gpiLastSlot;
    int32_t monitorDest;
    int32_t normalSource;
    int32_t currentSource;
    int32_t slotSources[8];
    int32_t gpiStates[8];
    bool gpiOverride;
    bool routerRegistered;
    bool retryTimerRunning;
    bool awaitTally;
    bool awaitGpi;
    char myParam[256];
    char instance[256];
};

// The panel as start-up leaves it, with the devices already known.
void baselineInit(baseline_panel* panel, kest_host_callback* host, int32_t routerDevice,
                  int32_t tallyDevice, int32_t gpiDevice, int32_t gpiFirstSlot);

// The dispatcher: the same event types and the same result as the plug-in's.
char* baselineCallback(baseline_panel* panel, intptr_t data, int32_t type);

// The individual commands the micro benchmarks compare with.
void baselineRouterRegister(kest_host_callback* host, int32_t device, int32_t first, int32_t last,
                            bool add);
void baselineTextPut(kest_host_callback* host, const char* property, const char* value,
                     const char* panel, const char* control);
void baselineRouterCrosspoint(kest_host_callback* host, int32_t device, int32_t source,
                              int32_t destination, const char* text, bool flag);

// The request parser and the reply tokenizer, with the same single copy.
struct baseline_request {
    char* buffer;
    const char* name;
    const char* value;
    int32_t partCount;
    bool hasValue;
};
void baselineParseRequest(baseline_request* request, const char* text);
void baselineFreeRequest(baseline_request* request);

struct baseline_tokens {
    char* buffer;
    const char* tokens[32];
    int32_t count;
};
void baselineTokenize(baseline_tokens* result, const char* text, char delimiter);
void baselineFreeTokens(baseline_tokens* result);

}  // namespace kest_bench
