// The panel's properties when memory runs out: a property that cannot be stored
// whole keeps its previous value (`myParam` here; `instance` is stored the same way
// but never reported, so nothing outside can see it), and an answer that cannot be made whole
// is given as none (null to the host), never cut. The panel is linked in whole so that the request
// can be parsed before the heap is made to refuse; the program replaces operator new.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Tavrin.h"
#include "parsed_request.h"
#include "replaced_allocator.h"

namespace {

bool& refuse = kest_test::allocations.refuseAll;

// No host: a property request sends nothing anyway.
class property_panel : public Tavrin {
  public:
    property_panel() : Tavrin(nullptr, "") {}

    // The handler alone, with the heap refusing while it runs.
    std::string handleStarved(const char* text) {
        parsed_request request(text);
        request_event event(&request);
        refuse = true;
        const kest_string answer = onParentRequest(&event);
        refuse = false;
        return std::string(answer);
    }

    // The whole way through the dispatcher, answer handed back.
    std::string ask(const char* text) {
        char* answer = callback(reinterpret_cast<intptr_t>(text), KEST_EVENT_PARENT_REQUEST);
        if (answer == nullptr) {
            return "<null>";
        }
        std::string copy(answer);
        callback(reinterpret_cast<intptr_t>(answer), KEST_EVENT_RELEASE);
        return copy;
    }
};

const std::string kLong(500, 'm');

TEST(tavrin_properties_out_of_memory, a_property_that_cannot_be_stored_whole_keeps_its_value) {
    property_panel panel;
    ASSERT_EQ(panel.ask("myParam=short"), "<null>");
    EXPECT_EQ(panel.handleStarved(("myParam=" + kLong).c_str()), "");
    EXPECT_EQ(panel.ask("return=myParam"), "myParam=short");

    // A value that fits the room the property already has is stored.
    EXPECT_EQ(panel.handleStarved("myParam.x=other"), "");
    EXPECT_EQ(panel.ask("return=all"), "myParam=other");

    // With the heap back the long value is stored and reported whole.
    panel.ask(("myParam=" + kLong).c_str());
    EXPECT_EQ(panel.ask("return=all"), "myParam=" + kLong);
}

TEST(tavrin_properties_out_of_memory, an_answer_that_cannot_be_made_whole_is_null) {
    property_panel panel;
    panel.ask(("myParam=" + kLong).c_str());
    // No answer rather than a cut one, or one holding its template's marker.
    EXPECT_EQ(panel.handleStarved("return=all"), "");
    EXPECT_EQ(panel.handleStarved("return=myParam"), "");

    // Through the dispatcher: the request is parsed, then the answer's room is
    // refused; the host gets null rather than a cut "myParam=mmm...".
    kest_test::allocations.failFrom = kLong.size();
    EXPECT_EQ(panel.ask("return=all"), "<null>");
    EXPECT_EQ(kest_test::allocations.failFrom, 0u) << "the answer never asked for the heap";
    kest_test::allocations.failFrom = kLong.size();
    EXPECT_EQ(panel.ask("return=myParam"), "<null>");
    kest_test::allocations.failFrom = 0;

    // Short answers need no heap at all.
    EXPECT_EQ(panel.handleStarved("_events"), "notify=*");
}

}  // namespace
