// The simulated keyboard, the --simulate list, start options and the trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "device/DeviceLinkSetup.h"
#include "tests/device/DeviceTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace device;

TEST(SimulateListTest, Parsing) {
    struct Case {
        const char* text;
        std::vector<uint16_t> pids;  // empty: an error
    } cases[] = {
        {"k87", {2}},          {"k104,k87:receiver,k87:bluetooth", {1, 3, 4}},
        {"k68:receiver", {6}}, {"all", {1, 2, 3, 4, 5, 6}},
        {"K87", {}},  // case-sensitive
        {"k99", {}},           {"k104:receiver", {}},
        {"k68:bluetooth", {}}, {"k87:wired", {}},
        {"k87,", {}},          {"", {}},
    };
    for (const Case& c : cases) {
        std::vector<sim::SimBoardSpec> boards;
        std::string error;
        bool ok = sim::ParseSimulateList(c.text, boards, error);
        EXPECT_EQ(ok, !c.pids.empty()) << c.text;
        std::vector<uint16_t> pids;
        for (const auto& b : boards) pids.push_back(b.productId);
        EXPECT_EQ(pids, c.pids) << c.text;
        if (!ok) {
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(error.find('\n'), std::string::npos);
        }
    }
}

TEST(SimulateListTest, OptionsWinOverVariables) {
    auto o = ReadDeviceLinkOptions({"--simulate", "k87", "--hid-trace=/tmp/a"}, "k104", "/tmp/b");
    EXPECT_TRUE(o.simulate);
    EXPECT_EQ(o.simulateList, "k87");
    EXPECT_EQ(o.traceFile, "/tmp/a");
    o = ReadDeviceLinkOptions({"--simulate=k68"}, "k104", nullptr);
    EXPECT_EQ(o.simulateList, "k68");
    EXPECT_FALSE(o.trace);
    o = ReadDeviceLinkOptions({}, "k104", "/tmp/b");
    EXPECT_EQ(o.simulateList, "k104");
    EXPECT_EQ(o.traceFile, "/tmp/b");
    o = ReadDeviceLinkOptions({}, "", "");
    EXPECT_FALSE(o.simulate);
    EXPECT_FALSE(o.trace);
    o = ReadDeviceLinkOptions({"--simulate"}, nullptr, nullptr);
    EXPECT_FALSE(o.error.empty());
}

TEST(SimulateListTest, UnknownModelEndsWithExitCodeTwo) {
    DeviceLink link;
    std::string error, warning;
    EXPECT_FALSE(
        BuildDeviceLink(ReadDeviceLinkOptions({"--simulate", "k87,nope"}, nullptr, nullptr), link, error, warning));
    EXPECT_NE(error.find("nope"), std::string::npos);
    EXPECT_EQ(sim::kExitBadSimulateList, 2);
    EXPECT_FALSE(link.api);

    ASSERT_TRUE(BuildDeviceLink(ReadDeviceLinkOptions({"--simulate=all"}, nullptr, nullptr), link, error, warning));
    EXPECT_EQ(link.simulated->Boards().size(), 6u);
    EXPECT_EQ(link.api.get(), static_cast<hid::Api*>(link.simulated.get()));
}

TEST(SimulateListTest, InstallPrintsOneLineAndGivesTheExitCode) {
    std::string dir = testenv::MakeTempDir("install");
    std::FILE* err = std::fopen((dir + "/err").c_str(), "w+");
    ASSERT_TRUE(err);
    DeviceManager manager(std::make_shared<devtest::ListedHid>());
    DeviceLink link;
    EXPECT_EQ(InstallDeviceLink(ReadDeviceLinkOptions({"--simulate=k87:usb"}, nullptr, nullptr), manager, link, err),
              2);
    EXPECT_EQ(InstallDeviceLink(ReadDeviceLinkOptions({}, "k87", nullptr), manager, link, err), 0);
    std::fclose(err);
    std::string text = testenv::ReadFile(dir + "/err");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("usb"), std::string::npos);
    // The manager now scans the simulated board.
    devtest::AddCatalogue(manager);
    devtest::Scan(manager);
    EXPECT_EQ(manager.GetConnectionMode(), 0);
}

