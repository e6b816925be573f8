// The store's hot paths, on a real file in a temporary folder: listing a
// profile layer's key assignments, storing a custom lighting of 110 keys,
// storing a macro of 160 steps. Each runs many repetitions; read the
// median.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "store/DataStore.h"

namespace {

constexpr int kRepetitions = 15;

// One temporary data folder and open store for the whole run.
class BenchStore {
public:
    BenchStore() {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/tastra-bench-XXXXXX";
        if (mkdtemp(pattern.data())) m_folder = pattern + "/";
        ::mkdir((m_folder + "db").c_str(), 0700);
        m_store.OpenOrCreate(CString::FromUtf8(m_folder), u"Bench");
    }
    ~BenchStore() {
        m_store.Close();
        std::error_code ec;
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ec);
    }
    DataStore& Store() { return m_store; }

private:
    std::string m_folder;
    DataStore m_store;
};

BenchStore& Shared() {
    static BenchStore bench;
    return bench;
}

void BM_ListKeyAssignments100(benchmark::State& state) {
    DataStore& store = Shared().Store();
    static bool filled = false;
    if (!filled) {
        for (int key = 0; key < 100; ++key) {
            KeyAssignmentRecord record;
            record.profile = 1;
            record.fnLayer = 0;
            record.keyCode = key + 1;
            record.macroType = 1;
            record.macroValue = key + 4;
            record.layoutDesc = u"Key";
            record.macroDesc = u"Function";
            store.SaveKeyAssignment(record);
        }
        filled = true;
    }
    std::vector<KeyAssignmentRecord> list;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.ListKeyAssignments(1, 0, list));
    }
    if (list.size() != 100) state.SkipWithError("expected 100 assignments");
}

void BM_AddKeyLights110(benchmark::State& state) {
    DataStore& store = Shared().Store();
    std::vector<KeyLightRecord> lights;
    for (int key = 0; key < 110; ++key) lights.push_back({0, 1, 128, key + 4, 0x00FF00});
    for (auto _ : state) {
        // The custom lighting page replaces the group each time; only the
        // insert is timed.
        state.PauseTiming();
        store.DeleteKeyLights(128);
        state.ResumeTiming();
        if (store.AddKeyLights(lights) != 110) state.SkipWithError("AddKeyLights failed");
    }
}

void BM_AddMacroSteps160(benchmark::State& state) {
    DataStore& store = Shared().Store();
    const int macro = store.AddMacro(u"bench");
    std::vector<MacroStepRecord> steps;
    for (int i = 0; i < 160; ++i) steps.push_back({0, macro, 2 + i % 2, i, 4 + i % 30, 12, u"A"});
    for (auto _ : state) {
        // The macro editor's save drops the old steps first (not timed).
        state.PauseTiming();
        store.DeleteMacroSteps(macro);
        state.ResumeTiming();
        if (store.AddMacroSteps(steps) != 160) state.SkipWithError("AddMacroSteps failed");
    }
}

}  // namespace

BENCHMARK(BM_ListKeyAssignments100)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddKeyLights110)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddMacroSteps160)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
