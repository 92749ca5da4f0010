#include "Tavrin.h"

#include <cstddef>
#include <cstdint>

#include "kest_stringlist.h"
#include "kest_whole_text.h"

using namespace tavrin;

namespace {

// Plain decimal: no leading zeros, no padding.
kest_string decimal(int32_t value) {
    return kest_string(value, 0, 0, 10);
}

// The fixed texts the event handlers pass on, made once on first use rather than
// converted again on every call.
struct fixed_texts {
    fixed_texts() {
        for (int32_t k = 0; k < kButtonCount; ++k) {
            buttons[k] = decimal(k + 1);
            sourceNumbers[k] = decimal(kSourceNumberControlBase + k + 1);
            sourceNames[k] = decimal(kSourceNameControlBase + k + 1);
        }
    }

    const kest_string empty;
    const kest_string panel{kPanel};
    const kest_string text{kTextProperty};
    const kest_string statesheet{kStatesheetProperty};
    const kest_string monitorDest{kMonitorDestLabel};
    const kest_string monitorDestName{kMonitorDestNameLabel};
    const kest_string currentSource{kCurrentSourceLabel};
    const kest_string currentName{kCurrentNameLabel};
    const kest_string returnRequest{kReturnRequest};
    const kest_string returnAll{kReturnAll};
    const kest_string myParamName{kMyParamName};
    const kest_string instanceName{kInstanceName};
    const kest_string eventsRequest{kEventsRequest};
    const kest_string commandsRequest{kCommandsRequest};
    const kest_string allAnswer{kAllAnswer};
    const kest_string propertyAnswer{kPropertyAnswer};
    const kest_string eventsAnswer{kEventsAnswer};
    const kest_string commandsAnswer{kCommandsAnswer};
    kest_string buttons[kButtonCount];        // "1".."8": button k+1
    kest_string sourceNumbers[kButtonCount];  // "11".."18": its source number
    kest_string sourceNames[kButtonCount];    // "21".."28": its source name
};

const fixed_texts& texts() {
    static const fixed_texts instance;
    return instance;
}

const char* orEmpty(const char* text) {
    return text != nullptr ? text : "";
}

}  // namespace

Tavrin::Tavrin(kest_host_callback* host, const char* path)
    : kest_script_helper(host, path),
      myParam(),
      instance(),
      config(),
      takeHighStyle(kTakeHighStyle),
      deselectedStyle(kDeselectedStyle),
      gpiOverride(false),
      routerRegistered(false),
      gpiRegistered(false),
      tallyRegistered(false),
      retryTimerRunning(false),
      awaitTally(true),
      awaitGpi(true),
      routerDevice(0),
      tallyDevice(0),
      monitorDest(0),
      gpiDevice(0),
      gpiFirstSlot(0),
      gpiLastSlot(0),
      normalSource(0),
      currentSource(0),
      slotSources{},
      gpiStates{},
      sentRuns{},
      sentRunCount(0) {
    // The layout is the host's; a refusal does not stop the start-up.
    panelShow(kPanel, kLayoutFile, kNoExtra);

    // Lookups that get no answer leave their outputs 0, and start-up goes on.
    deviceLookup(kRouterInstance, &routerDevice, nullptr);
    deviceLookup(kTallyInstance, &tallyDevice, nullptr);
    putText(kTallyDeviceLabel, decimal(tallyDevice));
    putText(kTallySlotsLabel, decimal(kFirstTallySlot) + kRangeSeparator + decimal(kLastTallySlot));

    deviceLookup(kGpiInstance, &gpiDevice, &gpiFirstSlot);
    putText(kGpiDeviceLabel, decimal(gpiDevice));
    // Wraps like 32-bit hardware for an offset at the very top of the range, instead
    // of overflowing.
    gpiLastSlot = static_cast<int32_t>(static_cast<uint32_t>(gpiFirstSlot) +
                                       static_cast<uint32_t>(kButtonCount - 1));
    putText(kGpiSlotsLabel, decimal(gpiFirstSlot) + kRangeSeparator + decimal(gpiLastSlot));

    for (int32_t button = 1; button <= kButtonCount; ++button) {
        textPut(kStatesheetProperty, deselectedStyle, kPanel, decimal(button));
    }

    timerStart(kRetryTimer, kRetryPeriodMs);
    retryTimerRunning = true;

    infodriverRegister(tallyDevice, kFirstTallySlot, kLastTallySlot, false);
    infodriverPoll(tallyDevice, kFirstTallySlot, kLastTallySlot);
    tallyRegistered = true;

    gpiRegister(gpiDevice, gpiFirstSlot, gpiLastSlot, false);
    gpiPoll(gpiDevice, gpiFirstSlot, gpiLastSlot);
    gpiRegistered = true;
}

