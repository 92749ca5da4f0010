// The queries: each sends its text and reads the reply through `ask`, the one path
// that copies a reply and hands it back. A query whose text cannot be built whole
// is not sent, and one whose reply cannot be kept whole acts as if the host had not
// answered.
#include "decodeKESTString.h"
#include "kest_command_grammar.h"
#include "kest_debug_trace.h"
#include "kest_script_helper.h"

bool kest_script_helper::deviceLookup(kest_string instance, int* device, int* offset) {
    if (device != nullptr) {
        *device = 0;
    }
    if (offset != nullptr) {
        *offset = 0;
    }
    const kest_string text = kest_string(kest_command::kDeviceLookup).arg(instance);
    kest_string reply;
    if (!text.complete() || !ask(text, reply, false)) {
        return false;
    }
    // Reply: "device offset ...", tokens quoted with "'". The numbers are read like
    // atoi, but clamped to the int range instead of overflowing.
    const decodeKESTString tokens(reply, '\'');
    if (device != nullptr) {
        *device = kest_string(tokens.tokens[0]).toInt();
    }
    if (offset != nullptr) {
        *offset = kest_string(tokens.tokens[1]).toInt();
    }
    return true;
}

void kest_script_helper::routerName(int32_t device, int32_t database, int32_t index,
                                    kest_string& name) {
    static const kest_string kTemplate(kest_command::kRouterName);
    const kest_string text =
        kTemplate.arg(device, 0, 0, 10).arg(database, 0, 0, 10).arg(index, 0, 0, 10);
    if (!text.complete()) {
        return;
    }
    // `ask` replaces `name` only when there is a reply, and copies it straight in.
    ask(text, name, true);
}

kest_stringlist kest_script_helper::controlIdList(const kest_string& panel,
                                                  const kest_string& pattern) {
    const kest_string text = kest_string(kest_command::kControlIdList).arg(panel).arg(pattern);
    kest_string reply;
    if (!text.complete() || !ask(text, reply, false)) {
        return kest_stringlist();
    }
    kest_stringlist ids(reply, ',');
    if (!ids.complete()) {
        return kest_stringlist();  // some ids were lost: as if there were no reply
    }
    return ids;
}

void kest_script_helper::textGet(const kest_string& property, const kest_string& panel,
                                 const kest_string& control, kest_string& result) {
    kest_string text("TG '");
    text += panel;
    text += "' '";
    text += control;
    text += "' '";
    text += property;
    text += "'";
    kest_string reply;
    if (!text.complete() || !ask(text, reply, false)) {
        result = "";
        return;
    }
    if (property == "all") {
        if (!result.assignWhole(reply)) {
            result = "";
        }
        return;
    }
    // Reply: "property=value".
    kest_string name;
    kest_string value;
    reply.split('=', name, value);
    if (!name.complete() || !value.complete()) {
        result = "";  // the reply could not be taken apart whole
        return;
    }
    if (name == property) {
        if (!result.assignWhole(value)) {
            result = "";
        }
        return;
    }
    debugTrace(
        "textGet: value returned \"%1\" was not the value requested \"%2\" (value returned was "
        "\"%3\" from control \"%4\", on panel \"%5\")",
        name, property, reply, control, panel, "", "", "", "");
    result = "";
}

void kest_script_helper::debugTrace(const kest_string& format, const kest_string& value1,
                                    const kest_string& value2, const kest_string& value3,
                                    const kest_string& value4, const kest_string& value5,
                                    const kest_string& value6, const kest_string& value7,
                                    const kest_string& value8, const kest_string& value9) {
    const kest_string text = formatDebugTrace(format, value1, value2, value3, value4, value5,
                                              value6, value7, value8, value9);
    writeDebugOutput(text);
}
