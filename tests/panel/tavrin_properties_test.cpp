// The parent's property requests and the answers handed back through release.
#include "tavrin_fixture.h"

#include <gmock/gmock.h>

namespace tavrin_test {
namespace {

using ::testing::IsEmpty;

class properties_test : public panel_test {
  protected:
    void SetUp() override {
        panel_test::SetUp();
        scriptDevices();
        start();
        sent();
    }

    struct exchange {
        const char* request;
        const char* answer;  // "<null>": no string reaches the host
    };

    void run(const std::vector<exchange>& exchanges) {
        for (const exchange& e : exchanges) {
            SCOPED_TRACE(e.request);
            EXPECT_EQ(ask(e.request), e.answer);
        }
    }
};

TEST_F(properties_test, requests_are_answered_in_table_order_and_send_nothing) {
    const std::vector<exchange> exchanges = {
        // Fresh panel: the free property is empty.
        {"return=all", "myParam="},
        {"return=myParam", "myParam="},
        {"myParam=two words", "<null>"},
        {"return=all", "myParam=two words"},
        {"return=myParam", "myParam=two words"},
        // Dots after the name are not part of it.
        {"return.x=all", "myParam=two words"},
        {"myParam.a.b=5", "<null>"},
        {"return=myParam", "myParam=5"},
        // Values that are not reported.
        {"return=instance", "<null>"},
        {"return=", "<null>"},
        {"return", "<null>"},
        {"return=ALL", "<null>"},
        {"RETURN=all", "<null>"},
        // The instance is stored only.
        {"instance=Studio B", "<null>"},
        {"instance=Studio B", "<null>"},
        {"return=instance", "<null>"},
        // The listings, whatever else the request carries.
        {"_events", "notify=*"},
        {"_events.x.y=anything", "notify=*"},
        {"_commands", "myParam=[value]"},
        {"_commands=5", "myParam=[value]"},
        // Unknown names and odd texts.
        {"notify=1", "<null>"},
        {"", "<null>"},
        {"=", "<null>"},
        {"...", "<null>"},
        // Without "=", myParam is emptied.
        {"myParam", "<null>"},
        {"return=all", "myParam="},
    };
    run(exchanges);
    EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(properties_test, stored_text_comes_back_exactly_without_substitution) {
    run({{"myParam=%1 %2 50% 'q' a=b", "<null>"},
         {"return=all", "myParam=%1 %2 50% 'q' a=b"},
         {"return=myParam", "myParam=%1 %2 50% 'q' a=b"}});
    const std::string longValue(4000, 'v');
    EXPECT_EQ(ask(("myParam=" + longValue).c_str()), "<null>");
    EXPECT_EQ(ask("return=all"), "myParam=" + longValue);
}

TEST_F(properties_test, a_null_request_is_an_empty_one) {
    EXPECT_EQ(panel->callback(0, KEST_EVENT_PARENT_REQUEST), nullptr);
    // A null release does nothing either.
    EXPECT_EQ(panel->callback(0, KEST_EVENT_RELEASE), nullptr);
    EXPECT_EQ(ask("return=all"), "myParam=");
}

TEST_F(properties_test, events_the_panel_does_not_use_are_ignored) {
    button_info button = {{0, 0, 0}, "AckAll", nullptr};
    EXPECT_EQ(panel->callback(reinterpret_cast<intptr_t>(&button), KEST_EVENT_BUTTON), nullptr);
    EXPECT_EQ(panel->callback(7, KEST_EVENT_INTEGER), nullptr);
    EXPECT_EQ(panel->callback(7, 0), nullptr);
    EXPECT_EQ(panel->callback(7, 8), nullptr);
    EXPECT_THAT(sent(), IsEmpty());
}

}  // namespace
}  // namespace tavrin_test