Tavrin::~Tavrin() {
    // The monitor keeps whatever source it has; the controls stay as they are.
    if (routerRegistered) {
        routerUnregister(routerDevice);
    }
    if (gpiRegistered) {
        gpiUnregister(gpiDevice);
    }
    if (tallyRegistered) {
        infodriverUnregister(tallyDevice);
    }
    if (retryTimerRunning) {
        timerStop(kRetryTimer);
    }
}

void Tavrin::onButton(button_event* /*event*/) {}

void Tavrin::onRevertive(revertive_event* event) {
    if (event == nullptr || event->info == nullptr) {
        return;
    }
    // One record may concern more than one of the devices; each step runs in turn.
    if (event->info->device == routerDevice) {
        onRouterRevertive(*event);
    }
    if (event->info->device == gpiDevice) {
        onGpiRevertive(*event);
    }
    if (event->info->device == tallyDevice) {
        onTallyRevertive(*event);
    }
}

void Tavrin::onRouterRevertive(const revertive_event& event) {
    // The panel registers only the monitor destination, so every router revertive is
    // taken as the monitor's source, whatever its index.
    const int32_t source = event.info->value;
    putText(texts().currentSource, decimal(source));
    putText(texts().currentName, event.text());
    currentSource = source;
    // The report of the panel's own crosspoint is never the source to put back, even
    // when it arrives after the inputs fell.
    if (!answersOwnCrosspoint(source) && !gpiOverride) {
        normalSource = source;
    }
}

void Tavrin::onGpiRevertive(const revertive_event& event) {
    if (awaitGpi) {
        awaitGpi = false;
        controlHide(kPanel, kAwaitGpiIndicator);
    }
    const int32_t input = event.info->index;
    const int32_t value = event.info->value;
    if (input >= gpiFirstSlot && input <= gpiLastSlot) {
        // Within the checked range the difference is 0..7.
        const int32_t k = input - gpiFirstSlot;
        textPut(texts().statesheet, value != 0 ? takeHighStyle : deselectedStyle, texts().panel,
                texts().buttons[k]);
        gpiStates[k] = value;
    }
    updateMonitorRoute();
}

void Tavrin::onTallyRevertive(const revertive_event& event) {
    if (awaitTally) {
        awaitTally = false;
        if (retryTimerRunning) {
            retryTimerRunning = false;
            timerStop(kRetryTimer);
            controlHide(kPanel, kAwaitTallyIndicator);
        }
    }
    const int32_t slot = event.info->index;
    if (slot >= kFirstSourceSlot && slot <= kLastSourceSlot) {
        onSourceSlot(slot, event.text());
    } else if (slot == kMonitorDestSlot) {
        onMonitorDestSlot(event.text());
    }
}

void Tavrin::onSourceSlot(int32_t slot, const kest_string& text) {
    const int32_t button = slot - kFirstSourceSlot + 1;
    const int32_t source = text.toInt();
    kest_string name;
    routerName(routerDevice, kSourceNames, source, name);
    putText(texts().sourceNumbers[button - 1], decimal(source));
    putText(texts().sourceNames[button - 1], name);
    // Takes effect for a high input at its next revertive, not now.
    slotSources[button - 1] = source;
}

void Tavrin::onMonitorDestSlot(const kest_string& text) {
    const int32_t previousDest = monitorDest;
    monitorDest = text.toInt();
    putText(texts().monitorDest, decimal(monitorDest));
    kest_string name;
    routerName(routerDevice, kDestinationNames, monitorDest, name);
    putText(texts().monitorDestName, name);

    if (routerRegistered) {
        routerUnregister(routerDevice);
        putText(texts().currentSource, texts().empty);
        routerRegistered = false;
    }
    if (monitorDest != previousDest) {
        // Reports for the old destination no longer come.
        dropSentRuns(sentRunCount);
    }
    if (monitorDest != 0) {
        routerRegister(routerDevice, monitorDest, monitorDest, false);
        routerRegistered = true;
        // The answer brings the new destination's source as a router revertive.
        routerPoll(routerDevice, monitorDest, monitorDest);
    }
}

void Tavrin::updateMonitorRoute() {
    // While crosspoints of the panel await their reports, currentSource is not yet
    // what the monitor will carry: the last crosspoint sent is.
    const bool awaiting = sentRunCount > 0;
    const int32_t lastSent = awaiting ? sentRuns[sentRunCount - 1].source : 0;

    // "All low" is a zero sum of the eight states, taken modulo 2^32 so that any
    // values the host reports add up without overflow.
    uint32_t sum = 0;
    for (const int32_t state : gpiStates) {
        sum += static_cast<uint32_t>(state);
    }
    if (sum == 0) {
        // A tap shorter than the router's answer: the button's source is on its way
        // to the monitor, so the earlier source goes back after it, if one is known
        // (before the router's first report there is none).
        if (currentSource != normalSource ||
            (awaiting && lastSent != normalSource && normalSource != 0)) {
            sendCrosspoint(normalSource);
        }
        gpiOverride = false;
        return;
    }

    // The lowest input that is exactly 1 wins. Other non-zero states hold the route
    // without naming a source.
    gpiOverride = true;
    for (int k = 0; k < kButtonCount; ++k) {
        if (gpiStates[k] == 1) {
            const int32_t source = slotSources[k];
            if (source != 0 && (source != currentSource || (awaiting && lastSent != source))) {
                sendCrosspoint(source);
            }
            return;
        }
    }
}

