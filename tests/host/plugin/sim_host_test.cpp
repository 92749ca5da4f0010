#include "plugin/sim_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace kest_host {
namespace {

// Replies, answers and event records cross the boundary as intptr_t: that is the
// host interface, so the tests turn them back into pointers here, and only here.
template <class T>
T* from_handle(intptr_t handle) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the host ABI passes pointers as intptr_t
    return reinterpret_cast<T*>(handle);
}

// A panel object made in the test: it records every event and can act on it.
class recording_client : public kest_client_callback {
  public:
    explicit recording_client(sim_host& host) : host_(host) {}
    ~recording_client() override {
        if (on_delete) {
            on_delete();
        }
    }

    char* callback(intptr_t data, int32_t type) override {
        ++depth_;
        if (depth_ > 1 || in_command) {
            reentered = true;
        }
        std::string line = std::to_string(type);
        if (type == KEST_EVENT_REVERTIVE || type == KEST_EVENT_DATABASE_CHANGE) {
            const auto* r = from_handle<const revertive_info>(data);
            line += " " + std::to_string(r->device) + " " + std::to_string(r->database) + " " +
                    std::to_string(r->index) + " " + std::to_string(r->value) + " " + r->text;
        } else if (type == KEST_EVENT_TIMER) {
            line += " " + std::to_string(data);
        } else if (type == KEST_EVENT_RELEASE) {
            released.push_back(from_handle<char>(data));
        }
        events.push_back(line);
        char* answer = nullptr;
        if (on_event) {
            answer = on_event(data, type);
        }
        --depth_;
        return answer;
    }

    intptr_t send(const char* text, int32_t code = 0) {
        in_command = true;
        const intptr_t r = host_.command(text, code);
        in_command = false;
        return r;
    }

    std::vector<std::string> events;
    std::vector<char*> released;
    std::function<char*(intptr_t, int32_t)> on_event;
    std::function<void()> on_delete;
    bool reentered = false;
    bool in_command = false;

  private:
    sim_host& host_;
    int depth_ = 0;
};

class sim_host_test : public ::testing::Test {
  protected:
    sim_host_test() : host(checks), client(new recording_client(host)) {
        router12 = host.world().add_router(12);
        tally = host.world().add_infodriver(30);
        inputs = host.world().add_gpi(40);
        host.world().instances().add("LD Button 1", 40, 17);
        router12->names[0][7] = "Cam 7";
        host.attach(client);
    }

    std::string reply_of(const char* text) {
        const char* r = from_handle<const char>(client->send(text));
        std::string out = r == nullptr ? "(null)" : r;
        client->send(r, KEST_COMMAND_RELEASE);
        return out;
    }

    validator checks;
    sim_host host;
    recording_client* client;  // owned by the host once attached
    router* router12;
    infodriver* tally;
    gpi* inputs;
};

TEST_F(sim_host_test, queries_answer_in_the_reply_forms_or_with_null) {
    client->send("PS '1' '" KEST_PANEL_DIR "/LD_Auto.kest_ui'");
    EXPECT_EQ(reply_of("SD 'LD Button 1'"), "40 17");
    EXPECT_EQ(reply_of("SD 'Nobody'"), "(null)");
    EXPECT_EQ(reply_of("RN 12 0 7"), "Cam 7");
    EXPECT_EQ(reply_of("RN 12 0 8"), "(null)");
    EXPECT_EQ(reply_of("RN 12 2 7"), "(null)");
    EXPECT_EQ(reply_of("XI '1' 'Current'"), "CurrentSDI_ID,Current_Name");
    EXPECT_EQ(reply_of("XI '1' 'nothing'"), "");
    client->send("TP 'text=7' '1' 'CurrentSDI_ID'");
    client->send("TP 'value=3' '1' 'CurrentSDI_ID'");
    EXPECT_EQ(reply_of("TG '1' 'CurrentSDI_ID' 'text'"), "text=7");
    EXPECT_EQ(reply_of("TG '1' 'CurrentSDI_ID' 'value'"), "value=3");
    EXPECT_EQ(reply_of("TG '1' 'CurrentSDI_ID' 'all'"), "text=7,statesheet=,visible=1,value=3");
    client->send("CH '1' 'AwaitGPI'");
    EXPECT_TRUE(host.control("1", "AwaitGPI")->hidden);
    client->send("TP 'text=K\xC3\xA5re \xC2\xA5 \xA5' '1' 'Current_Name'");  // UTF-8 and Latin-1
    EXPECT_EQ(checks.result(check_id::replies_untouched), check_result::passed);
    host.finish();
    EXPECT_EQ(checks.result(check_id::replies_released_once), check_result::passed);
    EXPECT_EQ(checks.result(check_id::controls_in_layout), check_result::passed);
}

