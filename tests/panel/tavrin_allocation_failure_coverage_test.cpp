// The panel when memory runs out: the reply rule still holds and nothing escapes
// into the host. The program replaces operator new so that one allocation can be
// made to fail on purpose; the built plug-in, loaded as the host loads it, takes
// its allocations from this program's operator new like every other library.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "Tavrin.h"
#include "kest_interfaces.h"
#include "plugin_library.h"
#include "replaced_allocator.h"

namespace {

// The next allocation of at least this many bytes fails; 0 is off.
std::size_t& failFrom = kest_test::allocations.failFrom;

kest_client_callback* loadPanel(kest_host_callback* host, const char* path) {
    static plugin_library library(KEST_TAVRIN_PATH);
    if (!library.loaded()) {
        ADD_FAILURE() << library.error();
        return nullptr;
    }
    return library.factory()(host, path);
}

// Answers the three lookups as the demo host does; one query, chosen by its text,
// gets a reply too long for the plug-in's inline storage, and the copy of that
// reply is made to fail. Replies are static: the host allocates nothing.
class starving_host : public kest_host_callback {
  public:
    explicit starving_host(std::string starvedQuery) : starved_(std::move(starvedQuery)) {
        longReply_.assign(1000, 'n');
    }

    std::vector<std::string> commands;
    std::vector<const char*> releases;
    const char* starvedReply() const { return longReply_.c_str(); }

    void hostOperation() override {}

    intptr_t command(const char* text, int32_t code) override {
        if (code == KEST_COMMAND_RELEASE) {
            releases.push_back(text);
            return 0;
        }
        commands.emplace_back(text);
        const std::string command(text);
        if (command == starved_) {
            failFrom = longReply_.size();
            return reinterpret_cast<intptr_t>(longReply_.c_str());
        }
        if (command == "SD 'Vesk SDI Router'") {
            return reinterpret_cast<intptr_t>("12 0");
        }
        if (command == "SD 'Vesk Tally Infodriver'") {
            return reinterpret_cast<intptr_t>("30 0");
        }
        if (command == "SD 'LD Button 1'") {
            return reinterpret_cast<intptr_t>("40 17");
        }
        return command.compare(0, 3, "PS ") == 0 ? 1 : 0;
    }

    int releasesOf(const char* reply) const {
        int count = 0;
        for (const char* released : releases) {
            count += released == reply ? 1 : 0;
        }
        return count;
    }

  private:
    std::string starved_;
    std::string longReply_;
};

revertive_info tallySlot(int32_t slot, const char* text) {
    revertive_info record{};
    record.device = 30;
    record.index = slot;
    std::strncpy(record.text, text, sizeof(record.text) - 1);
    return record;
}

TEST(out_of_memory, a_reply_that_cannot_be_copied_is_still_handed_back_once) {
    starving_host host("RN 12 0 5");
    kest_client_callback* panel = loadPanel(&host, "/panels");
    ASSERT_NE(panel, nullptr);

    revertive_info slot = tallySlot(61, "5");
    EXPECT_EQ(panel->callback(reinterpret_cast<intptr_t>(&slot), KEST_EVENT_REVERTIVE), nullptr);
    EXPECT_EQ(failFrom, 0u) << "the reply was never copied";
    EXPECT_EQ(host.releasesOf(host.starvedReply()), 1);

    // The panel goes on: the next slot is handled in full.
    host.commands.clear();
    revertive_info next = tallySlot(62, "6");
    panel->callback(reinterpret_cast<intptr_t>(&next), KEST_EVENT_REVERTIVE);
    EXPECT_EQ(host.commands, (std::vector<std::string>{"RN 12 0 6", "TP 'text=6' '1' '12'",
                                                       "TP 'text=' '1' '22'"}));
    delete panel;
    EXPECT_EQ(host.commands.back(), "AS");
}

TEST(out_of_memory, a_lookup_reply_that_cannot_be_copied_counts_as_none_and_start_up_goes_on) {
    // Nothing may be thrown across the framework's DLL boundary; a reply that cannot
    // be copied whole is handed back and the lookup acts as if there were no reply.
    starving_host host("SD 'Vesk Tally Infodriver'");
    kest_client_callback* panel = loadPanel(&host, "/panels");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(failFrom, 0u) << "the reply was never copied";
    EXPECT_EQ(host.releasesOf(host.starvedReply()), 1);
    EXPECT_NE(std::find(host.commands.begin(), host.commands.end(), "TP 'text=0' '1' 'ID_ID'"),
              host.commands.end());
    EXPECT_EQ(host.commands.back(), "GP 40 17 24");
    delete panel;
}

TEST(out_of_memory, no_room_for_the_panel_gives_null_and_sends_nothing) {
    starving_host host("");
    failFrom = sizeof(Tavrin);
    EXPECT_EQ(loadPanel(&host, "/panels"), nullptr);
    EXPECT_EQ(failFrom, 0u) << "the panel object was never allocated";
    EXPECT_TRUE(host.commands.empty());
    failFrom = 0;
}

}  // namespace