void Tavrin::sendCrosspoint(int32_t source) {
    routerCrosspoint(routerDevice, source, monitorDest, texts().empty, false);
    if (!routerRegistered || monitorDest <= 0) {
        return;  // no router has such a destination: never reported to the panel
    }
    if (sentRunCount > 0 && sentRuns[sentRunCount - 1].source == source) {
        sent_run& last = sentRuns[sentRunCount - 1];
        if (last.count < INT32_MAX) {
            ++last.count;
        }
        return;
    }
    if (sentRunCount == kMaxSentRuns) {
        dropSentRuns(1);
    }
    sentRuns[sentRunCount] = sent_run{source, 1};
    ++sentRunCount;
}

bool Tavrin::answersOwnCrosspoint(int32_t source) {
    if (sentRunCount == 0) {
        return false;
    }
    int32_t run = 0;
    while (run < sentRunCount && sentRuns[run].source != source) {
        ++run;
    }
    if (run == sentRunCount) {
        run = 0;  // not a source the panel sent: a refusal, or the router's own news
    }
    dropSentRuns(run);
    if (--sentRuns[0].count == 0) {
        dropSentRuns(1);
    }
    return true;
}

void Tavrin::dropSentRuns(int32_t runs) {
    // A plain loop: <algorithm> drags <cmath> in, which the MSVC-mode C headers lack.
    for (int32_t i = runs; i < sentRunCount; ++i) {
        sentRuns[i - runs] = sentRuns[i];
    }
    sentRunCount -= runs;
}

void Tavrin::onDatabaseChange(revertive_event* event) {
    if (event == nullptr || event->info == nullptr) {
        return;
    }
    const revertive_info& info = *event->info;
    if (info.device != routerDevice) {
        return;
    }
    if (info.database == kSourceNames) {
        const kest_string name = event->text();
        // Buttons may share a source: every one of them gets the new name.
        for (int k = 0; k < kButtonCount; ++k) {
            if (slotSources[k] == info.index) {
                putText(texts().sourceNames[k], name);
            }
        }
        if (info.index == currentSource) {
            putText(texts().currentName, name);
        }
    } else if (info.database == kDestinationNames && info.index == monitorDest) {
        putText(texts().monitorDestName, event->text());
    }
}

void Tavrin::onTimer(int32_t id) {
    if (id == kRetryTimer) {
        infodriverPoll(tallyDevice, kFirstTallySlot, kLastTallySlot);
    } else {
        timerStop(id);
    }
}

// A one-item answer list as text: the item itself, or empty when `item` or the
// list's text could not be made whole.
kest_string Tavrin::listed(const kest_string& item, bool whole) {
    if (!whole) {
        return kest_string();
    }
    kest_stringlist list;
    list << item;
    kest_string text = list.toString(kListSeparator);
    if (!kest_whole::holds(text, item, static_cast<std::size_t>(item.length()))) {
        return kest_string();
    }
    return text;
}

kest_string Tavrin::onParentRequest(request_event* request) {
    if (request == nullptr || request->request == nullptr) {
        return kest_string();
    }
    // Name and value are compared where the parser left them; only a value that is
    // stored or answered with is copied.
    const fixed_texts& fixed = texts();
    const char* name = orEmpty(request->request->name);
    const char* value = orEmpty(request->request->value);

    if (fixed.returnRequest == name) {
        if (fixed.returnAll == value) {
            bool whole = true;
            const kest_string item = kest_whole::arg(fixed.allAnswer, myParam, whole);
            return listed(item, whole);
        }
        if (fixed.myParamName == value) {
            bool whole = true;
            const kest_string answer = kest_whole::arg(
                kest_whole::arg(fixed.propertyAnswer, request->value(), whole), myParam, whole);
            return whole ? answer : kest_string();
        }
        return kest_string();
    }
    // A property is stored whole or not at all: when memory runs out it keeps its
    // value. An answer that could not be made whole is given as empty: none.
    if (fixed.instanceName == name) {
        if (!(instance == value)) {
            // Stored only: the devices found at start-up stay.
            storeWhole(instance, value);
        }
        return kest_string();
    }
    if (fixed.myParamName == name) {
        storeWhole(myParam, value);
        return kest_string();
    }
    if (fixed.eventsRequest == name) {
        return listed(fixed.eventsAnswer, true);
    }
    if (fixed.commandsRequest == name) {
        return listed(fixed.commandsAnswer, true);
    }
    return kest_string();
}

void Tavrin::putText(const kest_string& control, const kest_string& value) {
    textPut(texts().text, value, texts().panel, control);
}
