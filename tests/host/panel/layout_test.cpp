#include "panel/layout.h"

#include <gtest/gtest.h>

#include <string>

namespace kest_host {
namespace {

TEST(layout, the_panels_layout_has_every_control_the_panel_writes) {
    layout l;
    std::string error;
    ASSERT_TRUE(read_layout(KEST_PANEL_LAYOUT, l, error)) << error;
    std::vector<std::string> ids;
    for (const auto& c : l.controls) {
        ids.push_back(c.id);
    }
    for (const char* id :
         {"ID_ID", "ID_Slots", "GPIDriverID", "GPIslots", "1", "8", "11", "18", "21", "28", "50",
          "51", "CurrentSDI_ID", "Current_Name", "AwaitGPI", "AwaitTallyInfo"}) {
        EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
    }
    const auto title = l.controls.front();
    EXPECT_EQ(title.kind, "caption");
    EXPECT_EQ(title.text, "Lighting director monitor selector");
}

TEST(layout, fields_and_trailing_text_are_read) {
    layout l;
    std::string error;
    ASSERT_TRUE(parse_layout("# c\n\n  x  button 3 4 8   Take   it  \r\n", "f", l, error)) << error;
    ASSERT_EQ(l.controls.size(), 1u);
    EXPECT_EQ(l.controls[0].id, "x");
    EXPECT_EQ(l.controls[0].column, 3);
    EXPECT_EQ(l.controls[0].row, 4);
    EXPECT_EQ(l.controls[0].width, 8);
    EXPECT_EQ(l.controls[0].text, "Take   it");
}

TEST(layout, malformed_lines_name_the_file_line_and_expectation) {
    const struct {
        const char* content;
        const char* error;
    } cases[] = {
        {"a label 1 2 3\nb knob 1 2 3\n", "f:2: expected a kind"},
        {"a label 1 2\n", "f:1: expected column, row and width"},
        {"a label 1 x 3\n", "f:1: expected column, row and width"},
        {"a label 1 2 0\n", "f:1: expected column, row and width"},
        {"a label 1 2 99999\n", "f:1: expected column, row and width"},
        {"a label 1 2 3\na caption 0 0 1\n", "f:2: control id \"a\" is already used"},
        {"# only a comment\n", "f: holds no controls"},
    };
    for (const auto& c : cases) {
        layout l;
        std::string error;
        EXPECT_FALSE(parse_layout(c.content, "f", l, error)) << c.content;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got \"" << error << "\"";
    }
}

TEST(layout, a_missing_file_is_an_error_naming_it) {
    layout l;
    std::string error;
    EXPECT_FALSE(read_layout("/nonexistent/dir/x.kest_ui", l, error));
    EXPECT_EQ(error, "cannot read layout /nonexistent/dir/x.kest_ui: No such file or directory");
}

}  // namespace
}  // namespace kest_host
