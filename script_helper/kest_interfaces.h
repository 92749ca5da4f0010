// The binary edge between the host's panel runtime and a panel plug-in: the two
// interfaces, the command codes, the event types and records, and the views that
// handlers read events through.
//
// Thread rule, for everything declared here and in kest_script_helper.h:
//   [host-thread] called on the host's calling thread, one call at a time. The
//   plug-in has no threads, locks or atomics of its own, and a command call may not
//   be re-entered from inside the host's `command`.
//
// ABI choices that are the host's to make, fixed once for the plug-in and for every
// host program built here:
//   - kest_host_callback's first virtual slot is one ordinary virtual function that
//     the plug-in never calls. It is not a virtual destructor: under the Itanium C++
//     ABI a virtual destructor takes two vtable slots and would move `command`.
//   - The result of `command` and the data value of `callback` are intptr_t.
//   - revertive_info::text holds 256 bytes, NUL-terminated by the host. The plug-in
//     never reads past the array even when the host forgets the NUL.
//   - button_info's three leading words are int32_t and unused.
//   - The export is extern "C", default calling convention, under its plain name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kest_string.h"
#include "parsed_request.h"

// Codes of kest_host_callback::command.
enum kest_command_code : int32_t {
    // Execute the command text. For a query the result is a host-owned reply
    // string or 0; for "PS" it is non-zero on success; otherwise it is ignored.
    KEST_COMMAND_EXECUTE = 0,
    // Hand back a reply that an earlier KEST_COMMAND_EXECUTE returned. The plug-in
    // never touches the reply after this call. A null reply may be handed back.
    KEST_COMMAND_RELEASE = 5,
};

// Event types of kest_client_callback::callback.
enum kest_event_type : int32_t {
    KEST_EVENT_REVERTIVE = 1,        // data: revertive_info*
    KEST_EVENT_BUTTON = 2,           // data: button_info*
    KEST_EVENT_PARENT_REQUEST = 3,   // data: const char* request text, or 0
    KEST_EVENT_TIMER = 4,            // data: the timer id
    KEST_EVENT_RELEASE = 5,          // data: a string an earlier type 3 returned, or 0
    KEST_EVENT_DATABASE_CHANGE = 6,  // data: revertive_info*
    KEST_EVENT_INTEGER = 7,          // data: not read by this system
};

// The host object handed to the export. The plug-in never creates, copies or
// destroys it.
class kest_host_callback {
  public:
    // Slot 1: the host's own operation. Never called by the plug-in.
    virtual void hostOperation() = 0;

    // Slot 2: [host-thread] executes (code 0) or releases (code 5) `text`.
    // `text` is NUL-terminated and valid only during the call: the host copies what
    // it keeps. A reply returned for code 0 belongs to the host and stays readable
    // until the plug-in hands it back with code 5.
    virtual intptr_t command(const char* text, int32_t code) = 0;

  protected:
    ~kest_host_callback() = default;
};

// The panel object the export returns. The host owns it and ends it through the
// virtual destructor.
class kest_client_callback {
  public:
    // [host-thread] ends the panel; it sends its clean-up commands first.
    virtual ~kest_client_callback() = default;

    // [host-thread] delivers one event. Records behind `data` are the host's and
    // valid only during this call. Returns a string only for a parent request with a
    // non-empty answer; the plug-in allocated it and frees it when the host hands it
    // back with KEST_EVENT_RELEASE. Otherwise returns null.
    virtual char* callback(intptr_t data, int32_t type) = 0;
};

// Both directions of the interface carry pointers in `intptr_t` words: event data
// (types 1, 2, 3, 5 and 6) and the reply a query returns. This is where such a
// word is read back as a pointer, so that the conversion is written once; a null
// word gives a null pointer.
template <typename T>
T* kest_pointer_from_word(intptr_t word) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the interface carries pointers as words
    return reinterpret_cast<T*>(word);
}

// Capacity of revertive_info::text, the terminating NUL included.
constexpr std::size_t KEST_REVERTIVE_TEXT_CAPACITY = 256;

// Event record of types 1 and 6, filled and owned by the host.
struct revertive_info {
    int32_t device;                           // device the event is about
    int32_t database;                         // database number (read for database changes)
    int32_t index;                            // slot, input, destination or database entry
    int32_t value;                            // numeric value: a router source, an input state, ...
    char text[KEST_REVERTIVE_TEXT_CAPACITY];  // slot content or new name
};

// Event record of type 2, filled and owned by the host.
struct button_info {
    int32_t reserved[3];      // the host's; never read by the plug-in
    const char* id;           // id of the control that produced the event
    parsed_request* request;  // the host's parse of the text the event carries
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(revertive_info, device) == 0, "host layout: device at 0");
static_assert(offsetof(revertive_info, database) == 4, "host layout: database at 4");
static_assert(offsetof(revertive_info, index) == 8, "host layout: index at 8");
static_assert(offsetof(revertive_info, value) == 12, "host layout: value at 12");
static_assert(offsetof(revertive_info, text) == 16, "host layout: text at 16");
static_assert(offsetof(button_info, id) == 12, "host layout: id at 12");
static_assert(offsetof(button_info, request) == 16, "host layout: request at 16");
#endif

// Views: what a handler receives. Each holds the record pointer and lives in the
// dispatcher's stack frame for the one callback; accessors copy out of the record.

class revertive_event {
  public:
    explicit revertive_event(revertive_info* info) : info(info) {}
    // The record's text, read no further than the array even without a NUL.
    kest_string text() const;

    revertive_info* info;
};

class button_event {
  public:
    explicit button_event(button_info* info) : info(info) {}
    kest_string id() const;  // a null id reads as ""
    // The request's name and value. A null request counts as an empty request.
    kest_string requestName() const;
    kest_string requestValue() const;

    button_info* info;
};

class request_event {
  public:
    explicit request_event(parsed_request* request) : request(request) {}
    kest_string name() const;
    kest_string value() const;

    parsed_request* request;
};

// The export every panel plug-in provides: [host-thread] makes the one panel object,
// which has sent its start-up commands by the time this returns; null when no
// object could be made. The host owns the result. `path` is the directory of the
// panel layout files and is copied. Exported undecorated; nothing else is.
#if defined(KEST_PLUGIN_BUILDING) && defined(_WIN32)
#define KEST_PLUGIN_EXPORT __declspec(dllexport)
#elif defined(KEST_PLUGIN_BUILDING)
#define KEST_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define KEST_PLUGIN_EXPORT
#endif

extern "C" KEST_PLUGIN_EXPORT kest_client_callback* load_kest_client_script(
    kest_host_callback* host, const char* path);

// The type a host resolves the export as.
using load_kest_client_script_fn = kest_client_callback* (*)(kest_host_callback*, const char*);
