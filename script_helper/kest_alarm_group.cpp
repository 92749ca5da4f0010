// The alarm group take-over: one alarm state applied to every "alm_" control of
// panel "1".
#include "kest_script_helper.h"

namespace {

constexpr const char kAlarmPanel[] = "1";
constexpr const char kAlarmPattern[] = "alm_";
constexpr const char kAlarmProperty[] = "alarm";
constexpr const char kValueProperty[] = "value";

// The state code: what to write to "value".
constexpr int32_t kAcknowledge = 4;  // read "value" first, then maybe write 4
constexpr int32_t kNoValue = -1;     // write only "alarm"

// Values an acknowledgement leaves alone.
bool keptOnAcknowledge(int value) {
    return value == 0 || (value >= 2 && value <= 5);
}

}  // namespace

void kest_script_helper::alarmGroupApply(const kest_string& state) {
    int32_t code = kNoValue;
    if (state == "ack") {
        code = kAcknowledge;
    } else if (state.length() == 1) {
        code = state.toInt();
    }

    const kest_stringlist ids = controlIdList(kAlarmPanel, kAlarmPattern);
    for (kest_stringlistIterator it = ids.begin(); it != ids.end(); ++it) {
        const kest_string& id = *it;
        textPut(kAlarmProperty, state, kAlarmPanel, id);
        if (code == kAcknowledge) {
            kest_string current;
            textGet(kValueProperty, kAlarmPanel, id, current);
            if (!keptOnAcknowledge(current.toInt())) {
                textPut(kValueProperty, kest_string(kAcknowledge, 0, 0, 10), kAlarmPanel, id);
            }
        } else if (code != kNoValue) {
            textPut(kValueProperty, kest_string(code, 0, 0, 10), kAlarmPanel, id);
        }
    }
}
