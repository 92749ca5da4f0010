#include "stress.h"

#include <chrono>
#include <cstdio>

#include "model.h"
#include "sim_host.h"
#include "validator.h"

namespace kest_host {

namespace {

// The devices and sizes the stress run sets up.
constexpr int32_t kRouter = 1;
constexpr int32_t kTally = 2;
constexpr int32_t kGpi = 3;
constexpr int32_t kGpiFirst = 17;
constexpr int32_t kSources = 24;
constexpr int32_t kDestinations = 8;
constexpr int32_t kInitialMonitor = 3;

// splitmix64: the same sequence from the same seed on every platform and compiler.
class random_source {
  public:
    explicit random_source(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A number from 0 to n - 1.
    int32_t below(int32_t n) { return static_cast<int32_t>(next() % static_cast<uint64_t>(n)); }

  private:
    uint64_t state_;
};

std::string directory_of(const std::string& file) {
    const auto cut = file.find_last_of("/\\");
    return cut == std::string::npos ? "." : file.substr(0, cut == 0 ? 1 : cut);
}

class stress_run {
  public:
    stress_run(const stress_options& options, std::ostream& out)
        : options_(options),
          out_(out),
          checks_([this](check_id id, bool failure, const std::string& message) {
              // Warnings are expected here (the random stream leaves the monitor without
              // a destination now and then); the table counts them.
              if (!failure) {
                  return;
              }
              if (reported_ < 20) {
                  out_ << (failure ? "CHECK FAILED " : "check warning ") << info(id).id << ": "
                       << message << "\n";
              } else if (reported_ == 20) {
                  out_ << "(further check findings are only counted)\n";
              }
              ++reported_;
          }),
          host_(checks_),
          random_(options.seed) {
        host_.set_quarantine_limit(1024);
    }

