// Whole-profile key writes of both firmware families to a simulated board:
// the time taken against the sum of the protocol's mandatory pauses for the
// same reports (ratio counter; 1.05 or less is the target).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "device/DeviceManager.h"
#include "device/commands/FirstFamilyCommands.h"
#include "device/commands/SecondFamilyCommands.h"
#include "device/sim/SimBoardTable.h"
#include "device/sim/SimulatedHid.h"
#include "model/KeyboardDefinition.h"
#include "store/DataStore.h"

using namespace device;
using namespace device::commands;

namespace {

constexpr int kVkA = 0x41;

struct Rig {
    std::shared_ptr<sim::SimulatedHid> hid = std::make_shared<sim::SimulatedHid>();
    DeviceManager manager{hid};
    std::shared_ptr<sim::SimulatedKeyboard> board;
    DataStore store;
    CommandContext context;
    KeyboardDefinition layout;
    std::string folder;

    explicit Rig(size_t specIndex) {
        const sim::SimBoardSpec& boardSpec = sim::SimBoardTable()[specIndex];
        manager.AddSupportedDevice(boardSpec.vendorId, boardSpec.productId, boardSpec.productString, boardSpec.deviceType, boardSpec.mode, u"");
        board = hid->Plug(boardSpec);
        manager.Rescan();
        manager.SetOpenFlag(true);
        manager.SetSelectedDeviceType(boardSpec.deviceType);
        folder = (std::filesystem::temp_directory_path() / ("bench_cmdset_" + std::to_string(::getpid()) + "_" +
                                                            std::to_string(specIndex)))
                     .string() + "/";
        std::filesystem::create_directories(folder + "db");
        store.DeleteDatabaseFile(CString::FromUtf8(folder), u"bench");
        store.OpenOrCreate(CString::FromUtf8(folder), u"bench");
        ProfileRecord p;
        p.name = u"Profile 1";
        context.profile = store.AddProfile(p);
        for (int code = 0x04; code < 0x60; ++code) layout.keyIndexMap[code] = code - 0x04;
        context.definition = &layout;
        // A profile: 2 user macros of 10 key steps, 2 presets, 4 remaps, a disabled key.
        for (int m = 0; m < 2; ++m) {
            const int id = store.AddMacro(u"m");
            std::vector<MacroStepRecord> steps;
            for (int i = 0; i < 10; ++i) {
                MacroStepRecord s;
                s.macroId = id, s.type = 2 + (i % 2), s.value = kVkA + i / 2, s.delayTime = 50, s.recordIndex = i;
                steps.push_back(s);
            }
            store.AddMacroSteps(steps);
            Assign(0x04 + m, 3, id);
        }
        Assign(0x10, 7, 1);
        Assign(0x11, 7, 13);
        for (int i = 0; i < 4; ++i) Assign(0x20 + i, 2, 0x30 + i);
        Assign(0x28, 1, 1);
    }
    ~Rig() {
        store.Close();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    void Assign(int key, int type, int value) {
        KeyAssignmentRecord r;
        r.profile = context.profile, r.keyCode = key, r.macroType = type, r.macroValue = value;
        store.SaveKeyAssignment(r);
    }
};

void Report(benchmark::State& state, double totalMs, double pausesMs) {
    state.counters["pauses_ms"] = pausesMs;
    state.counters["ratio"] = pausesMs > 0 ? totalMs / pausesMs : 0;
}

void BM_SecondFamilyWholeProfile(benchmark::State& state) {
    Rig rig(1);  // K87 wired
    SecondFamilyCommands commands(rig.manager, rig.store);
    double totalMs = 0, pausesMs = 0;
    for (auto _ : state) {
        // Every run finds the previous run's slots and clears them first.
        FeatureBlock block{};
        commands.ReadSlotTable(block);
        int held = 0;
        for (size_t i = 1; i < 24; ++i) held += block[i] != 0 ? 1 : 0;
        int heldMacros = 0;
        for (size_t i = 1; i < 14; ++i) heldMacros += block[i] != 0 ? 1 : 0;
        const auto start = std::chrono::steady_clock::now();
        const KeyWriteResult result = commands.WriteKeyAssignments(rig.context);
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const int heldRemaps = held - heldMacros;
        // Read: 4 x 16; each macro slot: 16 + 28 x 16; each remap slot: 16 + 16.
        pausesMs += 4 * 16.0 + (heldMacros + result.macrosWritten) * (16.0 + 28 * 16.0) +
                    (heldRemaps + result.remapsWritten) * 32.0;
    }
    Report(state, totalMs, pausesMs);
}
BENCHMARK(BM_SecondFamilyWholeProfile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_FirstFamilyWholeProfile(benchmark::State& state) {
    Rig rig(0);  // K104 wired
    std::atomic<bool> started{false};
    FirstFamilyCommands commands(rig.manager, rig.store, &started);
    double totalMs = 0, pausesMs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const FirstKeyWriteResult result = commands.WriteKeyAssignmentsFirst(rig.context);
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        // User macros of 10 steps (L = 33, one report): 10 + 100 each;
        // presets 10 + 10; then 20 and the key table's 4 x 10.
        (void)result;
        pausesMs += 2 * (10.0 + 100.0) + 2 * (10.0 + 10.0) + 20.0 + 4 * 10.0;
    }
    Report(state, totalMs, pausesMs);
}
BENCHMARK(BM_FirstFamilyWholeProfile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