TEST_F(sim_host_test, faults_answer_queries_with_null_and_refuse_the_layout) {
    host.world().switch_fault("names missing");
    host.world().switch_fault("lookup", 1, "LD Button 1");
    host.world().switch_fault("layout missing");
    EXPECT_EQ(reply_of("RN 12 0 7"), "(null)");
    EXPECT_EQ(reply_of("SD 'LD Button 1'"), "(null)");
    EXPECT_EQ(client->send("PS '1' '" KEST_PANEL_DIR "/LD_Auto.kest_ui'"), 0);
    EXPECT_TRUE(host.panels().empty());
    EXPECT_TRUE(host.file_error().empty()) << "a refusal is the fault, not a file error";
    client->send("TP 'text=7' '1' 'CurrentSDI_ID'");
    host.world().clear_faults();
    EXPECT_EQ(reply_of("RN 12 0 7"), "Cam 7");
    EXPECT_EQ(reply_of("SD 'LD Button 1'"), "40 17");
    EXPECT_EQ(client->send("PS '1' '" KEST_PANEL_DIR "/LD_Auto.kest_ui'"), 1);
    host.finish();
    EXPECT_EQ(checks.result(check_id::controls_in_layout), check_result::passed)
        << "writing to a refused layout is not the panel's fault";
}

TEST_F(sim_host_test, the_clock_delivers_delayed_revertives_and_ticks_in_time_order) {
    std::ostringstream trace;
    host.set_trace(&trace, false);
    client->send("RR 12 3 3");
    client->send("ET 5 300");
    host.world().switch_fault("router delay", 500);
    client->send("RC 12 7 3 ',' 0");
    host.settle();
    EXPECT_TRUE(client->events.empty());
    host.advance(499);
    EXPECT_EQ(client->events, (std::vector<std::string>{"4 5"}));
    host.advance(1);
    EXPECT_EQ(client->events, (std::vector<std::string>{"4 5", "1 12 0 3 7 Cam 7"}));
    EXPECT_EQ(host.now(), 500);
    host.world().switch_fault("router offline");
    client->send("RC 12 8 3 ',' 0");
    EXPECT_NE(trace.str().find("RC 12 8 3 ',' 0  (lost: router offline)"), std::string::npos)
        << trace.str();
    EXPECT_EQ(host.crosspoint(12, 3), 7);
    host.set_trace(nullptr, false);
}

TEST_F(sim_host_test, registrations_decide_which_changes_are_reported) {
    client->send("RR 12 3 3");
    client->send("RR 12 5 5 'ADD'");
    client->send("RC 12 7 3 ',' 0");
    client->send("RC 12 7 4 ',' 0");  // not registered: no report
    client->send("RC 12 7 5 ',' 0");
    EXPECT_TRUE(client->events.empty()) << "nothing arrives inside command";
    host.settle();
    EXPECT_EQ(client->events, (std::vector<std::string>{"1 12 0 3 7 Cam 7", "1 12 0 5 7 Cam 7"}));
    EXPECT_EQ(host.crosspoint(12, 4), 7);

    client->events.clear();
    client->send("RR 12 4 4");  // without 'ADD' it replaces the registration
    client->send("RC 12 1 3 ',' 0");
    client->send("RC 12 1 4 ',' 0");
    host.settle();
    EXPECT_EQ(client->events, (std::vector<std::string>{"1 12 0 4 1 "}));

    client->events.clear();
    client->send("RU 12");
    router12->route(4, 7);
    client->send("RP 12 3 4");  // a poll answers for the range, registered or not
    host.settle();
    EXPECT_EQ(client->events, (std::vector<std::string>{"1 12 0 3 1 ", "1 12 0 4 7 Cam 7"}));
}

