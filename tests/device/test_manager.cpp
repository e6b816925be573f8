// DeviceManager: catalogue matching, the scan and the interface choice.
#include <gtest/gtest.h>

#include "device/DeviceManager.h"
#include "tests/device/DeviceTestSupport.h"

using namespace device;
using devtest::Board;

namespace {

struct SimFixture {
    std::shared_ptr<sim::SimulatedHid> hid = std::make_shared<sim::SimulatedHid>();
    DeviceManager manager{hid};
    SimFixture() { devtest::AddCatalogue(manager); }
};

}  // namespace

TEST(ManagerCatalogueTest, ProductNameMatching) {
    DeviceManager manager(std::make_shared<devtest::ListedHid>());
    manager.AddSupportedDevice(0x1209, 0x0002, u"", 201, 0, u"");
    manager.AddSupportedDevice(0x1209, 0x0003, u"Tastra K87", 201, 1, u"");
    manager.AddSupportedDevice(0x1209, 0x0003, u"Tastra K87 Pro", 202, 1, u"");  // duplicates are kept
    EXPECT_TRUE(manager.IsSupported(0x1209, 0x0002, u"anything at all"));
    EXPECT_TRUE(manager.IsSupported(0x1209, 0x0002, u""));
    EXPECT_TRUE(manager.IsSupported(0x1209, 0x0003, u"Tastra K87"));
    EXPECT_TRUE(manager.IsSupported(0x1209, 0x0003, u"Tastra K87 Pro"));
    EXPECT_FALSE(manager.IsSupported(0x1209, 0x0003, u"tastra k87"));  // case-sensitive
    EXPECT_FALSE(manager.IsSupported(0x1209, 0x0004, u""));
    // Type and mode come from the first line with the ids.
    EXPECT_EQ(manager.DeviceTypeOf(0x1209, 0x0003), 201);
    EXPECT_EQ(manager.ConnectionModeOf(0x1209, 0x0003), 1);
    EXPECT_EQ(manager.DeviceTypeOf(0x1209, 0x0009), 0);
}

TEST(ManagerScanTest, NoKeyboardGivesNothing) {
    SimFixture f;
    devtest::Scan(f.manager);
    std::vector<OpenedDeviceInfo> opened;
    EXPECT_FALSE(f.manager.GetOpenedOfSelectedType(opened));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(f.manager.GetConnectionMode(), -1);
    EXPECT_FALSE(f.manager.ActiveDevice());
    EXPECT_FALSE(f.manager.HasControlInterface());
    EXPECT_FALSE(f.manager.WriteReport(OutputReport{}));
    int version = 0;
    EXPECT_FALSE(f.manager.QueryFirmwareVersion(version));
}

TEST(ManagerScanTest, OpensVendorAndControlInterfacesOfTheFirstFamily) {
    SimFixture f;
    f.hid->Plug(Board("k104"));
    devtest::Scan(f.manager);
    std::vector<OpenedDeviceInfo> opened;
    ASSERT_TRUE(f.manager.GetOpenedOfSelectedType(opened));
    ASSERT_EQ(opened.size(), 1u);  // keyboard and media collections closed again, interface 3 is control
    EXPECT_EQ(opened[0].path.substr(0, 28), "HID#VID_1209&PID_0001&MI_02#");
    EXPECT_EQ(opened[0].deviceType, 100);
    EXPECT_EQ(opened[0].online, 1);
    EXPECT_EQ(opened[0].productString, CString(u"Tastra K104"));
    EXPECT_TRUE(f.manager.HasControlInterface());
}

TEST(ManagerScanTest, ConnectionModeAndActiveHandleOrder) {
    struct Case {
        std::vector<int> modes;  // K87 boards plugged, by mode
        int connectionMode;
        uint16_t activePid;
    } cases[] = {
        {{1, 0}, 0, 0x0002},  // wired wins both
        {{1, 2}, 2, 0x0003},  // Bluetooth named, but the receiver carries the reports
        {{2}, 2, 0x0004},
        {{1}, 1, 0x0003},
    };
    for (const Case& c : cases) {
        SimFixture f;
        for (int mode : c.modes) f.hid->Plug(Board("k87", mode));
        devtest::Scan(f.manager, 201);
        EXPECT_EQ(f.manager.GetConnectionMode(), c.connectionMode);
        OpenedDeviceInfo active;
        ASSERT_TRUE(f.manager.ActiveDevice(&active));
        EXPECT_EQ(active.productId, c.activePid);
    }
}

