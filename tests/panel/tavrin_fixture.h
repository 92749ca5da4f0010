// A host's-eye fixture for the monitor selector panel: loads the built plug-in,
// scripts the three device lookups, and wraps the event records the host delivers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kest_interfaces.h"
#include "plugin_library.h"
#include "recording_host.h"

namespace tavrin_test {

// Devices and GPI offset the scripted host resolves.
constexpr int32_t kRouter = 7;
constexpr int32_t kTally = 12;
constexpr int32_t kGpi = 30;
constexpr int32_t kGpiFirst = 17;

// The plug-in, loaded once for the whole test program.
inline plugin_library& library() {
    static plugin_library loaded(KEST_TAVRIN_PATH);
    return loaded;
}

// The folder of the plug-in, which also holds its layout file.
inline std::string pluginDir() {
    const std::string file = KEST_TAVRIN_PATH;
    const std::size_t slash = file.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// Texts of the commands the panel sends, as the host receives them.
inline std::string tp(const std::string& control, const std::string& value,
                      const std::string& property = "text") {
    return "TP '" + property + "=" + value + "' '1' '" + control + "'";
}
inline std::string style(int button, bool high) {
    return tp(std::to_string(button), high ? "Ryx_TakeHigh" : "RyxGroupDeselected", "statesheet");
}
inline std::string rc(int32_t source, int32_t dest, int32_t router = kRouter) {
    return "RC " + std::to_string(router) + " " + std::to_string(source) + " " +
           std::to_string(dest) + " ',' 0";
}

class panel_test : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(library().loaded()) << library().error(); }

    void TearDown() override {
        destroy();
        EXPECT_TRUE(host.releasesBalanced())
            << "outstanding " << host.outstandingReplies() << ", double " << host.doubleReleases()
            << ", unknown " << host.unknownReleases();
    }

    void scriptDevices(const std::string& router = "7 0", const std::string& tally = "12 0",
                       const std::string& gpi = "30 17") {
        host.reply("SD 'Vesk SDI Router'", router);
        host.reply("SD 'Vesk Tally Infodriver'", tally);
        host.reply("SD 'LD Button 1'", gpi);
    }

    void start(kest_host_callback* to) {
        panel = library().factory()(to, pluginDir().c_str());
        ASSERT_NE(panel, nullptr);
    }
    void start() { start(&host); }

    void destroy() {
        delete panel;
        panel = nullptr;
    }

    // Commands sent since the last call.
    std::vector<std::string> sent() {
        std::vector<std::string> texts = host.commands();
        host.clear();
        return texts;
    }
    // Only the crosspoints among them.
    std::vector<std::string> crosspoints() {
        std::vector<std::string> found;
        for (const std::string& text : sent()) {
            if (text.compare(0, 3, "RC ") == 0) {
                found.push_back(text);
            }
        }
        return found;
    }

    // --- Events, as the host delivers them ------------------------------------------
    void revertive(int32_t device, int32_t index, int32_t value, const std::string& text = "",
                   int32_t database = 0) {
        deliver(KEST_EVENT_REVERTIVE, device, database, index, value, text);
    }
    void databaseChange(int32_t device, int32_t database, int32_t index, const std::string& name) {
        deliver(KEST_EVENT_DATABASE_CHANGE, device, database, index, 0, name);
    }
    // Input 1..8 of the GPI device.
    void input(int n, int32_t value) { revertive(kGpi, kGpiFirst + n - 1, value); }
    void slot(int32_t index, const std::string& text) { revertive(kTally, index, 0, text); }
    void routerReports(int32_t source, const std::string& name = "", int32_t dest = 5) {
        revertive(kRouter, dest, source, name);
    }
    void tick(int32_t id) {
        EXPECT_EQ(panel->callback(static_cast<intptr_t>(id), KEST_EVENT_TIMER), nullptr);
    }

    // A parent request and its answer, handed back to the plug-in as a host does.
    std::string ask(const char* text) {
        char* answer = panel->callback(reinterpret_cast<intptr_t>(text), KEST_EVENT_PARENT_REQUEST);
        if (answer == nullptr) {
            return "<null>";
        }
        std::string copy(answer);
        EXPECT_EQ(panel->callback(reinterpret_cast<intptr_t>(answer), KEST_EVENT_RELEASE), nullptr);
        return copy;
    }

    // Tally data for the usual run: button n has source 100 + n, the monitor is
    // destination 5, which the router reports holding source 100 ("Studio").
    void fillTally() {
        for (int32_t index = 61; index <= 68; ++index) {
            slot(index, std::to_string(index + 40));
        }
        slot(69, "5");
        routerReports(100, "Studio");
        for (int n = 1; n <= 8; ++n) {
            input(n, 0);
        }
        sent();
    }

    kest_test::recording_host host;
    kest_client_callback* panel = nullptr;

  private:
    void deliver(int32_t type, int32_t device, int32_t database, int32_t index, int32_t value,
                 const std::string& text) {
        // On the heap, so that a read past the record shows under the sanitizers.
        auto record = std::make_unique<revertive_info>();
        record->device = device;
        record->database = database;
        record->index = index;
        record->value = value;
        std::memset(record->text, 0, sizeof(record->text));
        std::memcpy(record->text, text.data(), std::min(text.size(), sizeof(record->text)));
        EXPECT_EQ(panel->callback(reinterpret_cast<intptr_t>(record.get()), type), nullptr);
    }
};

// A panel started against the scripted devices with the usual tally data (see
// fillTally), names answered as "Cam"; nothing sent yet since.
class started_panel_test : public panel_test {
  protected:
    void SetUp() override {
        panel_test::SetUp();
        scriptDevices();
        host.replyPrefix("RN 7 0 ", "Cam");
        start();
        fillTally();
    }
};

}  // namespace tavrin_test