TEST_F(sim_host_test, slots_and_inputs_report_in_text_and_value) {
    tally->slots[61] = "7";
    client->send("IR 30 61 69");
    client->send("GR 40 17 24");
    client->send("IP 30 61 62");
    client->send("GP 40 18 18");
    tally->set_slot(69, "3");
    tally->set_slot(70, "x");  // outside the registration
    inputs->set_input(17, 1);
    host.settle();
    EXPECT_EQ(client->events,
              (std::vector<std::string>{"1 30 0 61 0 7", "1 30 0 62 0 ", "1 40 0 18 0 ",
                                        "1 30 0 69 0 3", "1 40 0 17 1 "}));
    client->events.clear();
    client->send("GU 40");
    inputs->set_input(17, 0);
    router12->rename(1, 3, "LD Monitor");
    host.settle();
    EXPECT_EQ(client->events, (std::vector<std::string>{"6 12 1 3 0 LD Monitor"}));
}

TEST_F(sim_host_test, events_caused_from_inside_a_callback_wait_for_it_to_return) {
    client->send("IR 30 61 61");
    int polls = 0;
    client->on_event = [&](intptr_t, int32_t type) -> char* {
        if (type == KEST_EVENT_REVERTIVE && polls++ < 3) {
            client->send("IP 30 61 61");
        }
        return nullptr;
    };
    tally->set_slot(61, "5");
    host.settle();
    EXPECT_EQ(client->events.size(), 4u);
    EXPECT_FALSE(client->reentered);
}

TEST_F(sim_host_test, a_panel_that_keeps_polling_is_stopped_and_reported) {
    client->send("IR 30 61 61");
    client->on_event = [&](intptr_t, int32_t) -> char* {
        client->send("IP 30 61 61");
        return nullptr;
    };
    tally->set_slot(61, "5");
    host.settle();
    EXPECT_EQ(checks.result(check_id::events_settle), check_result::failed);
    EXPECT_EQ(client->events.size(), sim_host::kSettleLimit);
}

TEST_F(sim_host_test, timers_tick_on_the_simulated_clock) {
    client->send("ET 2 1000");
    client->send("ET 5 300");
    host.advance(999);
    EXPECT_EQ(client->events, (std::vector<std::string>{"4 5", "4 5", "4 5"}));
    client->events.clear();
    client->send("ET 5");
    host.advance(1);
    host.advance(2000);
    EXPECT_EQ(client->events, (std::vector<std::string>{"4 2", "4 2", "4 2"}));
    client->events.clear();
    client->send("ET 2 1000");  // a restart starts a new period from now
    host.advance(999);
    EXPECT_TRUE(client->events.empty());
    EXPECT_TRUE(host.timer_running(2));
    client->send("ET 2");
    EXPECT_FALSE(host.timer_running(2));
}

TEST_F(sim_host_test, reply_misuse_is_caught_and_named) {
    // Never released.
    client->send("SD 'LD Button 1'");
    // Released twice.
    auto twice = client->send("RN 12 0 7");
    client->send(from_handle<const char>(twice), KEST_COMMAND_RELEASE);
    client->send(from_handle<const char>(twice), KEST_COMMAND_RELEASE);
    // Not a reply at all.
    char foreign[] = "40 17";
    client->send(foreign, KEST_COMMAND_RELEASE);
    host.finish();
    EXPECT_EQ(checks.result(check_id::replies_released_once), check_result::failed);
    const auto& messages = checks.messages(check_id::replies_released_once);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "reply to `RN 12 0 7` was released twice");
    EXPECT_NE(messages[1].find("never gave"), std::string::npos);
    EXPECT_EQ(messages[2], "reply to `SD 'LD Button 1'` was never released");
    EXPECT_EQ(checks.result(check_id::replies_untouched), check_result::passed);
}