TEST(SimulatedBoardTest, InterfacesAsARealBoardShowsThem) {
    sim::SimulatedHid hid;
    hid.Plug(devtest::Board("k104"));
    hid.Plug(devtest::Board("k87", 2));
    auto list = hid.Enumerate();
    ASSERT_EQ(list.size(), 7u);
    EXPECT_EQ(list[2].path, "HID#VID_1209&PID_0001&MI_02#0003:1209:0001.0003");
    EXPECT_EQ(list[3].path, "HID#VID_1209&PID_0001&MI_03#0003:1209:0001.0004");
    EXPECT_EQ(list[3].usagePage, 0xFF01);
    EXPECT_EQ(list[3].usage, 1);
    EXPECT_EQ(list[3].productString, CString(u"Tastra K104"));
    EXPECT_EQ(list[3].releaseNumber, 0x0100);
    // Bluetooth: one HID device with three collections.
    for (size_t i = 4; i < 7; ++i)
        EXPECT_EQ(list[i].path, "HID#{00001812-0000-1000-8000-00805F9B34FB}_VID_1209&PID_0004#0005:1209:0004.0005");
}

TEST(HidTraceTest, LineFormat) {
    uint8_t feature[8] = {0x07, 0xFA, 0x01, 0x03, 0x04, 0x01, 0x05, 0x01};
    EXPECT_EQ(HidTraceWriter::Format(1532.4181, 2, false, HidTraceWriter::Kind::FeatureSet, feature, 8, true),
              "1532.418 pid=0x0002 vendor feature-set 07fa010304010501");
    EXPECT_EQ(HidTraceWriter::Format(0.5, 0xABCD, true, HidTraceWriter::Kind::FeatureGet, feature, 2, false),
              "0.500 pid=0xabcd control feature-get 07fa fail");
}

TEST(HidTraceTest, TracesEveryReportOfASimulatedBoard) {
    std::string file = testenv::MakeTempDir("trace") + "/hid.trace";
    testenv::WriteFile(file, "earlier line\n");
    DeviceLink link;
    std::string error, warning;
    ASSERT_TRUE(BuildDeviceLink(ReadDeviceLinkOptions({"--simulate", "k104", "--hid-trace", file}, nullptr, nullptr),
                                link, error, warning));
    EXPECT_TRUE(warning.empty());
    DeviceManager manager(link.api);
    devtest::AddCatalogue(manager);
    devtest::Scan(manager, 100);
    auto board = link.simulated->FindBoard(1);
    board->SetFirmwareVersion(0x0105);
    int version = 0;
    ASSERT_TRUE(manager.QueryFirmwareVersion(version));
    OutputReport frame{};
    frame[1] = 0xF1;
    ASSERT_TRUE(manager.WriteControlReport(frame));
    board->SetResponsive(false);
    EXPECT_FALSE(manager.SendFeature(FeatureReport{7, 0xF0, 0xAA}));
    EXPECT_FALSE(manager.WriteControlReport(frame));

    std::istringstream lines(testenv::ReadFile(file));
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) got.push_back(line);
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[0], "earlier line");  // appended, not replaced
    const std::regex shape(R"(\d+\.\d{3} pid=0x0001 (vendor|control) (out|feature-set|feature-get) [0-9a-f]+( fail)?)");
    for (size_t i = 1; i < got.size(); ++i) EXPECT_TRUE(std::regex_match(got[i], shape)) << got[i];
    auto tail = [](const std::string& s) { return s.substr(s.find(' ') + 1); };
    EXPECT_EQ(tail(got[1]), "pid=0x0001 vendor feature-set 07fd000000000000");
    EXPECT_EQ(tail(got[2]), "pid=0x0001 vendor feature-get 0701050000000000");
    EXPECT_EQ(tail(got[3]), "pid=0x0001 control out 00f1" + std::string(126, '0'));
    EXPECT_EQ(tail(got[4]), "pid=0x0001 vendor feature-set 07f0aa0000000000 fail");
    EXPECT_EQ(tail(got[5]), "pid=0x0001 control out 00f1" + std::string(126, '0') + " fail");
    EXPECT_EQ(tail(got[6]), tail(got[5]));  // the retry
}
