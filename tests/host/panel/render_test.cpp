#include "panel/render.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checks/validator.h"
#include "common/display_width.h"
#include "plugin/sim_host.h"

namespace kest_host {
namespace {

class silent_client : public kest_client_callback {
  public:
    char* callback(intptr_t, int32_t) override { return nullptr; }
};

class render_test : public ::testing::Test {
  protected:
    render_test() : host(checks) {
        router* r = host.world().add_router(12);
        r->names[0][6] = "Cam 6";
        r->names[1][3] = "LD Monitor";
        host.attach(new silent_client);
        host.command("PS '1' '" KEST_PANEL_DIR "/LD_Auto.kest_ui'", 0);
    }

    std::string line_with(const std::string& drawing, const std::string& label) {
        const auto at = drawing.find("| " + label);
        return at == std::string::npos ? "" : drawing.substr(at, drawing.find('\n', at) - at);
    }

    validator checks;
    sim_host host;
};

TEST_F(render_test, buttons_show_their_style_and_labels_their_text) {
    host.command("TP 'statesheet=RyxGroupDeselected' '1' '1'", 0);
    host.command("TP 'statesheet=Ryx_TakeHigh' '1' '2'", 0);
    host.command("TP 'text=6' '1' '12'", 0);
    host.command("TP 'text=Cam 6 with a long name' '1' '22'", 0);
    const std::string drawing = render_panel(host.panels(), host.world(), "1", render_options{});
    EXPECT_EQ(line_with(drawing, "Input"),
              "| Input        [ 1 ]   [*2*]   ( 3 )    ( 4 )   ( 5 )   ( 6 )   ( 7 )   ( 8 )")
        << "the layout is narrowed to 80 columns";
    EXPECT_EQ(line_with(drawing, "Source"), "| Source               6");
    EXPECT_EQ(line_with(drawing, "Name"), "| Name                 Cam 6 \xE2\x80\xA6")
        << "a text is cut at its control's width, and marked";
    EXPECT_EQ(drawing.find('\033'), std::string::npos) << "no colour unless asked";
}

TEST_F(render_test, utf8_is_drawn_whole_and_every_line_fits_80_columns) {
    host.command("TP 'text=K\xC3\xA4mer\xC3\xA4\xC3\xA4\xC3\xA4' '1' '21'", 0);
    host.command("TP 'text=\xE6\x98\xA0\xE5\x83\x8F\xE6\x98\xA0\xE5\x83\x8F' '1' '22'", 0);
    host.command("TP 'text=Playout A' '1' '23'", 0);
    host.command("TP 'text=a\x1B[2Jb' '1' '24'", 0);
    host.command("TP 'text=2147483647' '1' '11'", 0);
    render_options colour;
    colour.color = true;
    render_options ascii;
    ascii.cut_marker = "~";
    for (const auto& options : {render_options{}, colour, ascii}) {
        const std::string drawing = render_panel(host.panels(), host.world(), "1", options);
        std::size_t start = 0;
        for (auto end = drawing.find('\n'); end != std::string::npos;
             start = end + 1, end = drawing.find('\n', start)) {
            std::string line = drawing.substr(start, end - start);
            for (auto esc = line.find('\033'); esc != std::string::npos; esc = line.find('\033')) {
                line.erase(esc, line.find('m', esc) - esc + 1);  // colour takes no column
            }
            EXPECT_LE(display_width(line), 80u) << line;
        }
        EXPECT_NE(drawing.find("input high (Ryx_TakeHigh)"), std::string::npos)
            << "the legend is there in colour too";
        EXPECT_NE(drawing.find("(LD_Auto.kest_ui)"), std::string::npos);
        EXPECT_EQ(drawing.find(KEST_PANEL_DIR), std::string::npos)
            << "the file's name, not its path";
    }
    const std::string drawing = render_panel(host.panels(), host.world(), "1", render_options{});
    const std::string names = line_with(drawing, "Name");
    EXPECT_NE(names.find("K\xC3\xA4mer\xC3\xA4\xE2\x80\xA6"), std::string::npos) << names;
    EXPECT_NE(names.find("\xE6\x98\xA0\xE5\x83\x8F\xE6\x98\xA0\xE2\x80\xA6"), std::string::npos)
        << "wide characters take two columns: " << names;
    EXPECT_NE(names.find("Playout\xE2\x80\xA6"), std::string::npos) << names;
    EXPECT_NE(names.find("a\\x1B[\xE2\x80\xA6"), std::string::npos) << "no raw escape: " << names;
    EXPECT_EQ(drawing.find('\033'), std::string::npos);
    EXPECT_NE(line_with(drawing, "Source").find("214748\xE2\x80\xA6"), std::string::npos);
    const std::string plain = render_panel(host.panels(), host.world(), "1", ascii);
    EXPECT_NE(line_with(plain, "Name").find("Playout~"), std::string::npos);
}

TEST_F(render_test, hidden_indicators_disappear_and_the_monitor_route_is_shown) {
    std::string drawing = render_panel(host.panels(), host.world(), "1", render_options{});
    EXPECT_NE(drawing.find("Waiting for GPI inputs"), std::string::npos);
    EXPECT_EQ(drawing.find("router 12"), std::string::npos) << "nothing registered yet";
    host.command("CH '1' 'AwaitGPI'", 0);
    host.command("RR 12 3 3", 0);
    host.command("RC 12 6 3 ',' 0", 0);
    drawing = render_panel(host.panels(), host.world(), "1", render_options{});
    EXPECT_EQ(drawing.find("Waiting for GPI inputs"), std::string::npos);
    EXPECT_NE(drawing.find("Waiting for tally information"), std::string::npos);
    EXPECT_NE(drawing.find("router 12: destination 3 (LD Monitor) <- source 6 (Cam 6)"),
              std::string::npos);
    EXPECT_EQ(render_panel(host.panels(), host.world(), "2", render_options{}),
              "panel \"2\" has not been shown\n");
}

}  // namespace
}  // namespace kest_host
