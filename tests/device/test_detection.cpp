// Detection: what a scan changes in the controller and on screen.
#include <gtest/gtest.h>

#include "device/DeviceDetection.h"
#include "tests/device/DeviceTestSupport.h"

using namespace device;
using devtest::Board;

namespace {

class RecordingView final : public IDeviceStateView {
public:
    std::vector<std::string> calls;
    void ResetDeviceList() override { calls.push_back("reset"); }
    void SetDeviceListState(int type, int state) override { Add("list", type, state); }
    void SetHeaderStatusText(int id) override { Add("header", id); }
    void SetPageFlags(int flags) override { Add("flags", flags); }
    void ShowPageArea(bool v) override { Add("area", v); }
    void ShowPageAreaFrame(bool v) override { Add("frame", v); }
    void ShowTabControl(bool v) override { Add("tabs", v); }
    void ShowStatusLine(bool v) override { Add("status", v); }
    void SetDeviceLabel(int id) override { Add("label", id); }
    void SetDevicePicture(const CString& image) override { calls.push_back("picture " + image.ToUtf8()); }
    void ClearTabPicture() override { calls.push_back("clear-tab-picture"); }
    void SelectTab(int tab) override { Add("tab", tab); }
    void Repaint() override { calls.push_back("repaint"); }

private:
    void Add(const char* what, int a, int b = -1000) {
        calls.push_back(std::string(what) + " " + std::to_string(a) + (b == -1000 ? "" : " " + std::to_string(b)));
    }
};

class Layouts final : public ILayoutSwitcher {
public:
    int loaded = 201;
    std::vector<int> loads;
    int LoadedDeviceType() const override { return loaded; }
    void LoadLayout(int type) override {
        loaded = type;
        loads.push_back(type);
    }
};

struct Controller {
    std::shared_ptr<sim::SimulatedHid> hid = std::make_shared<sim::SimulatedHid>();
    DeviceManager manager{hid};
    ModeList modes;
    RecordingView view;
    LockedCommandQueue queue;
    Layouts layouts;
    DeviceDetection detection{manager, modes, view, queue, layouts};

    Controller() { devtest::AddCatalogue(manager, &modes); }
    void Detect() {
        view.calls.clear();
        detection.RefreshDeviceState();
        detection.ApplyDeviceState();
    }
    bool Has(const std::string& call) const {
        return std::find(view.calls.begin(), view.calls.end(), call) != view.calls.end();
    }
};

}  // namespace

TEST(DetectionTest, NoKeyboard) {
    Controller c;
    c.Detect();
    EXPECT_FALSE(c.detection.AnyDeviceOpen());
    EXPECT_EQ(c.detection.ConnectionMode(), -1);
    EXPECT_EQ(c.view.calls,
              (std::vector<std::string>{"reset", "header 61", "tab 0", "area 0", "clear-tab-picture", "repaint"}));
    EXPECT_TRUE(c.queue.Snapshot().empty());
    EXPECT_TRUE(c.layouts.loads.empty());
}

TEST(DetectionTest, WiredSecondFamilyBoard) {
    Controller c;
    c.hid->Plug(Board("k87"));
    c.Detect();
    EXPECT_TRUE(c.detection.AnyDeviceOpen());
    EXPECT_TRUE(c.detection.ConnectedToCatalogue());
    EXPECT_EQ(c.detection.DeviceType(), 201);
    EXPECT_EQ(c.detection.ConnectionMode(), 0);
    EXPECT_EQ(c.manager.SelectedDeviceType(), 201);
    EXPECT_TRUE(c.modes.IsPresent(1));
    EXPECT_FALSE(c.modes.IsPresent(2));
    EXPECT_EQ(c.view.calls,
              (std::vector<std::string>{"reset", "list 201 1", "header 60", "flags 71", "area 1", "tabs 1", "status 1",
                                        "label 51", "picture icon\\icon_keyboard.png", "tab 1", "repaint"}));
    EXPECT_EQ(c.queue.Snapshot(), (std::vector<int>{kCmdVersionQuery, kCmdReload}));
    EXPECT_TRUE(c.layouts.loads.empty());  // the 201 layout is already loaded
}

