// test_panel: the smallest concrete panel. It records every handler call as one
// line of text, answers parent requests with a settable text, and can send a
// clean-up command from its destructor.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "kest_script_helper.h"

namespace kest_test {

// The items of a list, for comparing with a vector of texts.
inline std::vector<std::string> items(const kest_stringlist& list) {
    std::vector<std::string> out;
    for (kest_stringlistIterator it = list.begin(); it != list.end(); ++it) {
        out.emplace_back(static_cast<const char*>(*it));
    }
    return out;
}

class test_panel : public kest_script_helper {
  public:
    test_panel(kest_host_callback* host, const char* path) : kest_script_helper(host, path) {}
    ~test_panel() override {
        if (stopTimerOnExit) {
            timerStop(2);
        }
    }

    void setAlarmHandling(bool on) { alarmHandling = on; }
    std::string pathText() const { return static_cast<const char*>(path); }
    kest_host_callback* hostObject() const { return host; }

    std::vector<std::string> events;
    kest_string answer;
    bool stopTimerOnExit = false;
    bool throwFromHandlers = false;

  protected:
    void onButton(button_event* event) override {
        check();
        events.push_back("button " + std::string(event->id()));
    }
    void onRevertive(revertive_event* event) override {
        check();
        events.push_back("revertive " + describe(event));
    }
    kest_string onParentRequest(request_event* request) override {
        check();
        events.push_back("request " + std::string(request->name()) + " = " +
                         std::string(request->value()) + " parts " +
                         std::to_string(request->request->partCount) +
                         (request->request->hasValue ? " has value" : " no value"));
        return answer;
    }
    void onIntegerEvent(intptr_t* data) override {
        check();
        events.push_back("integer " + std::to_string(*data));
    }
    void onTimer(int32_t id) override {
        check();
        events.push_back("timer " + std::to_string(id));
    }
    void onDatabaseChange(revertive_event* event) override {
        check();
        events.push_back("database " + describe(event));
    }

  private:
    static std::string describe(revertive_event* event) {
        const revertive_info& info = *event->info;
        return std::to_string(info.device) + " " + std::to_string(info.database) + " " +
               std::to_string(info.index) + " " + std::to_string(info.value) + " '" +
               std::string(event->text()) + "'";
    }
    void check() const {
        if (throwFromHandlers) {
            throw std::runtime_error("handler failed");
        }
    }
};

}  // namespace kest_test
