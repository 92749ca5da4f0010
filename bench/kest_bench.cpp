// The plug-in's cost per event against a hand-written baseline, and its heap use.
//
// Every benchmark comes in two variants on the same host: ".../plugin" runs the
// real code (the panel through its export, or the helper library's operations) and
// ".../baseline" the hand-written equivalent from baseline.cpp. Each reports
// "allocs/iter", counted by alloc_counter.cpp in every library of the process.
// After the runs a table gives, per pair, both times, their ratio and both
// allocation counts, and checks the targets:
//   - the printf-style and every other command, and every event but a parent
//     request, allocate nothing; the request parser and the reply tokenizer
//     allocate once; a parent request round trip at most twice;
//   - every event costs at most 1.5 times the baseline;
//   - after 10 million mixed events the heap holds what it held before.
// The program exits with 1 when a target is missed, 2 when a self-check fails.
//
// Before measuring, it proves the counter sees allocations in the executable, in
// libkest_string and in the plug-in, and that plug-in and baseline send the same
// command texts and answers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "baseline.h"
#include "bench_host.h"
#include "decodeKESTString.h"
#include "kest_script_helper.h"
#include "kest_string.h"
#include "kest_string_state.h"
#include "panel_pair.h"
#include "parsed_request.h"
#include "scenario.h"

namespace kest_bench {
namespace {

// A panel that only lends the helper library's operations to the benchmarks.
class command_panel final : public kest_script_helper {
  public:
    explicit command_panel(kest_host_callback* host) : kest_script_helper(host, "") {}

  protected:
    void onButton(button_event*) override {}
    void onRevertive(revertive_event*) override {}
    kest_string onParentRequest(request_event*) override { return kest_string(); }
    void onTimer(int32_t) override {}
};

constexpr char kRequestText[] = "myParam.x=Studio A monitor wall";
constexpr char kReplyText[] = "12 5 'LD Button 1' 'Vesk SDI Router'";

// Counts allocations over the timed loop and reports them per iteration.
class alloc_scope {
  public:
    explicit alloc_scope(benchmark::State& state) : state_(state), before_(allocSnapshot()) {}
    ~alloc_scope() {
        const alloc_snapshot after = allocSnapshot();
        state_.counters["allocs/iter"] =
            benchmark::Counter(static_cast<double>(after.allocations - before_.allocations),
                               benchmark::Counter::kAvgIterations);
    }