TEST_F(sim_host_test, a_reply_used_after_its_release_shows_its_poison) {
    char* reply = from_handle<char>(client->send("RN 12 0 7"));
    client->send(reply, KEST_COMMAND_RELEASE);
    client->send((std::string("TP 'text=") + reply + "' '1' '21'").c_str());
    EXPECT_EQ(checks.result(check_id::replies_untouched), check_result::failed);

    validator fresh;
    sim_host other(fresh);
    recording_client* c = new recording_client(other);
    other.world().add_router(12)->names[0][7] = "Cam 7";
    other.attach(c);
    char* written = from_handle<char>(c->send("RN 12 0 7"));
    c->send(written, KEST_COMMAND_RELEASE);
    written[0] = 'X';
    other.finish();
    ASSERT_EQ(fresh.result(check_id::replies_untouched), check_result::failed);
    EXPECT_EQ(fresh.messages(check_id::replies_untouched)[0],
              "reply to `RN 12 0 7` was written after it was released");
}

TEST_F(sim_host_test, answers_are_handed_back_and_stray_strings_reported) {
    static char answer[] = "myParam=x";
    client->on_event = [&](intptr_t, int32_t type) -> char* {
        return type == KEST_EVENT_PARENT_REQUEST || type == KEST_EVENT_TIMER ? answer : nullptr;
    };
    const std::string request = "return=all";
    host.send_request(&request);
    host.send_raw(KEST_EVENT_TIMER, 2);
    host.settle();
    ASSERT_TRUE(host.last_answer().has_value());
    EXPECT_EQ(*host.last_answer(), "myParam=x");
    EXPECT_EQ(client->released, (std::vector<char*>{answer}));
    EXPECT_EQ(client->events[1], "5");  // handed back before the next event
    EXPECT_EQ(checks.result(check_id::answers_well_formed), check_result::failed);
}

TEST_F(sim_host_test, commands_after_the_closing_as_or_the_delete_are_failures) {
    client->on_delete = [&] {
        client->send("AS");
        client->send("ET 2");
    };
    host.destroy();
    host.command("AS", 0);
    const auto& messages = checks.messages(check_id::no_command_after_delete);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "`ET 2` arrived after the panel's closing AS");
    EXPECT_EQ(messages[1], "`AS` arrived after the panel was deleted");
}

TEST_F(sim_host_test, writes_outside_the_layout_and_odd_crosspoints_are_reported) {
    client->send("TP 'text=1' '1' 'ID_ID'");  // no panel shown yet
    client->send("PS '1' '" KEST_PANEL_DIR "/LD_Auto.kest_ui'");
    client->send("TP 'text=1' '1' 'ID_ID'");
    client->send("CH '1' 'NoSuchControl'");
    client->send("TP text '1' 'ID_ID'");
    client->send("RC 12 5 0 ',' 0");
    client->send("RC 99 5 3 ',' 0");
    const auto& layout = checks.messages(check_id::controls_in_layout);
    ASSERT_EQ(layout.size(), 2u);
    EXPECT_EQ(layout[0], "`TP 'text=1' '1' 'ID_ID'` names panel \"1\", which was never shown");
    EXPECT_NE(layout[1].find("names control \"NoSuchControl\""), std::string::npos);
    EXPECT_EQ(checks.result(check_id::commands_well_formed), check_result::failed);
    EXPECT_EQ(checks.result(check_id::crosspoint_valid), check_result::warning);
    EXPECT_EQ(checks.result(check_id::known_devices), check_result::warning);
    EXPECT_FALSE(host.crosspoint(12, 0).has_value());
}

TEST_F(sim_host_test, an_unreadable_layout_fails_the_show_and_is_a_file_error) {
    EXPECT_EQ(client->send("PS '1' '/nonexistent/LD_Auto.kest_ui'"), 0);
    EXPECT_EQ(host.file_error(),
              "`PS '1' '/nonexistent/LD_Auto.kest_ui'`: cannot read layout "
              "/nonexistent/LD_Auto.kest_ui: No such file or directory");
    EXPECT_NE(client->send("PS '1' '" KEST_PANEL_DIR "/LD_Auto.kest_ui'"), 0);
}

}  // namespace
}  // namespace kest_host
