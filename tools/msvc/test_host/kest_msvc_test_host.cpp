// A minimal host for the panel plug-in, built in MSVC mode by the win32-msvc preset
// and run under Wine: it loads the DLL as a host built with Visual C++ does, drives
// start-up, one GPI press and its release, and deletes the panel through its
// virtual destructor (slot 0 of the MSVC virtual table). Every command the panel
// sends goes through slot 1 of the host object, every event through slot 1 of the
// panel's, so a wrong slot or calling convention shows as a crash or a missing
// command.
//
// Plain C++ with fixed arrays and no standard containers: the stand-in runtime of
// this build has no C++ library beyond allocation. The same source also builds
// natively (dlopen), where the default test suite runs it against the native
// plug-in to keep the expected command stream true to the panel.
//
// Exit status 0 when every expectation held, 1 otherwise; each failure is printed.
#include <cstdio>
#include <cstring>

#include "kest_interfaces.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#ifndef KEST_TEST_HOST_PLUGIN
#define KEST_TEST_HOST_PLUGIN "Tavrin.dll"
#endif

namespace {

int failures = 0;

void fail(const char* what, const char* detail) {
    char line[512];
    std::snprintf(line, sizeof line, "FAILED: %s%s%s", what, detail[0] != '\0' ? ": " : "", detail);
    std::puts(line);
    ++failures;
}

// The devices of the scenario: router 12, tally infodriver 30, GPI inputs 17..24
// of device 40.
constexpr int32_t kRouter = 12;
constexpr int32_t kTally = 30;
constexpr int32_t kGpi = 40;
constexpr int32_t kFirstInput = 17;

class TestHost final : public kest_host_callback {
  public:
    void hostOperation() override { fail("the plug-in called the host's slot 0", ""); }

    intptr_t command(const char* text, int32_t code) override {
        if (text == nullptr && code != KEST_COMMAND_RELEASE) {
            fail("a null command text", "");
            return 0;
        }
        if (code == KEST_COMMAND_RELEASE) {
            release(text);
            return 0;
        }
        if (code != KEST_COMMAND_EXECUTE) {
            fail("an unknown command code", text);
            return 0;
        }
        record(text);
        if (std::strncmp(text, "SD ", 3) == 0) {
            if (std::strcmp(text, "SD 'Vesk SDI Router'") == 0) {
                return reply("12 0");
            }
            if (std::strcmp(text, "SD 'Vesk Tally Infodriver'") == 0) {
                return reply("30 0");
            }
            if (std::strcmp(text, "SD 'LD Button 1'") == 0) {
                return reply("40 17");
            }
            return 0;
        }
        if (std::strncmp(text, "RN ", 3) == 0) {
            return reply("Cam");
        }
        if (std::strncmp(text, "PS ", 3) == 0) {
            return 1;
        }
        return 0;
    }

    // Starts a step: `expectSent` looks at the commands sent from here on.
    void beginStep() { stepStart = count; }

    void expectSent(const char* expected) {
        for (int i = stepStart; i < count; ++i) {
            if (std::strcmp(commands[i], expected) == 0) {
                return;
            }
        }
        fail("command not sent", expected);
    }

    void expectLast(const char* expected) {
        if (count == 0 || std::strcmp(commands[count - 1], expected) != 0) {
            fail("last command", expected);
        }
    }

    void expectAllReleased() {
        for (const Reply& r : replies) {
            if (r.out) {
                fail("reply never handed back", r.text);
            }
        }
    }

    int commandCount() const { return count; }

  private:
    static constexpr int kMaxCommands = 256;
    static constexpr int kCommandLength = 128;
    static constexpr int kMaxReplies = 8;

    struct Reply {
        char text[32];
        bool out;
    };

    void record(const char* text) {
        if (count == kMaxCommands) {
            fail("too many commands", text);
            return;
        }
        std::snprintf(commands[count++], kCommandLength, "%s", text);
    }