  private:
    benchmark::State& state_;
    alloc_snapshot before_;
};

// --- Request parser and reply tokenizer ------------------------------------------------

void parsedRequestPlugin(benchmark::State& state) {
    alloc_scope allocs(state);
    for (auto _ : state) {
        const parsed_request request(kRequestText);
        benchmark::DoNotOptimize(request.value);
    }
}

void parsedRequestBaseline(benchmark::State& state) {
    alloc_scope allocs(state);
    for (auto _ : state) {
        baseline_request request;
        baselineParseRequest(&request, kRequestText);
        benchmark::DoNotOptimize(request.value);
        baselineFreeRequest(&request);
    }
}

void tokenizerPlugin(benchmark::State& state) {
    alloc_scope allocs(state);
    for (auto _ : state) {
        const decodeKESTString tokens(kReplyText, '\'');
        benchmark::DoNotOptimize(tokens.tokens[3]);
    }
}

void tokenizerBaseline(benchmark::State& state) {
    alloc_scope allocs(state);
    for (auto _ : state) {
        baseline_tokens tokens;
        baselineTokenize(&tokens, kReplyText, '\'');
        benchmark::DoNotOptimize(tokens.tokens[3]);
        baselineFreeTokens(&tokens);
    }
}

// --- One command of each building method -----------------------------------------------

void routerRegisterPlugin(benchmark::State& state) {
    bench_host host;
    command_panel panel(&host);
    alloc_scope allocs(state);
    for (auto _ : state) {
        panel.routerRegister(kRouterDevice, kMonitorDest, kMonitorDest, false);
    }
}

void routerRegisterBaseline(benchmark::State& state) {
    bench_host host;
    alloc_scope allocs(state);
    for (auto _ : state) {
        baselineRouterRegister(&host, kRouterDevice, kMonitorDest, kMonitorDest, false);
    }
}

// The arguments as a panel passes them: literals converted at the call.
void textPutPlugin(benchmark::State& state) {
    bench_host host;
    command_panel panel(&host);
    alloc_scope allocs(state);
    for (auto _ : state) {
        panel.textPut("text", kNameReply, "1", "Current_Name");
    }
}

void textPutBaseline(benchmark::State& state) {
    bench_host host;
    alloc_scope allocs(state);
    for (auto _ : state) {
        baselineTextPut(&host, "text", kNameReply, "1", "Current_Name");
    }
}

void routerCrosspointPlugin(benchmark::State& state) {
    bench_host host;
    command_panel panel(&host);
    alloc_scope allocs(state);
    for (auto _ : state) {
        panel.routerCrosspoint(kRouterDevice, kFirstButtonSource, kMonitorDest, "", false);
    }
}

void routerCrosspointBaseline(benchmark::State& state) {
    bench_host host;
    alloc_scope allocs(state);
    for (auto _ : state) {
        baselineRouterCrosspoint(&host, kRouterDevice, kFirstButtonSource, kMonitorDest, "", false);
    }
}

// --- Whole events through callback() ------------------------------------------------------

// The same loop for either side, so that the two measure exactly the same way.
void eventSide(benchmark::State& state, event_kind kind, bool plugin) {
    panel_pair pair;
    if (!pair.error().empty()) {
        state.SkipWithError(pair.error().c_str());
        return;
    }
    const uint64_t commandsBefore = pair.host.commands();
    {
        alloc_scope allocs(state);
        for (auto _ : state) {
            if (plugin) {
                pair.plugin(kind);
            } else {
                pair.baseline(kind);
            }
        }
    }
    state.counters["cmds/iter"] =
        benchmark::Counter(static_cast<double>(pair.host.commands() - commandsBefore),
                           benchmark::Counter::kAvgIterations);
}

void eventPlugin(benchmark::State& state, event_kind kind) {
    eventSide(state, kind, true);
}

void eventBaseline(benchmark::State& state, event_kind kind) {
    eventSide(state, kind, false);
}

// --- Ten million mixed events --------------------------------------------------------------

constexpr long kMixedEvents = 10000000;

void mixedHeapPlugin(benchmark::State& state) {
    panel_pair pair;
    if (!pair.error().empty()) {
        state.SkipWithError(pair.error().c_str());
        return;
    }
    // One round first, so that whatever the process sets up once is not counted.
    pair.pluginMixedRound();
    const alloc_snapshot before = allocSnapshot();
    long events = 0;
    for (auto _ : state) {
        while (events < kMixedEvents) {
            events += pair.pluginMixedRound();
        }
    }
    const alloc_snapshot after = allocSnapshot();
    state.counters["events"] = static_cast<double>(events);
    state.counters["allocs/event"] =
        static_cast<double>(after.allocations - before.allocations) / static_cast<double>(events);
    state.counters["live_blocks_delta"] =
        static_cast<double>(after.liveBlocks() - before.liveBlocks());
    state.counters["live_bytes_delta"] = static_cast<double>(after.liveBytes - before.liveBytes);
}

void registerBenchmarks() {
    const auto add = [](const std::string& name, void (*function)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name.c_str(), function)->Unit(benchmark::kNanosecond);
    };
    add("parse/parsed_request/plugin", parsedRequestPlugin);
    add("parse/parsed_request/baseline", parsedRequestBaseline);
    add("parse/decodeKESTString/plugin", tokenizerPlugin);
    add("parse/decodeKESTString/baseline", tokenizerBaseline);
    add("command/routerRegister/plugin", routerRegisterPlugin);
    add("command/routerRegister/baseline", routerRegisterBaseline);
    add("command/textPut/plugin", textPutPlugin);
    add("command/textPut/baseline", textPutBaseline);
    add("command/routerCrosspoint/plugin", routerCrosspointPlugin);
    add("command/routerCrosspoint/baseline", routerCrosspointBaseline);
    for (const event_kind kind : kAllEventKinds) {
        const std::string name = std::string("event/") + eventName(kind);
        benchmark::RegisterBenchmark((name + "/plugin").c_str(), eventPlugin, kind)
            ->Unit(benchmark::kNanosecond);
        benchmark::RegisterBenchmark((name + "/baseline").c_str(), eventBaseline, kind)
            ->Unit(benchmark::kNanosecond);
    }
    benchmark::RegisterBenchmark("heap/mixed_10M_events/plugin", mixedHeapPlugin)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

// --- Report --------------------------------------------------------------------------------

struct measured {
    double nanoseconds = 0;  // the fastest repetition: the least disturbed on a busy machine
    std::map<std::string, double> counters;
    bool seen = false;
};

class collecting_reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            // The registered name, without suffixes such as "/iterations:1".
            measured& m = results[run.run_name.function_name];
            const double ns = run.GetAdjustedCPUTime() * timeUnitToNanoseconds(run.time_unit);
            if (!m.seen || ns < m.nanoseconds) {
                m.nanoseconds = ns;
            }
            for (const auto& counter : run.counters) {
                m.counters[counter.first] = counter.second.value;
            }
            m.seen = true;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, measured> results;

  private:
    static double timeUnitToNanoseconds(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kSecond:
                return 1e9;
            case benchmark::kMillisecond:
                return 1e6;
            case benchmark::kMicrosecond:
                return 1e3;
            case benchmark::kNanosecond:
                return 1;
        }
        return 1;
    }
};

