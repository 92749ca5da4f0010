// Hand-filled run records for the report tests: one that looks like the demo (the
// controls of LD_Auto.kest_ui, a press that routes camera 6, a failed expectation),
// and one whose every text is hostile.
#pragma once

#include <string>
#include <vector>

#include "report/run_record.h"

namespace kest_host::report::sample {

// The controls of LD_Auto.kest_ui, filled as the panel leaves them after start-up.
inline std::vector<control_record> demo_controls() {
    std::vector<control_record> c = {
        {"cap_title", "caption", 0, 0, 40, "Lighting director monitor selector", "", true},
        {"cap_tally", "caption", 0, 2, 14, "Tally driver", "", true},
        {"ID_ID", "label", 15, 2, 6, "30", "", true},
        {"ID_Slots", "label", 22, 2, 10, "61 - 69", "", true},
        {"cap_gpi", "caption", 0, 3, 14, "GPI driver", "", true},
        {"GPIDriverID", "label", 15, 3, 6, "40", "", true},
        {"GPIslots", "label", 22, 3, 10, "17 - 24", "", true},
        {"cap_buttons", "caption", 0, 5, 14, "Input", "", true},
        {"cap_sources", "caption", 0, 6, 14, "Source", "", true},
        {"cap_names", "caption", 0, 7, 14, "Name", "", true},
    };
    const char* sources[] = {"5", "6", "7", "9", "0", "0", "0", "0"};
    const char* names[] = {"Cam 5", "Cam 6", "Cam 7", "Playout A", "", "", "", ""};
    for (int i = 0; i < 8; ++i) {
        const int column = 15 + 9 * i;
        const std::string n = std::to_string(i + 1);
        c.push_back({n, "button", column, 5, 8, n, "RyxGroupDeselected", true});
        c.push_back({std::to_string(11 + i), "label", column, 6, 8, sources[i], "", true});
        c.push_back({std::to_string(21 + i), "label", column, 7, 8, names[i], "", true});
    }
    const std::vector<control_record> rest = {
        {"cap_monitor", "caption", 0, 9, 14, "Monitor", "", true},
        {"50", "label", 15, 9, 6, "3", "", true},
        {"51", "label", 22, 9, 24, "LD Monitor", "", true},
        {"cap_current", "caption", 0, 10, 14, "On monitor", "", true},
        {"CurrentSDI_ID", "label", 15, 10, 6, "1", "", true},
        {"Current_Name", "label", 22, 10, 24, "Studio Wide", "", true},
        {"AwaitGPI", "indicator", 0, 12, 30, "Waiting for GPI inputs", "", false},
        {"AwaitTallyInfo", "indicator", 31, 12, 30, "Waiting for tally information", "", false},
    };
    c.insert(c.end(), rest.begin(), rest.end());
    return c;
}

inline void set_control(std::vector<control_record>& controls, const std::string& id,
                        const std::string& text, const std::string& statesheet = "") {
    for (auto& c : controls) {
        if (c.id == id) {
            c.text = text;
            if (!statesheet.empty()) {
                c.statesheet = statesheet;
            }
        }
    }
}

inline std::vector<check_record> demo_checks() {
    return {
        {"replies-released-once",
         "Every query reply is handed back exactly once with code 5.",
         check_status::passed,
         "",
         {},
         0},
        {"crosspoint-valid",
         "No crosspoint names destination 0 or source 0.",
         check_status::warning,
         "",
         {"`RC 12 6 0 ',' 0` names destination 0 (demo.scn:52)"},
         1},
        {"routing-model",
         "After every event the route agrees with the model.",
         check_status::skipped,
         "runs in stress mode only",
         {},
         0},
    };
}

// The demo's first steps, with a press that routes camera 6 and one expectation that
// fails on purpose.
inline run_record demo_run() {
    recorder r;
    r.begin_suite("scenarios/demo.scn");
    r.begin_step(35, "start");
    r.note_event("load_kest_client_script(host, \"bin\")");
    r.note_command("PS '1' 'bin/LD_Auto.kest_ui'");
    r.note_command("SD 'Vesk SDI Router'");
    r.note_reply("\"12 0\"");
    r.note_release("reply to `SD 'Vesk SDI Router'`");
    r.note_command("IR 30 61 69", 30);
    r.note_command("GR 40 17 24", 40);
    r.note_event("revertive device 30 (infodriver) index 61 value 0 text \"5\"", 30);
    r.begin_step(36, "expect control ID_ID text \"30\"");
    r.note_expectation("scenarios/demo.scn", 36, "expect control ID_ID text \"30\"", true, "");
    std::vector<control_record> controls = demo_controls();
    r.begin_step(48, "show");
    r.snapshot({snapshot_reason::show, 48, "1", "bin/LD_Auto.kest_ui", controls});
    r.begin_step(51, "press 2");
    r.note_event("revertive device 40 (gpi) index 18 value 1", 40);
    r.note_command("TP 'statesheet=Ryx_TakeHigh' '1' '2'");
    r.note_command("RC 12 6 3 ',' 0", 12);
    r.note_event("revertive device 12 (router) index 3 value 6", 12);
    r.note_command("TP 'text=6' '1' 'CurrentSDI_ID'");
    set_control(controls, "2", "2", "Ryx_TakeHigh");
    set_control(controls, "CurrentSDI_ID", "6");
    set_control(controls, "Current_Name", "Cam 6");
    r.begin_step(52, "expect dest 3 source 6");
    r.note_expectation("scenarios/demo.scn", 52, "expect dest 3 source 6", true, "");
    r.begin_step(53, "expect control CurrentSDI_ID text \"7\"");
    r.note_expectation("scenarios/demo.scn", 53, "expect control CurrentSDI_ID text \"7\"", false,
                       "control \"CurrentSDI_ID\" text is \"6\", expected \"7\"", "CurrentSDI_ID");
    r.snapshot({snapshot_reason::failed_expectation, 53, "1", "bin/LD_Auto.kest_ui", controls});
    r.begin_step(54, "show");
    r.snapshot({snapshot_reason::show, 54, "1", "bin/LD_Auto.kest_ui", controls});
    r.snapshot({snapshot_reason::end, 0, "1", "bin/LD_Auto.kest_ui", controls});
    r.end_suite(demo_checks(), suite_summary{3, 1, 14, 4, 1}, 0.25);
    r.record().high_statesheet = "Ryx_TakeHigh";
    return r.record();
}

// Texts that would break a report written without escaping: markup, entities,
// quotes of both kinds, control bytes, invalid UTF-8 and valid UTF-8.
inline const std::vector<std::string>& hostile_texts() {
    static const std::vector<std::string> texts = {
        "</div><script>throw new Error(\"injected\")</script>",
        "a & b &amp; <b>bold</b> \"double\" 'single'",
        std::string("esc\x1B[31mred\x07 nul\0 end", 21),
        "bad \xC3 cut, \xFF\xFE poison, \xED\xA0\x80 surrogate, \xC0\xAF overlong",
        "Kamera \xC3\xA4 \xE2\x86\x92 \xF0\x9F\x8E\xA5 \xE6\x98\xA0\xE5\x83\x8F",
        "]]> <!-- --> <![CDATA[ x ]]>",
        "two\nlines,\ta tab,\r\nand CR LF",
    };
    return texts;
}

// Every text field of a suite filled with hostile text `n`.
inline suite_record hostile_suite(std::size_t n) {
    const std::string& t = hostile_texts()[n];
    recorder r;
    r.begin_suite(t + ".scn");
    r.begin_step(7, "expect control X text \"" + t + "\"");
    r.note_command(t, 12);
    r.note_reply(t);
    r.note_event(t, 30);
    r.note_finding("commands-well-formed", t, false);
    r.note_expectation(t + ".scn", 7, "expect " + t, false, t, t);
    r.note_expectation(t + ".scn", 8, "expect ok " + t, true, "");
    r.snapshot({snapshot_reason::failed_expectation,
                7,
                t,
                t,
                {{t, "button", 0, 0, 8, t, t, true}, {t + "2", "label", 9, 0, 8, t, "", false}}});
    r.end_suite({{t, t, check_status::failed, "", {t}, 3},
                 {t + "-skip", t, check_status::skipped, t, {}, 0},
                 {t + "-warn", t, check_status::warning, "", {t}, 1}},
                suite_summary{2, 1, 1, 1, 1});
    suite_record suite = r.record().suites.front();
    suite.error = t;
    return suite;
}

inline run_record hostile_run() {
    run_record run;
    run.title = "kest-host <&\"'>";
    for (std::size_t n = 0; n < hostile_texts().size(); ++n) {
        run.suites.push_back(hostile_suite(n));
    }
    return run;
}

}  // namespace kest_host::report::sample
