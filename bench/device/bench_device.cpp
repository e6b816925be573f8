// The protocol pauses measured: the gap before each feature report of a
// slot-table read (nominally 16 ms), taken from the simulated board's
// receive times, as median, p99 and worst over many sequences.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "device/DeviceManager.h"
#include "device/sim/SimBoardTable.h"
#include "device/sim/SimulatedHid.h"

using namespace device;

namespace {

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void BM_FeatureSequenceGaps(benchmark::State& state) {
    auto hid = std::make_shared<sim::SimulatedHid>();
    const sim::SimBoardSpec& boardSpec = sim::SimBoardTable()[1];  // K87 wired
    auto board = hid->Plug(boardSpec);
    DeviceManager manager(hid);
    manager.AddSupportedDevice(boardSpec.vendorId, boardSpec.productId, boardSpec.productString, boardSpec.deviceType, boardSpec.mode, u"");
    manager.Rescan();
    manager.SetOpenFlag(true);
    manager.SetSelectedDeviceType(boardSpec.deviceType);

    std::vector<double> gaps;
    const FeatureReport request{kFeatureReportId, kCmdReadSlotTable, kCmdReadSlotTableArg};
    for (auto _ : state) {
        board->ClearLog();
        FeatureBlock block{};
        benchmark::DoNotOptimize(manager.ReadFeatureBlock(request, block));
        auto log = board->Log();
        for (size_t i = 1; i < log.size(); ++i)
            gaps.push_back(std::chrono::duration<double, std::milli>(log[i].time - log[i - 1].time).count());
    }
    state.counters["nominal_ms"] = kPauseBeforeFeatureMs;
    state.counters["median_ms"] = Percentile(gaps, 0.5);
    state.counters["p99_ms"] = Percentile(gaps, 0.99);
    state.counters["worst_ms"] = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
    state.counters["gaps"] = static_cast<double>(gaps.size());
}

}  // namespace

BENCHMARK(BM_FeatureSequenceGaps)->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
