// Device events: which notifications queue a rescan.
#include <gtest/gtest.h>

#include "device/DeviceEvents.h"
#include "tests/device/DeviceTestSupport.h"

using namespace device;

namespace {

const char16_t* kK87Wired = u"HID#VID_1209&PID_0002&MI_02#0003:1209:0002.0005";
const char16_t* kK87Keyboard = u"HID#VID_1209&PID_0002&MI_00#0003:1209:0002.0003";
const char16_t* kK87Bluetooth = u"HID#{00001812-0000-1000-8000-00805F9B34FB}_VID_1209&PID_0004#0005:1209:0004.0007";

struct Events {
    ModeList modes;
    LockedCommandQueue queue;
    DeviceEvents events{modes, queue};

    Events() {
        modes.AddLine({0x1209, 0x0001, u"Tastra K104", 100, 0, u"VID_1209&PID_0001&MI_02"});
        modes.AddLine({0x1209, 0x0002, u"Tastra K87", 201, 0, u"VID_1209&PID_0002&MI_02"});
        modes.AddLine({0x1209, 0x0004, u"Tastra K87", 201, 2, u"VID_1209&PID_0004"});
    }
    void Send(unsigned code, const char16_t* name, int type = kDeviceTypeInterface) {
        DeviceBroadcast broadcast{type, name};
        events.OnDeviceChange(code, &broadcast);
    }
};

}  // namespace

TEST(DeviceEventsTest, ArrivalsQueueOneRescanEach) {
    Events e;
    e.Send(kDeviceArrival, kK87Wired);
    e.Send(kDeviceArrival, u"hid#vid_1209&pid_0002&mi_02#0003:1209:0002.0006");  // compared upper-cased
    e.Send(kDeviceArrival, kK87Keyboard);                                        // another interface: no match
    e.Send(kDeviceArrival, u"HID#VID_046D&PID_C52B&MI_02#0003:046D:C52B.0001");
    EXPECT_EQ(e.queue.Snapshot(), (std::vector<int>{kCmdDeviceArrived, kCmdDeviceArrived}));
}

TEST(DeviceEventsTest, IgnoredNotifications) {
    Events e;
    e.Send(kDeviceArrival, kK87Bluetooth);  // Bluetooth HID service
    e.Send(0x8001, kK87Wired);              // query remove
    e.Send(kDeviceArrival, kK87Wired, 3);   // not a device interface
    e.events.OnDeviceChange(kDeviceArrival, nullptr);
    e.Send(kDeviceRemoveComplete, kK87Wired);  // never found by a scan
    EXPECT_TRUE(e.queue.Snapshot().empty());
}

TEST(DeviceEventsTest, RemovalClearsThePresentFlagOnce) {
    Events e;
    e.modes.SetPresent(1, true);
    e.modes.SetPresent(2, true);
    e.Send(kDeviceRemoveComplete, kK87Bluetooth);  // ignored, flag stays
    EXPECT_TRUE(e.modes.IsPresent(2));
    e.Send(kDeviceRemoveComplete, kK87Wired);
    EXPECT_FALSE(e.modes.IsPresent(1));
    e.Send(kDeviceRemoveComplete, kK87Wired);  // already clear
    EXPECT_EQ(e.queue.Snapshot(), (std::vector<int>{kCmdDeviceRemoved}));
}

TEST(DeviceEventsTest, EmptyPatternMatchesEveryArrival) {
    Events e;
    e.modes.Clear();
    e.modes.AddLine({0x1209, 0x0002, u"", 201, 0, u""});
    e.Send(kDeviceArrival, u"HID#VID_046D&PID_C52B&MI_00#0003:046D:C52B.0001");
    e.Send(kDeviceArrival, kK87Bluetooth);  // still ignored
    EXPECT_EQ(e.queue.Snapshot(), (std::vector<int>{kCmdDeviceArrived}));
}

TEST(DeviceEventsTest, SimulatedPlugRaisesTheSameEvents) {
    Events e;
    sim::SimulatedHid hid;
    ASSERT_TRUE(hid.Start([&](const hotplug::Event& event) { e.events.OnHotplug(event); }));
    auto board = hid.Plug(devtest::Board("k87"));
    // Three HID devices arrive; only the vendor interface matches the line.
    EXPECT_EQ(e.queue.Snapshot(), (std::vector<int>{kCmdDeviceArrived}));
    e.modes.SetPresent(1, true);
    ASSERT_TRUE(hid.Unplug(board));
    EXPECT_EQ(e.queue.Snapshot(), (std::vector<int>{kCmdDeviceArrived, kCmdDeviceRemoved}));
    EXPECT_FALSE(hid.Unplug(board));
    hid.Stop();
    hid.Plug(devtest::Board("k87"));
    EXPECT_EQ(e.queue.Snapshot().size(), 2u);
}

TEST(DeviceEventsTest, UdevMonitorStartsAndStops) {
    // No devices come and go here; the thread must still start and stop
    // cleanly (or refuse to start where netlink is unavailable).
    auto monitor = hotplug::CreateUdevMonitor();
    if (monitor->Start([](const hotplug::Event&) {})) {
        EXPECT_FALSE(monitor->Start([](const hotplug::Event&) {}));
        monitor->Stop();
    }
    monitor->Stop();
}