    int run() {
        set_up();
        std::string error;
        if (!host_.load(options_.plugin, error)) {
            out_ << "error: " << error << "\n";
            return 2;
        }
        const std::string dir =
            options_.layout_dir.empty() ? directory_of(options_.plugin) : options_.layout_dir;
        if (!host_.create(dir)) {
            out_ << "error: plug-in " << options_.plugin << " made no panel\n";
            return 2;
        }
        host_.settle();
        if (!host_.file_error().empty()) {
            out_ << "error: " << host_.file_error() << "\n";
            return 2;
        }
        // What the start-up taught the panel.
        for (int32_t slot = 61; slot <= 69; ++slot) {
            model_.slot_report(slot, host_.find_device(kTally)->slots[slot]);
        }
        compare("start-up");
        events_checked_ = 0;  // events are counted from the first random one
        const auto started = std::chrono::steady_clock::now();
        uint64_t done = 0;
        while (done < options_.events && divergence_.empty()) {
            done += one_event(options_.events - done);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        host_.set_location("at the end of the run");
        host_.destroy();
        host_.unload();
        host_.finish();
        checks_.exercised(check_id::routing_model);
        if (!divergence_.empty()) {
            checks_.finding(check_id::routing_model, divergence_);
        }
        out_ << checks_.table(options_.color);
        out_ << "Stress: seed " << options_.seed << ", " << done << " events in " << seconds
             << " s, " << host_.commands_seen() << " commands, " << host_.events_delivered()
             << " events delivered\n";
        if (checks_.any_failed()) {
            out_ << "Stress FAILED with seed " << options_.seed << " (repeat with: --stress "
                 << options_.events << " --seed " << options_.seed << ")\n";
            return 1;
        }
        return 0;
    }

  private:
    void set_up() {
        host_.add_device(device_kind::router, kRouter);
        host_.add_device(device_kind::infodriver, kTally);
        host_.add_device(device_kind::gpi, kGpi);
        host_.add_instance("Vesk SDI Router", kRouter, 0);
        host_.add_instance("Vesk Tally Infodriver", kTally, 0);
        host_.add_instance("LD Button 1", kGpi, kGpiFirst);
        device& router = *host_.find_device(kRouter);
        for (int32_t s = 1; s <= kSources; ++s) {
            router.names[0][s] = "Src " + std::to_string(s);
            model_.source_names[s] = router.names[0][s];
        }
        for (int32_t d = 1; d <= kDestinations; ++d) {
            router.names[1][d] = "Dst " + std::to_string(d);
            model_.dest_names[d] = router.names[1][d];
            router.crosspoints[d] = d;
            model_.router[d] = d;
        }
        device& tally = *host_.find_device(kTally);
        for (int32_t slot = 61; slot <= 68; ++slot) {
            tally.slots[slot] = std::to_string(random_.below(kSources + 1));
        }
        tally.slots[69] = std::to_string(kInitialMonitor);
        device& gpi = *host_.find_device(kGpi);
        for (int32_t i = 0; i < 8; ++i) {
            gpi.inputs[kGpiFirst + i] = 0;
        }
    }

    // Makes one random event (a bounce makes several, but never more than `budget`)
    // and checks the outcome of each; returns how many events it made.
    uint64_t one_event(uint64_t budget) {
        const int32_t roll = random_.below(100);
        device& router = *host_.find_device(kRouter);
        device& tally = *host_.find_device(kTally);
        device& gpi = *host_.find_device(kGpi);
        if (roll < 35) {
            const int32_t n = random_.below(8);
            int32_t repeats = random_.below(10) == 0 ? 2 + random_.below(4) : 1;
            if (static_cast<uint64_t>(repeats) > budget) {
                repeats = static_cast<int32_t>(budget);
            }
            for (int32_t r = 0; r < repeats; ++r) {
                const int32_t value = gpi.inputs[kGpiFirst + n] == 0 ? 1 : 0;
                host_.set_input(gpi, kGpiFirst + n, value);
                host_.settle();
                model_.input_report(n, value);
                if (!compare("input " + std::to_string(n + 1) + " -> " + std::to_string(value))) {
                    return static_cast<uint64_t>(r + 1);
                }
            }
            return static_cast<uint64_t>(repeats);
        }
        if (roll < 45) {
            const int32_t slot = 61 + random_.below(8);
            const int32_t pick = random_.below(12);
            const std::string text =
                pick == 0 ? "" : std::to_string(pick == 1 ? 0 : random_.below(kSources + 1));
            host_.set_slot(tally, slot, text);
            host_.settle();
            model_.slot_report(slot, text);
            compare("slot " + std::to_string(slot) + " = \"" + text + "\"");
            return 1;
        }
        if (roll < 48) {
            // Now and then no monitor destination at all.
            const int32_t dest = random_.below(8) == 0 ? 0 : 1 + random_.below(kDestinations);
            const std::string text = std::to_string(dest);
            host_.set_slot(tally, 69, text);
            host_.settle();
            model_.slot_report(69, text);
            compare("slot 69 = \"" + text + "\"");
            return 1;
        }
        if (roll < 58) {
            const int32_t d = 1 + random_.below(kDestinations);
            const int32_t s = 1 + random_.below(kSources);
            host_.route(router, d, s);
            host_.settle();
            model_.route_elsewhere(d, s);
            compare("route " + std::to_string(s) + " to " + std::to_string(d) + " from elsewhere");
            return 1;
        }
        if (roll < 66) {
            const int db = random_.below(2);
            const int32_t index = 1 + random_.below(db == 0 ? kSources : kDestinations);
            const std::string name = (db == 0 ? "Src " : "Dst ") + std::to_string(index) + "." +
                                     std::to_string(random_.below(1000));
            host_.rename(router, db, index, name);
            host_.settle();
            model_.rename(db, index, name);
            compare("rename " + std::string(db == 0 ? "source " : "destination ") +
                    std::to_string(index) + " \"" + name + "\"");
            return 1;
        }
        if (roll < 71) {
            if (random_.below(2) == 0) {
                host_.advance(1000);
                compare("clock +1000 ms");
                return 1;
            }
            // A tick of some timer, whether or not the panel runs it: timer 2 asks for
            // every tally slot again, any other is stopped.
            const int32_t id = 1 + random_.below(3);
            host_.send_raw(KEST_EVENT_TIMER, id);
            host_.settle();
            if (id == 2) {
                for (int32_t slot = 61; slot <= 69; ++slot) {
                    model_.slot_report(slot, tally.slots[slot]);
                }
            }
            compare("tick of timer " + std::to_string(id));
            return 1;
        }
        if (roll < 77) {
            parent_request();
            return 1;
        }
        if (roll < 92) {
            odd_record();
            return 1;
        }
        odd_event();
        return 1;
    }

    void parent_request() {
        const int32_t pick = random_.below(6);
        std::string text;
        std::string expected;
        bool check_answer = false;
        switch (pick) {
            case 0:
                my_param_ = "v" + std::to_string(random_.below(100000));
                text = "myParam=" + my_param_;
                break;
            case 1:
                text = random_.below(2) == 0 ? "return=all" : "return=myParam";
                expected = "myParam=" + my_param_;
                check_answer = true;
                break;
            case 2:
                text = "instance=LD " + std::to_string(random_.below(4));
                break;
            case 3:
                text = "_events";
                expected = "notify=*";
                check_answer = true;
                break;
            case 4:
                text = "return=instance";
                check_answer = true;
                break;
            default:
                text = "unknown.part=" + std::to_string(random_.below(10));
                check_answer = true;
                break;
        }
        host_.send_request(&text);
        host_.settle();
        if (check_answer) {
            const auto& answer = host_.last_answer();
            const bool ok = expected.empty() ? !answer : (answer && *answer == expected);
            if (!ok && divergence_.empty()) {
                divergence_ = "after parent request \"" + text + "\" (event " +
                              std::to_string(events_checked_ + 1) + "): expected " +
                              (expected.empty() ? "no answer" : "\"" + expected + "\"") + ", got " +
                              (answer ? "\"" + printable(*answer) + "\"" : "none");
            }
        }
        compare("parent request \"" + text + "\"");
    }

    // Records the panel must cope with: unknown devices, indices outside its ranges,
    // and a router report for a destination it never asked about.
    void odd_record() {
        revertive_info record{};
        const int32_t pick = random_.below(5);
        std::string what;
        int32_t type = KEST_EVENT_REVERTIVE;
        switch (pick) {
            case 0:
                record.device = 100 + random_.below(50);
                record.index = random_.below(100);
                record.value = random_.below(3);
                what = "revertive for unknown device " + std::to_string(record.device);
                break;
            case 1:
                record.device = kGpi;
                record.index = random_.below(2) == 0 ? kGpiFirst - 1 - random_.below(5)
                                                     : kGpiFirst + 8 + random_.below(5);
                record.value = random_.below(2);
                what = "GPI revertive for index " + std::to_string(record.index);
                break;
            case 2:
                record.device = kTally;
                record.index =
                    random_.below(2) == 0 ? 60 - random_.below(5) : 70 + random_.below(5);
                std::snprintf(record.text, sizeof record.text, "%d", random_.below(kSources));
                what = "tally revertive for slot " + std::to_string(record.index);
                break;
            case 3:
                type = KEST_EVENT_DATABASE_CHANGE;
                record.device = random_.below(2) == 0 ? 100 : kRouter;
                record.database = record.device == kRouter ? 2 + random_.below(3) : 0;
                record.index = 1 + random_.below(kSources);
                std::snprintf(record.text, sizeof record.text, "odd");
                what = "database change device " + std::to_string(record.device) + " database " +
                       std::to_string(record.database);
                break;
            default:
                record.device = kRouter;
                record.index = 50 + random_.below(10);
                record.value = 1 + random_.below(kSources);
                std::snprintf(record.text, sizeof record.text, "Stray %d", record.value);
                what =
                    "router revertive for unregistered destination " + std::to_string(record.index);
                break;
        }
        host_.send_record(type, record);
        host_.settle();
        if (pick == 1) {
            model_.input_report(-1, 0);
        } else if (pick == 4) {
            model_.router_report(record.value, record.text);
        }
        compare(what);
    }

    void odd_event() {
        static const int32_t kTypes[] = {0, 7, 8, 9, -1, 99, 2};
        const int32_t type = kTypes[random_.below(7)];
        if (type == KEST_EVENT_BUTTON) {
            host_.send_button(random_.below(2) == 0 ? "ActionAll" : "1", "alarm=1");
        } else {
            host_.send_raw(type, random_.below(1000));
        }
        host_.settle();
        compare("event of type " + std::to_string(type));
    }

    // Compares host and panel with the model; keeps only the first divergence.
    bool compare(const std::string& what) {
        ++events_checked_;
        if (!divergence_.empty()) {
            return false;
        }
        const std::string where =
            " after event " + std::to_string(events_checked_) + " (" + what + ")";
        for (const auto& x : model_.router) {
            const auto actual = host_.crosspoint(kRouter, x.first);
            if (!actual || *actual != x.second) {
                divergence_ =
                    "destination " + std::to_string(x.first) + " carries " +
                    (actual ? "source " + std::to_string(*actual) : std::string("nothing")) +
                    ", the rules say source " + std::to_string(x.second) + where;
                return false;
            }
        }
        static const char* const kControls[] = {
            "1",           "2",  "3",  "4",  "5",  "6",  "7",  "8",  "11",
            "12",          "13", "14", "15", "16", "17", "18", "21", "22",
            "23",          "24", "25", "26", "27", "28", "50", "51", "CurrentSDI_ID",
            "Current_Name"};
        std::string expected;
        for (const char* id : kControls) {
            model_.expected_control(id, expected);
            const control_state* c = host_.control("1", id);
            if (c == nullptr) {
                divergence_ = std::string("panel \"1\" has no control \"") + id + "\"" + where;
                return false;
            }
            const bool button = id[1] == '\0';
            const std::string& actual = button ? c->statesheet : c->text;
            if (actual != expected) {
                divergence_ = std::string("control \"") + id + "\" " +
                              (button ? "statesheet" : "text") + " is \"" + printable(actual) +
                              "\", the rules say \"" + printable(expected) + "\"" + where;
                return false;
            }
        }
        return true;
    }

    stress_options options_;
    std::ostream& out_;
    uint64_t reported_ = 0;
    validator checks_;
    sim_host host_;
    routing_model model_;
    random_source random_;
    std::string divergence_;
    std::string my_param_;
    uint64_t events_checked_ = 0;
};

}  // namespace

int run_stress(const stress_options& options, std::ostream& out) {
    stress_run run(options, out);
    return run.run();
}

}  // namespace kest_host
