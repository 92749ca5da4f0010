// Accessors of the event views: each copies a NUL-terminated text out of the
// host's record. Missing records and null texts read as "", and so does a text
// that cannot be copied whole when memory runs out.
#include <cstring>

#include "kest_interfaces.h"
#include "kest_whole_text.h"

namespace {

kest_string whole(const char* text) {
    bool made = true;
    return kest_whole::copy(text, made);
}

}  // namespace

kest_string revertive_event::text() const {
    if (info == nullptr) {
        return kest_string();
    }
    // The host should end the text with NUL; read no further than the array if not.
    const void* end = std::memchr(info->text, '\0', sizeof(info->text));
    if (end != nullptr) {
        return whole(info->text);
    }
    char terminated[sizeof(info->text) + 1];
    std::memcpy(terminated, info->text, sizeof(info->text));
    terminated[sizeof(info->text)] = '\0';
    return whole(terminated);
}

kest_string button_event::id() const {
    if (info == nullptr) {
        return kest_string();
    }
    return whole(info->id);
}

kest_string button_event::requestName() const {
    if (info == nullptr || info->request == nullptr) {
        return kest_string();
    }
    return whole(info->request->name);
}

kest_string button_event::requestValue() const {
    if (info == nullptr || info->request == nullptr) {
        return kest_string();
    }
    return whole(info->request->value);
}

kest_string request_event::name() const {
    if (request == nullptr) {
        return kest_string();
    }
    return whole(request->name);
}

kest_string request_event::value() const {
    if (request == nullptr) {
        return kest_string();
    }
    return whole(request->value);
}