struct target {
    const char* name;  // "<group>/<what>"
    double maxAllocs;  // per iteration of the plug-in variant
    double maxRatio;   // 0: reported, not a target
};

constexpr target kTargets[] = {
    {"parse/parsed_request", 1, 0},     {"parse/decodeKESTString", 1, 0},
    {"command/routerRegister", 0, 0},   {"command/textPut", 0, 0},
    {"command/routerCrosspoint", 0, 0}, {"event/gpi_press", 0, 1.5},
    {"event/gpi_release", 0, 1.5},      {"event/router_revertive", 0, 1.5},
    {"event/tally_slot", 0, 1.5},       {"event/database_change", 0, 1.5},
    {"event/parent_request", 2, 1.5},
};

int printReport(const std::map<std::string, measured>& results) {
    int missed = 0;
    std::printf("\n%-26s %11s %11s %7s %8s %8s  %s\n", "benchmark", "plugin ns", "baseline ns",
                "ratio", "allocs", "(base)", "targets");
    for (const target& t : kTargets) {
        const auto plugin = results.find(std::string(t.name) + "/plugin");
        const auto baseline = results.find(std::string(t.name) + "/baseline");
        if (plugin == results.end() || baseline == results.end()) {
            continue;
        }
        const double ratio = plugin->second.nanoseconds / baseline->second.nanoseconds;
        const double allocs = plugin->second.counters.at("allocs/iter");
        const double baseAllocs = baseline->second.counters.at("allocs/iter");
        std::string verdict;
        if (allocs > t.maxAllocs) {
            verdict += "ALLOCS OVER " + std::to_string(static_cast<int>(t.maxAllocs)) + " ";
            ++missed;
        }
        if (t.maxRatio > 0 && ratio > t.maxRatio) {
            verdict += "RATIO OVER 1.5 ";
            ++missed;
        }
        if (verdict.empty()) {
            verdict = "ok";
        }
        std::printf("%-26s %11.1f %11.1f %7.2f %8.2f %8.2f  %s\n", t.name,
                    plugin->second.nanoseconds, baseline->second.nanoseconds, ratio, allocs,
                    baseAllocs, verdict.c_str());
    }
    const auto heap = results.find("heap/mixed_10M_events/plugin");
    if (heap != results.end()) {
        const auto& c = heap->second.counters;
        const bool steady = c.at("live_blocks_delta") == 0 && c.at("live_bytes_delta") == 0;
        std::printf(
            "\nheap after %.0f mixed events: %+.0f live blocks, %+.0f live bytes, %.3f allocs per "
            "event  %s\n",
            c.at("events"), c.at("live_blocks_delta"), c.at("live_bytes_delta"),
            c.at("allocs/event"), steady ? "ok" : "HEAP GREW");
        if (!steady) {
            ++missed;
        }
    }
    std::printf("\n%s\n", missed == 0 ? "all targets met" : "TARGETS MISSED");
    return missed == 0 ? 0 : 1;
}

// --- Self-checks ---------------------------------------------------------------------------

// Called through volatile pointers, so that the compiler cannot pair and drop the
// allocations.
void* (*volatile cMalloc)(std::size_t) = std::malloc;
void (*volatile cFree)(void*) = std::free;

template <typename Work>
bool countsAtLeast(const char* what, uint64_t least, Work work) {
    const alloc_snapshot before = allocSnapshot();
    work();
    const alloc_snapshot after = allocSnapshot();
    const uint64_t seen = after.allocations - before.allocations;
    if (seen < least || after.liveBlocks() != before.liveBlocks()) {
        std::fprintf(stderr, "allocation counter self-check failed: %s: %llu allocations seen\n",
                     what, static_cast<unsigned long long>(seen));
        return false;
    }
    return true;
}

bool selfCheck() {
    bool ok = true;
    ok &= countsAtLeast("malloc in the benchmark program", 1, [] { cFree(cMalloc(64)); });
    ok &= countsAtLeast("operator new in the benchmark program", 1, [] {
        auto* volatile block = new std::string(200, 'x');
        delete block;
    });
    ok &= countsAtLeast("a long kest_string (libkest_string)", 1, [] {
        const std::string text(kest_string_state::kInlineCapacity + 1, 'x');
        const kest_string copy(text.c_str());
        benchmark::DoNotOptimize(copy.length());
    });
    panel_pair pair;
    ok &= countsAtLeast("a parent request in the plug-in (libTavrin)", 2,
                        [&pair] { pair.plugin(event_kind::parent_request); });
    const std::string difference = compareWithBaseline();
    if (!difference.empty()) {
        std::fprintf(stderr, "plug-in and baseline differ: %s\n", difference.c_str());
        ok = false;
    }
    return ok;
}

}  // namespace
}  // namespace kest_bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    if (!kest_bench::selfCheck()) {
        return 2;
    }
    kest_bench::registerBenchmarks();
    kest_bench::collecting_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return kest_bench::printReport(reporter.results);
}