    intptr_t reply(const char* text) {
        for (Reply& r : replies) {
            if (!r.out) {
                std::snprintf(r.text, sizeof r.text, "%s", text);
                r.out = true;
                return reinterpret_cast<intptr_t>(r.text);
            }
        }
        fail("more replies outstanding than the host keeps", text);
        return 0;
    }

    void release(const char* text) {
        if (text == nullptr) {
            return;
        }
        for (Reply& r : replies) {
            if (text == r.text) {
                if (!r.out) {
                    fail("reply handed back twice", r.text);
                }
                r.out = false;
                return;
            }
        }
        fail("handed back a pointer that is no reply", "");
    }

    char commands[kMaxCommands][kCommandLength] = {};
    int count = 0;
    int stepStart = 0;
    Reply replies[kMaxReplies] = {};
};

void deliver(kest_client_callback* panel, int32_t device, int32_t index, int32_t value,
             const char* text) {
    revertive_info info = {};
    info.device = device;
    info.index = index;
    info.value = value;
    std::snprintf(info.text, sizeof info.text, "%s", text);
    if (panel->callback(reinterpret_cast<intptr_t>(&info), KEST_EVENT_REVERTIVE) != nullptr) {
        fail("a revertive returned a string", "");
    }
}

void drive(TestHost& host, load_kest_client_script_fn load) {
    host.beginStep();
    kest_client_callback* panel = load(&host, ".");
    if (panel == nullptr) {
        fail("load_kest_client_script returned null", "");
        return;
    }
    host.expectSent("SD 'Vesk SDI Router'");
    host.expectSent("SD 'LD Button 1'");
    host.expectSent("ET 2 1000");
    host.expectSent("IR 30 61 69");
    host.expectSent("GR 40 17 24");

    // The tally names source 8 for button 2 and destination 3 for the monitor,
    // which shows source 4.
    host.beginStep();
    deliver(panel, kTally, 62, 0, "8");
    deliver(panel, kTally, 69, 0, "3");
    deliver(panel, kRouter, 3, 4, "");
    host.expectSent("ET 2");
    host.expectSent("RR 12 3 3");

    host.beginStep();
    deliver(panel, kGpi, kFirstInput + 1, 1, "");  // press 2
    host.expectSent("TP 'statesheet=Ryx_TakeHigh' '1' '2'");
    host.expectSent("RC 12 8 3 ',' 0");
    deliver(panel, kRouter, 3, 8, "");

    host.beginStep();
    deliver(panel, kGpi, kFirstInput + 1, 0, "");  // release 2
    host.expectSent("TP 'statesheet=RyxGroupDeselected' '1' '2'");
    host.expectSent("RC 12 4 3 ',' 0");

    // Through slot 0: the scalar deleting destructor under MSVC.
    host.beginStep();
    delete panel;
    host.expectSent("RU 12");
    host.expectLast("AS");
    host.expectAllReleased();
}

}  // namespace

int main() {
    TestHost host;
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(KEST_TEST_HOST_PLUGIN);
    if (module == nullptr) {
        fail("cannot load", KEST_TEST_HOST_PLUGIN);
        return 1;
    }
    auto load = reinterpret_cast<load_kest_client_script_fn>(
        reinterpret_cast<void*>(GetProcAddress(module, "load_kest_client_script")));
#else
    void* module = dlopen(KEST_TEST_HOST_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        fail("cannot load", dlerror());
        return 1;
    }
    auto load =
        reinterpret_cast<load_kest_client_script_fn>(dlsym(module, "load_kest_client_script"));
#endif
    if (load == nullptr) {
        fail("no export load_kest_client_script in", KEST_TEST_HOST_PLUGIN);
        return 1;
    }
    drive(host, load);
#if defined(_WIN32)
    FreeLibrary(module);
#else
    dlclose(module);
#endif

    char summary[128];
    std::snprintf(summary, sizeof summary, "%d commands; %s", host.commandCount(),
                  failures == 0 ? "start-up, press, release and delete passed" : "FAILED");
    std::puts(summary);
    return failures == 0 ? 0 : 1;
}
