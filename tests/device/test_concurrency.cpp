// The manager under concurrent use: a scan on one thread while two others
// send reports (run under ThreadSanitizer by `make tsan`).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/DeviceEvents.h"
#include "device/DeviceManager.h"
#include "tests/device/DeviceTestSupport.h"

using namespace device;

TEST(ConcurrencyTest, ScanAndTransportOnThreeThreads) {
    auto hid = std::make_shared<sim::SimulatedHid>();
    DeviceManager manager(hid);
    ModeList modes;
    LockedCommandQueue queue;
    DeviceEvents events(modes, queue);
    devtest::AddCatalogue(manager, &modes);
    ASSERT_TRUE(hid->Start([&](const hotplug::Event& e) { events.OnHotplug(e); }));
    hid->Plug(devtest::Board("k104"));
    devtest::Scan(manager, 100);

    std::atomic<bool> stop = false;
    std::atomic<int> reads = 0, writes = 0;
    std::thread scanner([&] {
        // Until both senders have had their turn a few times.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (int i = 0; std::chrono::steady_clock::now() < deadline && (i < 8 || reads < 3 || writes < 3); ++i) {
            // Boards come and go while reports flow.
            auto extra = hid->Plug(devtest::Board("k87"));
            devtest::Scan(manager, 100);
            hid->Unplug(extra);
            manager.SetSelectedDeviceType(i % 2 ? 100 : 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        stop = true;
    });
    std::thread reader([&] {
        while (!stop) {
            FeatureBlock block{};
            int answered = 0;
            manager.ReadFeatureBlock({kFeatureReportId, kCmdReadSlotTable, kCmdReadSlotTableArg}, block, &answered);
            int version = 0;
            manager.QueryFirmwareVersion(version);
            ++reads;
        }
    });
    std::thread writer([&] {
        while (!stop) {
            OutputReport frame{};
            frame[1] = 0xF1;
            manager.WriteControlReport(frame);
            manager.WriteReport(OutputReport{});
            manager.WriteReportPadded(OutputData{});
            ++writes;
        }
    });
    scanner.join();
    reader.join();
    writer.join();
    hid->Stop();
    EXPECT_GE(reads, 3);
    EXPECT_GE(writes, 3);
    EXPECT_FALSE(queue.Snapshot().empty());
}
