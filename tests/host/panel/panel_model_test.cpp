// The panel model the layout file fills and the panel's commands change.
#include "panel/panel_model.h"

#include <gtest/gtest.h>

#include <string>

namespace kest_host {
namespace {

TEST(panel_model, a_second_show_starts_the_panel_afresh) {
    panel_model panels;
    std::string error;
    ASSERT_TRUE(panels.show("1", KEST_PANEL_LAYOUT, error)) << error;
    control_state* c = panels.control("1", "CurrentSDI_ID");
    ASSERT_NE(c, nullptr);
    c->set_property("text", "7");
    c->set_property("value", "3");
    c->hidden = true;
    EXPECT_EQ(c->all_properties(), "text=7,statesheet=,visible=0,value=3");
    EXPECT_EQ(c->property("visible"), "0");
    EXPECT_EQ(c->stored_property("visible"), "") << "only what TP wrote";
    ASSERT_TRUE(panels.show("1", KEST_PANEL_LAYOUT, error));
    EXPECT_EQ(panels.control("1", "CurrentSDI_ID")->property("value"), "");
    EXPECT_FALSE(panels.show("2", "/nonexistent.kest_ui", error));
    EXPECT_EQ(error, "cannot read layout /nonexistent.kest_ui: No such file or directory");
    EXPECT_EQ(panels.find("2"), nullptr);
}

}  // namespace
}  // namespace kest_host
