// kest_script_helper: the base class of every panel.
//
// It stores the host object and the layout directory, dispatches the host's events
// to the panel's handlers, and offers the operations through which a panel acts:
// commands (fire and forget), queries (send, copy the reply, hand it back) and the
// alarm group take-over. Every operation is [host-thread] (kest_interfaces.h) and
// does nothing when `host` is null. When memory runs out, a command or query whose
// text cannot be built whole is not sent at all (a query then acts as if there were
// no reply); a cut text never reaches the host.
//
// Command text grammar (kest_command_grammar.h has the per-command forms):
//
//   command = code *( SP argument )
//   code    = 2UPALPHA
//   number  = [ "-" ] 1*DIGIT                 ; plain decimal, no leading zeros
//   text    = "'" *( any character but NUL ) "'"  ; nothing inside is escaped
//
// Reply rule: a reply is copied before anything else is done with it, handed back
// with KEST_COMMAND_RELEASE exactly once where each query says, and never touched
// afterwards. All of that happens in one private path.
#pragma once

#include <cstdint>

#include "kest_interfaces.h"
#include "kest_string.h"
#include "kest_stringlist.h"

class kest_script_helper : public kest_client_callback {
  public:
    // Stores `host` (may be null, not owned) and a copy of `path`. Sends nothing.
    kest_script_helper(kest_host_callback* host, const char* path);
    // Sends "AS" when `host` is not null, after the derived panel's clean-up.
    ~kest_script_helper() override;

    kest_script_helper(const kest_script_helper&) = delete;
    kest_script_helper& operator=(const kest_script_helper&) = delete;

    // The dispatcher for event types 1 to 7; any other type is ignored (null).
    char* callback(intptr_t data, int32_t type) override;

    // --- Commands ----------------------------------------------------------------

    // PS 'panel' 'file' or PS 'panel' 'path/file', then " 'extra'" when extra is not
    // empty. True without a host; otherwise whether the host's result is non-zero.
    bool panelShow(const kest_string& panel, const kest_string& file, const kest_string& extra);
    // TP 'property=value' 'panel' 'control'
    void textPut(const kest_string& property, const kest_string& value, const kest_string& panel,
                 const kest_string& control);
    // CH 'panel' 'control'
    void controlHide(const kest_string& panel, const kest_string& control);
    // RC device source destination ',text' 0|1
    void routerCrosspoint(int32_t device, int32_t source, int32_t destination,
                          const kest_string& text, bool flag);
    // RR/IR/GR device first last [ 'ADD' ]; RP/IP/GP device first last; RU/IU/GU device
    void routerRegister(int32_t device, int32_t first, int32_t last, bool add);
    void routerPoll(int32_t device, int32_t first, int32_t last);
    void routerUnregister(int32_t device);
    void infodriverRegister(int32_t device, int32_t first, int32_t last, bool add);
    void infodriverPoll(int32_t device, int32_t first, int32_t last);
    void infodriverUnregister(int32_t device);
    void gpiRegister(int32_t device, int32_t first, int32_t last, bool add);
    void gpiPoll(int32_t device, int32_t first, int32_t last);
    void gpiUnregister(int32_t device);
    // ET id ms, or ET id when ms is 0 (which is also the stop).
    void timerStart(int32_t id, int32_t ms);
    void timerStop(int32_t id);

    // --- Queries -----------------------------------------------------------------

    // SD 'instance'. Clears the outputs given (either may be null), then fills them
    // from tokens 0 and 1 of the reply. True when the host gave a reply at all.
    bool deviceLookup(kest_string instance, int* device, int* offset);
    // RN device database index. A reply replaces `name`; no reply leaves it. The
    // reply is handed back in every case once the host was asked, null included.
    void routerName(int32_t device, int32_t database, int32_t index, kest_string& name);
    // XI 'panel' 'pattern'. The reply's ids split at ","; empty without a reply.
    kest_stringlist controlIdList(const kest_string& panel, const kest_string& pattern);
    // TG 'panel' 'control' 'property'. `result` is always assigned: the value when the
    // reply names `property`, the whole reply for "all", otherwise empty (and a trace).
    void textGet(const kest_string& property, const kest_string& panel, const kest_string& control,
                 kest_string& result);

    // Fills %1..%9 of `format` with the nine values in order and writes the text to
    // the platform's debug output. Needs no host.
    void debugTrace(const kest_string& format, const kest_string& value1, const kest_string& value2,
                    const kest_string& value3, const kest_string& value4, const kest_string& value5,
                    const kest_string& value6, const kest_string& value7, const kest_string& value8,
                    const kest_string& value9);

    // Applies one alarm state to every "alm_" control of panel "1".
    void alarmGroupApply(const kest_string& state);

  protected:
    // Handlers, called only by the dispatcher, one call per event. Views and the
    // records behind them are valid only until the handler returns.
    virtual void onButton(button_event* event) = 0;
    virtual void onRevertive(revertive_event* event) = 0;
    // The answer to a parent request; an empty answer reaches the host as null. An
    // answer that could not be made whole must be given as empty.
    virtual kest_string onParentRequest(request_event* request) = 0;
    virtual void onIntegerEvent(intptr_t* data);
    virtual void onTimer(int32_t id) = 0;
    virtual void onDatabaseChange(revertive_event* event);

    // Stores all of `value` (null: empty) in `property`; when memory runs out before
    // the whole text fits, `property` keeps its value and the result is false.
    static bool storeWhole(kest_string& property, const char* value);

    kest_host_callback* host;
    kest_string path;
    bool alarmHandling;
    // False when the layout folder could not be kept whole: layouts are refused.
    bool pathWhole;

  private:
    // The one place a command reaches the host: code 0, and the host's result.
    // Nothing is sent (result 0) without a host.
    intptr_t send(const char* text);
    // Sends a query and copies the reply into `reply`. False (and `reply` untouched)
    // without a host or without a reply; in both cases nothing is handed back unless
    // `releaseNull` asks for a null reply to be handed back too. A reply that cannot
    // be copied whole is handed back and also gives false, `reply` untouched.
    bool ask(const char* text, kest_string& reply, bool releaseNull);
    // Formats a printf-style command (one to three %d fields) on the stack and sends it.
    void sendFormatted(const char* format, int32_t first, int32_t second = 0, int32_t third = 0);
};
