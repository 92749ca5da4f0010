// Tavrin.dll as a host sees it: loaded with LoadLibrary, the factory found by its
// plain name, and a short life driven through the virtual tables across the module
// boundary. Records are built here, by another compiler invocation than the one that
// built the plug-in, so a layout or calling-convention mismatch shows up as a wrong
// command or a crash.
#include "kest_interfaces.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string moduleDirectory() {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path(buffer, length);
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// A host that records every command, answers the queries the panel makes from
// tables, and checks that each reply comes back exactly once.
class recording_host final : public kest_host_callback {
  public:
    void hostOperation() override { ++hostOperationCalls; }

    intptr_t command(const char* text, int32_t code) override {
        if (code == KEST_COMMAND_RELEASE) {
            release(text);
            return 0;
        }
        if (text == nullptr) {
            faults.push_back("command with a null text");
            return 0;
        }
        if (closed) {
            faults.push_back(std::string("command after the end: ") + text);
        }
        sent.emplace_back(text);
        const std::string command(text);
        if (command.rfind("PS ", 0) == 0) {
            return 1;
        }
        const auto answer = replies.find(command);
        if (answer == replies.end()) {
            return 0;
        }
        outstanding.push_back(answer->second);
        return reinterpret_cast<intptr_t>(outstanding.back().c_str());
    }

    bool sentCommand(const std::string& text) const {
        return std::find(sent.begin(), sent.end(), text) != sent.end();
    }

    std::map<std::string, std::string> replies;
    std::vector<std::string> sent;
    std::vector<std::string> faults;
    std::list<std::string> outstanding;  // replies handed out and not yet back
    int hostOperationCalls = 0;
    bool closed = false;

  private:
    void release(const char* reply) {
        if (reply == nullptr) {
            return;  // the name query hands back a null reply too
        }
        const auto it = std::find_if(outstanding.begin(), outstanding.end(),
                                     [reply](const std::string& s) { return s.c_str() == reply; });
        if (it == outstanding.end()) {
            faults.push_back("release of a reply that is not outstanding");
            return;
        }
        outstanding.erase(it);
    }
};

class win32_plugin_binary : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string path = moduleDirectory() + "\\Tavrin.dll";
        module = LoadLibraryA(path.c_str());
        ASSERT_NE(module, nullptr)
            << "LoadLibrary(" << path << ") failed, error " << GetLastError();
        // FARPROC to the factory's type; through void* so that no function-type cast
        // warning fires.
        factory = reinterpret_cast<load_kest_client_script_fn>(
            reinterpret_cast<void*>(GetProcAddress(module, "load_kest_client_script")));
    }
    void TearDown() override {
        if (module != nullptr) {
            EXPECT_TRUE(FreeLibrary(module));
        }
    }

    char* deliver(kest_client_callback* panel, intptr_t data, int32_t type) {
        return panel->callback(data, type);
    }

    HMODULE module = nullptr;
    load_kest_client_script_fn factory = nullptr;
};

TEST_F(win32_plugin_binary, factory_is_found_by_its_plain_name_and_pulls_in_the_framework) {
    ASSERT_NE(factory, nullptr);
    // Neither the cdecl nor the stdcall decoration may be what the host has to ask for.
    EXPECT_EQ(GetProcAddress(module, "_load_kest_client_script"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "load_kest_client_script@8"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "_load_kest_client_script@8"), nullptr);
    // The framework libraries are found beside the plug-in.
    EXPECT_NE(GetModuleHandleA("kest_string.dll"), nullptr);
    EXPECT_NE(GetModuleHandleA("kest_config.dll"), nullptr);
}

