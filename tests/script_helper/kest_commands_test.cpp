#include "kest_command_grammar.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "kest_script_helper.h"
#include "recording_host.h"
#include "test_panel.h"

namespace {

using kest_test::recording_host;
using kest_test::test_panel;
using texts = std::vector<std::string>;
using operation = std::function<void(test_panel&)>;

struct row {
    const char* name;
    operation send;
    const char* text;
};

void expectTexts(const char* path, const std::vector<row>& rows) {
    for (const row& r : rows) {
        recording_host host;
        {
            test_panel panel(&host, path);
            r.send(panel);
        }
        EXPECT_EQ(host.commands(), (texts{r.text, "AS"})) << r.name;
        EXPECT_EQ(host.repliesHandedOut(), 0) << r.name;
    }
}

TEST(command_text, concatenated_commands) {
    expectTexts(
        "",
        {
            {"hide", [](test_panel& p) { p.controlHide("1", "AwaitGPI"); }, "CH '1' 'AwaitGPI'"},
            {"put", [](test_panel& p) { p.textPut("text", "61 - 69", "1", "ID_Slots"); },
             "TP 'text=61 - 69' '1' 'ID_Slots'"},
            {"put empty", [](test_panel& p) { p.textPut("text", "", "1", "CurrentSDI_ID"); },
             "TP 'text=' '1' 'CurrentSDI_ID'"},
            {"put all empty", [](test_panel& p) { p.textPut("", "", "", ""); }, "TP '=' '' ''"},
            {"show", [](test_panel& p) { p.panelShow("1", "LD_Auto.kest_ui", ""); },
             "PS '1' 'LD_Auto.kest_ui'"},
            {"show extra", [](test_panel& p) { p.panelShow("1", "LD_Auto.kest_ui", "x"); },
             "PS '1' 'LD_Auto.kest_ui' 'x'"},
        });
}

TEST(command_text, show_puts_the_path_in_front_of_the_file) {
    expectTexts("D", {
                         {"show", [](test_panel& p) { p.panelShow("1", "LD_Auto.kest_ui", ""); },
                          "PS '1' 'D/LD_Auto.kest_ui'"},
                         {"extra", [](test_panel& p) { p.panelShow("1", "f", "x y"); },
                          "PS '1' 'D/f' 'x y'"},
                     });
    // The "/" is always added, even after a path that ends in one.
    expectTexts("C:\\panels\\", {
                                    {"show", [](test_panel& p) { p.panelShow("1", "f", ""); },
                                     "PS '1' 'C:\\panels\\/f'"},
                                });
}

TEST(command_text, values_with_quotes_and_markers_are_sent_literally) {
    expectTexts(
        "%1",
        {
            {"put quote", [](test_panel& p) { p.textPut("text", "it's", "1", "x"); },
             "TP 'text=it's' '1' 'x'"},
            {"put marker", [](test_panel& p) { p.textPut("text", "%1 %2 %d %s", "1", "x"); },
             "TP 'text=%1 %2 %d %s' '1' 'x'"},
            {"hide marker", [](test_panel& p) { p.controlHide("%1", "'%2'"); }, "CH '%1' ''%2''"},
            {"show marker", [](test_panel& p) { p.panelShow("%1", "%2", "%3"); },
             "PS '%1' '%1/%2' '%3'"},
        });
}

TEST(command_text, crosspoint_fills_the_markers) {
    expectTexts(
        "", {
                {"plain", [](test_panel& p) { p.routerCrosspoint(12, 5, 3, "", false); },
                 "RC 12 5 3 ',' 0"},
                {"text flag", [](test_panel& p) { p.routerCrosspoint(12, 5, 3, "x", true); },
                 "RC 12 5 3 ',x' 1"},
                {"extremes",
                 [](test_panel& p) { p.routerCrosspoint(INT_MIN, INT_MAX, -1, "a b", true); },
                 "RC -2147483648 2147483647 -1 ',a b' 1"},
                // Marker text in the value is open to the later fill, as documented.
                {"marker in text", [](test_panel& p) { p.routerCrosspoint(1, 2, 3, "%5", false); },
                 "RC 1 2 3 ',0' 0"},
            });
}

TEST(command_text, register_poll_and_unregister) {
    expectTexts(
        "",
        {
            {"RR", [](test_panel& p) { p.routerRegister(12, 3, 3, false); }, "RR 12 3 3"},
            {"RR add", [](test_panel& p) { p.routerRegister(12, 3, 3, true); }, "RR 12 3 3 'ADD'"},
            {"IR", [](test_panel& p) { p.infodriverRegister(7, 61, 69, false); }, "IR 7 61 69"},
            {"IR add", [](test_panel& p) { p.infodriverRegister(7, 61, 69, true); },
             "IR 7 61 69 'ADD'"},
            {"GR", [](test_panel& p) { p.gpiRegister(4, 1, 8, false); }, "GR 4 1 8"},
            {"GR add", [](test_panel& p) { p.gpiRegister(4, 1, 8, true); }, "GR 4 1 8 'ADD'"},
            {"RP", [](test_panel& p) { p.routerPoll(12, 3, 3); }, "RP 12 3 3"},
            {"IP", [](test_panel& p) { p.infodriverPoll(7, 61, 69); }, "IP 7 61 69"},
            {"GP", [](test_panel& p) { p.gpiPoll(4, 1, 8); }, "GP 4 1 8"},
            {"RU", [](test_panel& p) { p.routerUnregister(12); }, "RU 12"},
            {"IU", [](test_panel& p) { p.infodriverUnregister(7); }, "IU 7"},
            {"GU", [](test_panel& p) { p.gpiUnregister(4); }, "GU 4"},
            {"reversed range", [](test_panel& p) { p.routerPoll(-12, 9, -3); }, "RP -12 9 -3"},
        });
}

TEST(command_text, widest_numbers_are_never_cut) {
    const int m = INT_MIN;
    const int x = INT_MAX;
    expectTexts(
        "", {
                {"RR", [=](test_panel& p) { p.routerRegister(m, m, m, true); },
                 "RR -2147483648 -2147483648 -2147483648 'ADD'"},
                {"IR", [=](test_panel& p) { p.infodriverRegister(m, m, m, true); },
                 "IR -2147483648 -2147483648 -2147483648 'ADD'"},
                {"GR", [=](test_panel& p) { p.gpiRegister(m, x, m, false); },
                 "GR -2147483648 2147483647 -2147483648"},
                {"RP", [=](test_panel& p) { p.routerPoll(m, m, m); },
                 "RP -2147483648 -2147483648 -2147483648"},
                {"IP", [=](test_panel& p) { p.infodriverPoll(x, x, x); },
                 "IP 2147483647 2147483647 2147483647"},
                {"GP", [=](test_panel& p) { p.gpiPoll(m, m, m); },
                 "GP -2147483648 -2147483648 -2147483648"},
                {"RU", [=](test_panel& p) { p.routerUnregister(m); }, "RU -2147483648"},
                {"IU", [=](test_panel& p) { p.infodriverUnregister(x); }, "IU 2147483647"},
                {"GU", [=](test_panel& p) { p.gpiUnregister(m); }, "GU -2147483648"},
                {"ET", [=](test_panel& p) { p.timerStart(m, m); }, "ET -2147483648 -2147483648"},
                {"ET stop", [=](test_panel& p) { p.timerStop(m); }, "ET -2147483648"},
            });
    static_assert(
        sizeof("RR -2147483648 -2147483648 -2147483648 'ADD'") == kest_command::kPrintfBufferSize,
        "the buffer is exactly the widest text");
}

TEST(command_text, timer_start_and_stop) {
    expectTexts("", {
                        {"start", [](test_panel& p) { p.timerStart(2, 1000); }, "ET 2 1000"},
                        {"zero ms stops", [](test_panel& p) { p.timerStart(2, 0); }, "ET 2"},
                        {"stop", [](test_panel& p) { p.timerStop(2); }, "ET 2"},
                        {"negative", [](test_panel& p) { p.timerStart(-2, -1); }, "ET -2 -1"},
                    });
}

TEST(command_text, show_reports_the_host_result) {
    recording_host host;
    test_panel panel(&host, "");
    EXPECT_TRUE(panel.panelShow("1", "f", ""));
    host.setShowResult(0);
    EXPECT_FALSE(panel.panelShow("1", "f", ""));
    host.setShowResult(-1);
    EXPECT_TRUE(panel.panelShow("1", "f", ""));
}

TEST(command_text, without_a_host_nothing_is_sent_and_show_succeeds) {
    // The panel must neither crash nor report a failure; nothing can be observed
    // being sent, so what is checked is the result and the survival of every call.
    test_panel panel(nullptr, "D");
    EXPECT_TRUE(panel.panelShow("1", "f", "x"));
    panel.textPut("text", "v", "1", "c");
    panel.controlHide("1", "c");
    panel.routerCrosspoint(1, 2, 3, "", true);
    panel.routerRegister(1, 2, 3, true);
    panel.infodriverPoll(1, 2, 3);
    panel.gpiUnregister(1);
    panel.timerStart(2, 1000);
    panel.timerStop(2);
}

}  // namespace