TEST(ManagerScanTest, SelectedTypeFiltersAndResetsTheActiveHandle) {
    SimFixture f;
    f.hid->Plug(Board("k104"));
    f.hid->Plug(Board("k87"));
    devtest::Scan(f.manager, 201);
    OpenedDeviceInfo active;
    ASSERT_TRUE(f.manager.ActiveDevice(&active));
    EXPECT_EQ(active.productId, 0x0002);
    f.manager.SetSelectedDeviceType(100);
    ASSERT_TRUE(f.manager.ActiveDevice(&active));
    EXPECT_EQ(active.productId, 0x0001);
    f.manager.SetSelectedDeviceType(300);
    EXPECT_FALSE(f.manager.ActiveDevice());
    EXPECT_EQ(f.manager.GetConnectionMode(), -1);
}

TEST(ManagerScanTest, FindOpenedDevice) {
    SimFixture f;
    f.hid->Plug(Board("k87", 1));
    devtest::Scan(f.manager);
    EXPECT_EQ(f.manager.FindOpenedDevice(0x1209, 0x0003, u"Tastra K87", 1), 0);
    EXPECT_EQ(f.manager.FindOpenedDevice(0x1209, 0x0003, u"", 1), 0);
    EXPECT_EQ(f.manager.FindOpenedDevice(0x1209, 0x0003, u"Other", 1), -1);
    EXPECT_EQ(f.manager.FindOpenedDevice(0x1209, 0x0003, u"", 0), -1);
}

TEST(ManagerScanTest, InterfaceRulesOnListedCollections) {
    auto hid = std::make_shared<devtest::ListedHid>();
    const std::string vendor = "HID#VID_1209&PID_0001&MI_02#0003:1209:0001.0001";
    const std::string lowerControl = "hid#vid_1209&pid_0001&mi_03#0003:1209:0001.0002";
    const std::string laterControl = "HID#VID_1209&PID_0001&MI_03#0003:1209:0001.0009";
    hid->devices = {
        devtest::Collection("HID#VID_1209&PID_0001&MI_00#0003:1209:0001.0003", 1, 0x01, 6),  // keyboard
        devtest::Collection(vendor, 1),
        devtest::Collection(lowerControl, 1),
        devtest::Collection(laterControl, 1),
        devtest::Collection("HID#VID_1209&PID_0001&MI_02#" + std::string(1000, 'X'), 1),  // too long
        devtest::Collection("HID#VID_1209&PID_0001&MI_02#0003:1209:0001.0004", 1, 0xFF01, 1, u"Other"),
        devtest::Collection("HID#VID_1209&PID_0001&MI_02#0003:1209:0001.0005", 1),
    };
    hid->unopenable = {"HID#VID_1209&PID_0001&MI_02#0003:1209:0001.0005"};
    DeviceManager manager(hid);
    manager.AddSupportedDevice(0x1209, 0x0001, u"Tastra K87", 100, 0, u"");
    devtest::Scan(manager);

    std::vector<OpenedDeviceInfo> opened;
    ASSERT_TRUE(manager.GetOpenedOfSelectedType(opened));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].path, vendor);
    // The lower-case "&mi_03" is still the control interface; the later
    // control interface replaces it and the replaced handle is closed.
    EXPECT_TRUE(manager.HasControlInterface());
    // Opened: keyboard (closed at once), vendor, both controls; the long path
    // was never opened and the wrong product was skipped before opening.
    EXPECT_EQ(hid->opened.size(), 4u);
    EXPECT_EQ(hid->closed, 2);
    OutputReport frame{};
    frame[1] = 0xF1;
    ASSERT_TRUE(manager.WriteControlReport(frame));
    ASSERT_FALSE(hid->sent.empty());
    EXPECT_EQ(hid->sent.back().path, laterControl);

    manager.CloseAll();
    EXPECT_EQ(hid->closed, 4);
    EXPECT_FALSE(manager.HasControlInterface());
}

TEST(ManagerScanTest, SystemBackEndWithoutKeyboards) {
    // The hidapi back end runs wherever hidraw is missing or empty: the scan
    // finds no catalogued board and nothing is sent.
    DeviceManager manager;
    devtest::AddCatalogue(manager);
    devtest::Scan(manager);
    std::vector<OpenedDeviceInfo> opened;
    EXPECT_FALSE(manager.GetOpenedOfSelectedType(opened));
    EXPECT_EQ(manager.GetConnectionMode(), -1);
    EXPECT_FALSE(manager.WriteReportPadded(OutputData{}));
    auto api = hid::CreateHidapiBackend();
    EXPECT_EQ(api->Open("HID#VID_1209&PID_0002&MI_02#0003:1209:0002.0001"), nullptr);
    EXPECT_EQ(api->Open("/dev/null"), nullptr);  // only enumerated names are opened
}