TEST_F(win32_plugin_binary, start_up_events_answers_and_shutdown_cross_the_module_boundary) {
    ASSERT_NE(factory, nullptr);
    recording_host host;
    host.replies = {
        {"SD 'Vesk SDI Router'", "10 0"},
        {"SD 'Vesk Tally Infodriver'", "20 0"},
        {"SD 'LD Button 1'", "30 100"},
        {"RN 10 0 7", "Camera 7"},
    };

    const std::string layouts = moduleDirectory();
    kest_client_callback* panel = factory(&host, layouts.c_str());
    ASSERT_NE(panel, nullptr);

    // Start-up happened inside the factory, with the devices the replies named.
    ASSERT_FALSE(host.sent.empty());
    EXPECT_EQ(host.sent.front().rfind("PS '1' '", 0), 0u) << host.sent.front();
    EXPECT_NE(host.sent.front().find("LD_Auto.kest_ui"), std::string::npos);
    EXPECT_TRUE(host.sentCommand("ET 2 1000"));
    EXPECT_TRUE(host.sentCommand("IR 20 61 69"));
    EXPECT_TRUE(host.sentCommand("GR 30 100 107"));
    EXPECT_TRUE(host.outstanding.empty()) << "start-up left replies unreleased";

    // A GPI revertive for input 3: index and value are read at the host's offsets.
    revertive_info gpi{};
    gpi.device = 30;
    gpi.index = 102;
    gpi.value = 1;
    host.sent.clear();
    EXPECT_EQ(deliver(panel, reinterpret_cast<intptr_t>(&gpi), KEST_EVENT_REVERTIVE), nullptr);
    EXPECT_TRUE(host.sentCommand("CH '1' 'AwaitGPI'"));
    EXPECT_TRUE(host.sentCommand("TP 'statesheet=Ryx_TakeHigh' '1' '3'"));

    // A tally revertive: the slot text is read from the record's array.
    revertive_info tally{};
    tally.device = 20;
    tally.index = 63;
    std::memcpy(tally.text, "7", 2);
    host.sent.clear();
    EXPECT_EQ(deliver(panel, reinterpret_cast<intptr_t>(&tally), KEST_EVENT_REVERTIVE), nullptr);
    EXPECT_TRUE(host.sentCommand("RN 10 0 7"));
    EXPECT_TRUE(host.sentCommand("TP 'text=7' '1' '13'"));
    EXPECT_TRUE(host.sentCommand("TP 'text=Camera 7' '1' '23'"));

    // An answer is allocated by the plug-in and must be freed by it, in its own heap.
    EXPECT_EQ(
        deliver(panel, reinterpret_cast<intptr_t>("myParam=studio"), KEST_EVENT_PARENT_REQUEST),
        nullptr);
    char* answer =
        deliver(panel, reinterpret_cast<intptr_t>("return=myParam"), KEST_EVENT_PARENT_REQUEST);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(answer, "myParam=studio");
    EXPECT_EQ(deliver(panel, reinterpret_cast<intptr_t>(answer), KEST_EVENT_RELEASE), nullptr);

    // The timer id travels in the data value; unknown types are ignored.
    host.sent.clear();
    EXPECT_EQ(deliver(panel, 2, KEST_EVENT_TIMER), nullptr);
    EXPECT_EQ(host.sent, std::vector<std::string>{"IP 20 61 69"});
    host.sent.clear();
    EXPECT_EQ(deliver(panel, 0, 8), nullptr);
    EXPECT_TRUE(host.sent.empty());

    // The host ends the panel through the virtual destructor; "AS" comes last.
    host.sent.clear();
    delete panel;
    host.closed = true;
    ASSERT_FALSE(host.sent.empty());
    EXPECT_EQ(host.sent.back(), "AS");
    EXPECT_TRUE(host.sentCommand("GU 30"));
    EXPECT_TRUE(host.sentCommand("IU 20"));
    EXPECT_EQ(std::count(host.sent.begin(), host.sent.end(), "AS"), 1);

    EXPECT_TRUE(host.outstanding.empty()) << host.outstanding.size() << " replies unreleased";
    EXPECT_TRUE(host.faults.empty()) << host.faults.front();
    EXPECT_EQ(host.hostOperationCalls, 0) << "slot 1 is the host's own and never called";
}

TEST_F(win32_plugin_binary, version_resource_names_the_panel_and_its_version) {
    char path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(module, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u) << "Tavrin.dll has no version resource";
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1, 0
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);  // 0, 1
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    const struct {
        const char* name;
        const char* expected;
    } strings[] = {
        {"InternalName", "Tavrin"}, {"OriginalFilename", "Tavrin"}, {"CompanyName", "Vesk"},
        {"FileVersion", "1.0.0.1"}, {"ProductVersion", "1.0.0.1"},
    };
    for (const auto& entry : strings) {
        const std::string key = std::string("\\StringFileInfo\\040904b0\\") + entry.name;
        char* value = nullptr;
        UINT valueLength = 0;
        ASSERT_TRUE(VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value),
                                   &valueLength))
            << entry.name << " is missing";
        EXPECT_STREQ(value, entry.expected) << entry.name;
    }
}

}  // namespace
