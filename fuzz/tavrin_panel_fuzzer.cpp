// Fuzzes the whole panel through its dispatcher, the way a host drives it.
//
// Input layout, read as a stream of decisions (fuzz_input.h):
//   byte 0    bit 0: the base class's alarm take-over on; bits 1 and 2 both set:
//             no host at all
//   then      the host's replies to the start-up queries, then events until the
//             input runs out. Each query the panel makes takes its reply from the
//             stream at the point it is asked.
// An event is one selector byte and its fields: revertives and database changes
// with any device (mostly the panel's own), index, value and text (also 256 bytes
// with no NUL); timers; parent requests of any text or null, whose answers go back
// with type 5 at once or later; buttons with any id and request, nulls included;
// releases of null; integer events; types outside 1 to 7.
//
// After the events the panel is deleted and the host checks that every reply came
// back exactly once and that the session was ended once. Leaks are LeakSanitizer's.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Tavrin.h"
#include "fuzz_host.h"
#include "fuzz_input.h"
#include "kest_interfaces.h"
#include "parsed_request.h"

namespace {

using kest_fuzz::fuzz_input;

// The panel as a host builds it, with the base class's alarm take-over set as the
// input says (the panel itself leaves it off).
class fuzzed_panel : public Tavrin {
  public:
    fuzzed_panel(kest_host_callback* host, bool alarms) : Tavrin(host, "/panels") {
        alarmHandling = alarms;
    }
};

int32_t device(fuzz_input& in) {
    switch (in.choose(6)) {
        case 0:
            return kest_fuzz::kRouter;
        case 1:
            return kest_fuzz::kTally;
        case 2:
            return kest_fuzz::kGpi;
        case 3:
            return 0;
        case 4:
            return in.byte();
        default:
            return in.int32();
    }
}

int32_t index(fuzz_input& in) {
    switch (in.choose(4)) {
        case 0:
            return 61 + static_cast<int32_t>(in.choose(9));  // tally slots
        case 1:
            // The GPI range and one either side of it.
            return kest_fuzz::kGpiFirst - 1 + static_cast<int32_t>(in.choose(10));
        case 2:
            return in.byte();
        default:
            return in.int32();
    }
}

int32_t value(fuzz_input& in) {
    switch (in.choose(4)) {
        case 0:
            return 0;
        case 1:
            return 1;
        case 2:
            return in.byte();
        default:
            return in.int32();
    }
}

void fillText(fuzz_input& in, revertive_info& record) {
    std::memset(record.text, 0, sizeof(record.text));
    std::string text;
    switch (in.choose(4)) {
        case 0:
            text = std::to_string(in.choose(32));  // a source or destination number
            break;
        case 1:
            text = in.text(sizeof(record.text) - 1);
            break;
        case 2: {
            // The whole array with no NUL anywhere.
            const std::string raw = in.bytes(sizeof(record.text));
            std::memset(record.text, 'x', sizeof(record.text));
            for (std::size_t i = 0; i < raw.size(); ++i) {
                record.text[i] = raw[i] != '\0' ? raw[i] : 'y';
            }
            return;
        }
        default:
            return;  // empty
    }
    std::memcpy(record.text, text.data(), text.size());
}

// A request text: any bytes, or one of the panel's names with parts and a value.
std::string requestText(fuzz_input& in) {
    static const char* const kNames[] = {"return",  "myParam",   "instance",
                                         "_events", "_commands", "alarm"};
    static const char* const kValues[] = {"all", "myParam", "instance", "", "ack", "4"};
    if (in.choose(2) == 0) {
        return in.text(200);
    }
    std::string text = kNames[in.choose(6)];
    for (unsigned parts = in.choose(3); parts > 0; --parts) {
        text += "." + in.text(8);
    }
    if (in.choose(4) != 0) {
        text += "=";
        text += in.choose(2) == 0 ? kValues[in.choose(6)] : in.text(40);
    }
    return text;
}

void checkAnswer(const char* answer) {
    if (answer != nullptr && answer[0] == '\0') {
        kest_fuzz::fail("a parent request was answered with an empty string, not null", nullptr);
    }
}

void parentRequest(fuzz_input& in, kest_client_callback& panel, std::vector<char*>& held) {
    const bool null = in.choose(8) == 0;
    const std::string text = null ? std::string() : requestText(in);
    char* answer = panel.callback(null ? 0 : reinterpret_cast<intptr_t>(text.c_str()),
                                  KEST_EVENT_PARENT_REQUEST);
    checkAnswer(answer);
    const bool releaseNow = in.choose(2) == 0;  // read for every request: a stable layout
    if (answer == nullptr) {
        return;
    }
    (void)std::strlen(answer);  // must be a whole NUL-terminated string
    if (releaseNow) {
        panel.callback(reinterpret_cast<intptr_t>(answer), KEST_EVENT_RELEASE);
    } else {
        held.push_back(answer);  // handed back later, in another order
    }
}

void button(fuzz_input& in, kest_client_callback& panel) {
    static const char* const kIds[] = {"ActionAll", "AckAll", "1", ""};
    std::string id;
    const char* idPointer = nullptr;
    switch (in.choose(3)) {
        case 0:
            idPointer = kIds[in.choose(4)];
            break;
        case 1:
            id = in.text(32);
            idPointer = id.c_str();
            break;
        default:
            break;  // null id
    }
    const bool nullRequest = in.choose(4) == 0;
    const std::string text = nullRequest ? std::string() : requestText(in);
    std::unique_ptr<parsed_request> request;
    if (!nullRequest) {
        request = std::make_unique<parsed_request>(text.c_str());
    }
    button_info record{};
    record.id = idPointer;
    record.request = request.get();
    panel.callback(reinterpret_cast<intptr_t>(&record), KEST_EVENT_BUTTON);
}

void event(fuzz_input& in, kest_client_callback& panel, std::vector<char*>& held) {
    switch (in.choose(10)) {
        case 0:
        case 1:
        case 2: {
            revertive_info record{};
            record.device = device(in);
            record.database = value(in);
            record.index = index(in);
            record.value = value(in);
            fillText(in, record);
            panel.callback(reinterpret_cast<intptr_t>(&record), KEST_EVENT_REVERTIVE);
            break;
        }
        case 3: {
            revertive_info record{};
            record.device = device(in);
            record.database = static_cast<int32_t>(in.choose(4)) - 1;  // -1 to 2
            record.index = in.choose(2) == 0 ? static_cast<int32_t>(in.choose(32)) : in.int32();
            record.value = value(in);
            fillText(in, record);
            panel.callback(reinterpret_cast<intptr_t>(&record), KEST_EVENT_DATABASE_CHANGE);
            break;
        }
        case 4:
            panel.callback(in.choose(2) == 0 ? 2 : in.word(), KEST_EVENT_TIMER);
            break;
        case 5:
            parentRequest(in, panel, held);
            break;
        case 6:
            button(in, panel);
            break;
        case 7:
            if (!held.empty()) {
                const std::size_t pick = in.byte() % held.size();
                char* answer = held[pick];
                held.erase(held.begin() + static_cast<std::ptrdiff_t>(pick));
                panel.callback(reinterpret_cast<intptr_t>(answer), KEST_EVENT_RELEASE);
            } else {
                panel.callback(0, KEST_EVENT_RELEASE);
            }
            break;
        case 8: {
            // Null records, and the integer event with any word.
            static const int32_t kTypes[] = {KEST_EVENT_REVERTIVE, KEST_EVENT_BUTTON,
                                             KEST_EVENT_DATABASE_CHANGE, KEST_EVENT_INTEGER};
            const int32_t type = kTypes[in.choose(4)];
            const intptr_t data = type == KEST_EVENT_INTEGER ? in.word() : 0;
            if (panel.callback(data, type) != nullptr) {
                kest_fuzz::fail("an event other than a parent request returned a string", nullptr);
            }
            break;
        }
        default: {
            int32_t type = in.int32();
            if (type >= 1 && type <= 7) {
                type += 7;
            }
            if (panel.callback(in.word(), type) != nullptr) {
                kest_fuzz::fail("an unknown event type returned a string", nullptr);
            }
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz_input in(data, size);
    const uint8_t mode = in.byte();
    const bool alarms = (mode & 1) != 0;
    const bool noHost = (mode & 2) != 0 && (mode & 4) != 0;  // one run in four

    kest_fuzz::fuzz_host host(in);
    auto* panel = new fuzzed_panel(noHost ? nullptr : &host, alarms);
    std::vector<char*> held;
    // A bound on the events keeps every run short, whatever the input's length.
    for (int events = 0; events < 512 && !in.empty(); ++events) {
        event(in, *panel, held);
    }
    for (char* answer : held) {
        panel->callback(reinterpret_cast<intptr_t>(answer), KEST_EVENT_RELEASE);
    }
    delete static_cast<kest_client_callback*>(panel);
    if (!noHost) {
        host.finish();
    }
    return 0;
}
