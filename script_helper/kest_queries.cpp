// The queries: each sends its text and reads the reply through `ask`, the one path
// that copies a reply and hands it back. A query whose text cannot be built whole
// is not sent, and one whose reply cannot be kept whole acts as if the host had not
// answered.
#include <cstring>

#include "decodeKESTString.h"
#include "kest_command_grammar.h"
#include "kest_debug_trace.h"
#include "kest_script_helper.h"
#include "kest_whole_text.h"

// NOLINTNEXTLINE(performance-unnecessary-value-param): the interface takes it by value
bool kest_script_helper::deviceLookup(kest_string instance, int* device, int* offset) {
    if (device != nullptr) {
        *device = 0;
    }
    if (offset != nullptr) {
        *offset = 0;
    }
    bool whole = true;
    const kest_string text =
        kest_whole::arg(kest_string(kest_command::kDeviceLookup), instance, whole);
    kest_string reply;
    if (!whole || !ask(text, reply, false)) {
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
    bool whole = true;
    const kest_string text = kest_whole::arg(
        kest_whole::arg(kest_whole::arg(kTemplate, device, whole), database, whole), index, whole);
    // `ask` replaces `name` only when there is a reply, and copies it straight in.
    if (whole) {
        ask(text, name, true);
    }
}

kest_stringlist kest_script_helper::controlIdList(const kest_string& panel,
                                                  const kest_string& pattern) {
    bool whole = true;
    const kest_string text = kest_whole::arg(
        kest_whole::arg(kest_string(kest_command::kControlIdList), panel, whole), pattern, whole);
    kest_string reply;
    if (!whole || !ask(text, reply, false)) {
        return kest_stringlist();
    }
    kest_stringlist ids(reply, ',');
    if (!kest_whole::splitWhole(ids, reply, ',')) {
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
    // Whole when it is as long as its pieces: a string that runs out of room keeps
    // the beginning of its text.
    if (text.length() != 4 + panel.length() + 3 + control.length() + 3 + property.length() + 1) {
        result = "";
        return;
    }
    if (property == "all") {
        // Straight into `result`: the whole reply, or empty without one.
        if (!ask(text, result, false)) {
            result = "";
        }
        return;
    }
    kest_string reply;
    if (!ask(text, reply, false)) {
        result = "";
        return;
    }
    // Reply: "property=value". The name is compared in place; only the value is
    // copied, whole or not at all.
    const char* answer = reply;
    const char* equals = std::strchr(answer, '=');
    const std::size_t nameLength = equals != nullptr ? static_cast<std::size_t>(equals - answer)
                                                     : static_cast<std::size_t>(reply.length());
    if (nameLength == static_cast<std::size_t>(property.length()) &&
        std::memcmp(answer, static_cast<const char*>(property), nameLength) == 0) {
        if (equals == nullptr || !kest_whole::store(result, equals + 1)) {
            result = "";
        }
        return;
    }
    kest_string name;
    kest_string value;
    reply.split('=', name, value);
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
