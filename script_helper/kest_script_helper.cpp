#include "kest_script_helper.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "kest_command_grammar.h"
#include "kest_whole_text.h"
#include "parsed_request.h"

namespace {

// The low 32 bits of a data value as a signed 32-bit number, without relying on
// the implementation-defined narrowing of an out-of-range value.
int32_t lowWord(intptr_t data) {
    const uint32_t bits = static_cast<uint32_t>(static_cast<uintptr_t>(data));
    if (bits <= static_cast<uint32_t>(INT32_MAX)) {
        return static_cast<int32_t>(bits);
    }
    return -static_cast<int32_t>(~bits) - 1;
}

}  // namespace

kest_script_helper::kest_script_helper(kest_host_callback* host, const char* path)
    : host(host), path(), alarmHandling(false), pathWhole(kest_whole::store(this->path, path)) {}

kest_script_helper::~kest_script_helper() {
    send(kest_command::kSessionEnd);
}

char* kest_script_helper::callback(intptr_t data, int32_t type) {
    // No exception may reach the host: a handler that throws loses its event.
    try {
        switch (type) {
            case KEST_EVENT_REVERTIVE: {
                if (data == 0) {
                    return nullptr;
                }
                revertive_event event(kest_pointer_from_word<revertive_info>(data));
                onRevertive(&event);
                return nullptr;
            }
            case KEST_EVENT_BUTTON: {
                if (data == 0) {
                    return nullptr;
                }
                button_event event(kest_pointer_from_word<button_info>(data));
                if (alarmHandling) {
                    if (event.id() == "ActionAll") {
                        if (event.requestName() == "alarm") {
                            alarmGroupApply(event.requestValue());
                            return nullptr;
                        }
                    } else if (event.id() == "AckAll") {
                        alarmGroupApply(kest_string(4, 0, 0, 10));
                        return nullptr;
                    }
                }
                onButton(&event);
                return nullptr;
            }
            case KEST_EVENT_PARENT_REQUEST: {
                parsed_request request(kest_pointer_from_word<const char>(data));
                request_event event(&request);
                const kest_string answer = onParentRequest(&event);
                // An answer the panel could not make whole is empty: no answer.
                if (answer.length() == 0) {
                    return nullptr;
                }
                const std::size_t size = static_cast<std::size_t>(answer.length()) + 1;
                char* result = new (std::nothrow) char[size];
                if (result != nullptr) {
                    std::memcpy(result, static_cast<const char*>(answer), size);
                }
                return result;
            }
            case KEST_EVENT_TIMER:
                onTimer(lowWord(data));
                return nullptr;
            case KEST_EVENT_RELEASE:
                // Allocated with new[] by the parent request path above.
                delete[] kest_pointer_from_word<char>(data);
                return nullptr;
            case KEST_EVENT_DATABASE_CHANGE: {
                if (data == 0) {
                    return nullptr;
                }
                revertive_event event(kest_pointer_from_word<revertive_info>(data));
                onDatabaseChange(&event);
                return nullptr;
            }
            case KEST_EVENT_INTEGER: {
                intptr_t word = data;
                onIntegerEvent(&word);
                return nullptr;
            }
            default:
                return nullptr;
        }
    } catch (...) {
        return nullptr;
    }
}

void kest_script_helper::onIntegerEvent(intptr_t*) {}

void kest_script_helper::onDatabaseChange(revertive_event*) {}

intptr_t kest_script_helper::send(const char* text) {
    if (host == nullptr) {
        return 0;
    }
    return host->command(text, KEST_COMMAND_EXECUTE);
}

bool kest_script_helper::ask(const char* text, kest_string& reply, bool releaseNull) {
    if (host == nullptr) {
        return false;
    }
    const char* answer = kest_pointer_from_word<const char>(send(text));
    if (answer == nullptr) {
        if (releaseNull) {
            host->command(nullptr, KEST_COMMAND_RELEASE);
        }
        return false;
    }
    // Copied first, handed back once, never read again: also when the copy fails.
    // A reply that cannot be kept whole leaves `reply` as it was and counts as none.
    bool whole = false;
    try {
        whole = kest_whole::store(reply, answer);
    } catch (...) {
        host->command(answer, KEST_COMMAND_RELEASE);
        throw;
    }
    host->command(answer, KEST_COMMAND_RELEASE);
    return whole;
}

bool kest_script_helper::storeWhole(kest_string& property, const char* value) {
    return kest_whole::store(property, value);
}