TEST(DetectionTest, WirelessSecondFamilyShowsLighting) {
    Controller c;
    c.hid->Plug(Board("k87", 1));
    c.Detect();
    EXPECT_EQ(c.detection.ConnectionMode(), 1);
    EXPECT_TRUE(c.Has("flags 68"));
    EXPECT_TRUE(c.Has("tab 3"));
}

TEST(DetectionTest, FirstFamilyBoardIsReachable) {
    // The selected type follows the board found, so its reports have a
    // handle to go to, and its layout is loaded.
    Controller c;
    auto board = c.hid->Plug(Board("k104"));
    c.Detect();
    EXPECT_EQ(c.detection.DeviceType(), 100);
    EXPECT_EQ(c.manager.SelectedDeviceType(), 100);
    EXPECT_EQ(c.layouts.loads, (std::vector<int>{100}));
    EXPECT_FALSE(c.Has("flags 71"));  // the layout's own page flags stay
    EXPECT_TRUE(c.Has("tab 1"));
    board->ClearLog();
    EXPECT_TRUE(c.manager.WriteReport(OutputReport{}));
    EXPECT_EQ(board->Log().size(), 1u);
}

TEST(DetectionTest, SecondFamilyTypeOtherThan201) {
    Controller c;
    auto board = c.hid->Plug(Board("k68"));
    c.Detect();
    EXPECT_EQ(c.manager.SelectedDeviceType(), 202);
    EXPECT_EQ(c.layouts.loads, (std::vector<int>{202}));
    board->ClearLog();
    EXPECT_TRUE(c.manager.SendFeature(FeatureReport{kFeatureReportId}));
    EXPECT_EQ(board->Log().size(), 1u);
}

TEST(DetectionTest, CatalogueOrderDecidesAndTheSelectorSwitches) {
    Controller c;
    auto k87 = c.hid->Plug(Board("k87"));
    auto k104 = c.hid->Plug(Board("k104"));
    c.Detect();
    EXPECT_EQ(c.detection.DeviceType(), 100);  // k104 comes first in the catalogue
    EXPECT_TRUE(c.Has("list 100 1"));
    EXPECT_TRUE(c.Has("list 201 1"));

    ASSERT_TRUE(c.detection.SelectDeviceType(201));
    EXPECT_EQ(c.manager.SelectedDeviceType(), 201);
    EXPECT_EQ(c.layouts.loaded, 201);
    k87->ClearLog();
    EXPECT_TRUE(c.manager.WriteReport(OutputReport{}));
    EXPECT_EQ(k87->Log().size(), 1u);
    EXPECT_FALSE(c.detection.SelectDeviceType(202));  // not present
    EXPECT_EQ(c.manager.SelectedDeviceType(), 201);
}

TEST(DetectionTest, PresentFlagsSurviveAScanThatMissesTheBoard) {
    Controller c;
    auto board = c.hid->Plug(Board("k87"));
    c.Detect();
    c.hid->Stop();
    board->SetPlugged(false);  // gone without an event
    c.hid->Unplug(board);
    c.Detect();
    EXPECT_TRUE(c.modes.IsPresent(1));
    EXPECT_FALSE(c.detection.AnyDeviceOpen());
}

TEST(DetectionTest, WirelessBoardWithoutACatalogueLine) {
    // Opened through the catalogue, but no mode line has its mode value.
    Controller c;
    c.modes.Clear();
    c.modes.AddLine({0x1209, 0x0003, u"Tastra K87", 201, 0, u"VID_1209&PID_0003&MI_02"});
    c.hid->Plug(Board("k87", 1));
    c.Detect();
    EXPECT_TRUE(c.detection.AnyDeviceOpen());
    EXPECT_FALSE(c.detection.ConnectedToCatalogue());
    EXPECT_EQ(c.detection.DeviceType(), 201);
    EXPECT_TRUE(c.Has("header 61"));
    EXPECT_TRUE(c.Has("tab 0"));
    EXPECT_TRUE(c.Has("tabs 0"));
    EXPECT_TRUE(c.Has("frame 0"));
    EXPECT_TRUE(c.Has("picture "));
    EXPECT_TRUE(c.queue.Snapshot().empty());
}
