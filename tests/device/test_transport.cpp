// The report transport: framing, pauses, retries and partial answers.
#include <gtest/gtest.h>

#include <chrono>

#include "device/DeviceManager.h"
#include "tests/device/DeviceTestSupport.h"

using namespace device;
using devtest::Board;
using sim::SimReportKind;

namespace {

struct Link {
    std::shared_ptr<sim::SimulatedHid> hid = std::make_shared<sim::SimulatedHid>();
    DeviceManager manager{hid};
    std::shared_ptr<sim::SimulatedKeyboard> board;

    explicit Link(const std::string& model = "k87", int mode = 0) {
        devtest::AddCatalogue(manager);
        board = hid->Plug(Board(model, mode));
        devtest::Scan(manager, board->Description().deviceType);
        board->ClearLog();
    }
};

FeatureReport SlotTableRequest() {
    return {kFeatureReportId, kCmdReadSlotTable, kCmdReadSlotTableArg};
}

FeatureBlock Numbered() {
    FeatureBlock block{};
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(0xA0 + i);
    return block;
}

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

TEST(TransportTest, PaddedWritePutsReportIdFirst) {
    Link link("k87", 1);
    OutputData data{};
    data[0] = 0xBB, data[1] = 0xAA, data[2] = 0x99, data[3] = 0x88, data[63] = 0x42;
    ASSERT_TRUE(link.manager.WriteReportPadded(data));
    auto log = link.board->Log();
    ASSERT_EQ(log.size(), 1u);
    ASSERT_EQ(log[0].bytes.size(), 65u);
    EXPECT_EQ(log[0].kind, SimReportKind::Output);
    EXPECT_EQ(log[0].interfaceNumber, 2);
    std::vector<uint8_t> expected(65, 0);
    expected[1] = 0xBB, expected[2] = 0xAA, expected[3] = 0x99, expected[4] = 0x88, expected[64] = 0x42;
    EXPECT_EQ(log[0].bytes, expected);
}

TEST(TransportTest, WritesRetryOnceAfterTheirPause) {
    struct Case {
        bool padded;
        double pauseMs;
    } cases[] = {{false, 10}, {true, 32}};
    for (const Case& c : cases) {
        Link link;
        int calls = 0;
        link.board->SetRequestFilter([&](const sim::SimReport&) { return ++calls > 1; });
        bool ok = c.padded ? link.manager.WriteReportPadded(OutputData{}) : link.manager.WriteReport(OutputReport{});
        EXPECT_TRUE(ok);
        auto log = link.board->Log();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_FALSE(log[0].ok);
        EXPECT_TRUE(log[1].ok);
        EXPECT_GE(Ms(log[1].time - log[0].time), c.pauseMs);

        // Two failures: false, and no third try.
        link.board->ClearLog();
        link.board->SetResponsive(false);
        ok = c.padded ? link.manager.WriteReportPadded(OutputData{}) : link.manager.WriteReport(OutputReport{});
        EXPECT_FALSE(ok);
        EXPECT_EQ(link.board->Log().size(), 2u);
    }
}

TEST(TransportTest, ReadFeatureBlockReadsFourChunks) {
    Link link;
    link.board->SetSlotTable(Numbered());
    FeatureBlock block{};
    int answered = -1;
    ASSERT_TRUE(link.manager.ReadFeatureBlock(SlotTableRequest(), block, &answered));
    EXPECT_EQ(answered, 4);
    EXPECT_EQ(block, Numbered());
    auto log = link.board->Log();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0].kind, SimReportKind::FeatureSet);
    EXPECT_EQ(log[0].bytes, (std::vector<uint8_t>{7, 0xFB, 1, 0, 0, 0, 0, 0}));
    for (size_t i = 1; i < log.size(); ++i) {
        EXPECT_EQ(log[i].kind, SimReportKind::FeatureGet);
        EXPECT_GE(Ms(log[i].time - log[i - 1].time), kPauseBeforeFeatureMs);
    }
}

TEST(TransportTest, ReadFeatureBlockWithTwoAnswersKeepsTheCallersBytes) {
    Link link;
    link.board->SetSlotTable(Numbered());
    link.board->AnswerFeatureGets(2);
    FeatureBlock block;
    block.fill(0x5A);
    int answered = -1;
    EXPECT_TRUE(link.manager.ReadFeatureBlock(SlotTableRequest(), block, &answered));
    EXPECT_EQ(answered, 2);
    FeatureBlock expected = Numbered();
    for (size_t i = 14; i < 28; ++i) expected[i] = 0x5A;
    EXPECT_EQ(block, expected);
}

TEST(TransportTest, ReadFeatureBlockGoesOnWhenTheRequestFails) {
    Link link;
    link.board->SetRequestFilter([](const sim::SimReport& r) { return r.kind != SimReportKind::FeatureSet; });
    FeatureBlock block{};
    int answered = -1;
    EXPECT_TRUE(link.manager.ReadFeatureBlock(SlotTableRequest(), block, &answered));
    EXPECT_EQ(answered, 4);
    EXPECT_EQ(link.board->Log().size(), 5u);
}

TEST(TransportTest, FirmwareVersionNeedsAReply) {
    {
        Link link;
        link.board->SetFirmwareVersion(0x0102);
        int version = 0;
        ASSERT_TRUE(link.manager.QueryFirmwareVersion(version));
        EXPECT_EQ(version, 0x0102);
        auto log = link.board->Log();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].bytes, (std::vector<uint8_t>{7, 0xFD, 0, 0, 0, 0, 0, 0}));
    }
    {
        // The request goes out but no reply comes back: not version 0.
        Link link;
        link.board->AnswerFeatureGets(0);
        int version = -5;
        EXPECT_FALSE(link.manager.QueryFirmwareVersion(version));
        EXPECT_EQ(version, -5);
    }
    {
        // A first reply for another report id is read again.
        struct WrongIdOnce : sim::SimFirmware {
            bool first = true;
            int OnGetFeature(sim::SimBoardState& s, uint8_t* data, size_t length) override {
                int n = SimFirmware::OnGetFeature(s, data, length);
                if (first) data[0] = 0, s.pending = sim::SimBoardState::Pending::Version;
                first = false;
                return n;
            }
        };
        Link link;
        link.board->SetFirmwareVersion(0x0304);
        link.board->SetFirmware(std::make_unique<WrongIdOnce>());
        int version = 0;
        ASSERT_TRUE(link.manager.QueryFirmwareVersion(version));
        EXPECT_EQ(version, 0x0304);
    }
    {
        Link link;
        link.board->SetResponsive(false);
        int version = 0;
        EXPECT_FALSE(link.manager.QueryFirmwareVersion(version));
        EXPECT_EQ(link.board->Log().size(), 1u);  // set-feature failed: no get
    }
}

TEST(TransportTest, ControlReportsNeedTheControlInterface) {
    {
        Link link("k87");
        EXPECT_FALSE(link.manager.WriteControlReport(OutputReport{}));
        EXPECT_TRUE(link.board->Log().empty());
    }
    {
        Link link("k104");
        OutputReport frame{};
        frame[1] = 0xF1;
        EXPECT_TRUE(link.manager.WriteControlReport(frame));
        auto log = link.board->Log();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].interfaceNumber, 3);
        // A failing control interface reports the failure of its retry.
        link.board->ClearLog();
        link.board->SetResponsive(false);
        EXPECT_FALSE(link.manager.WriteControlReport(frame));
        EXPECT_EQ(link.board->Log().size(), 2u);
    }
}

TEST(TransportTest, NothingTravelsWhileTheOpenFlagIsClear) {
    Link link;
    link.manager.SetOpenFlag(false);
    EXPECT_FALSE(link.manager.WriteReport(OutputReport{}));
    EXPECT_FALSE(link.manager.SendFeature(FeatureReport{}));
    FeatureBlock block{};
    EXPECT_FALSE(link.manager.ReadFeatureBlock(SlotTableRequest(), block));
    EXPECT_TRUE(link.board->Log().empty());
}

TEST(TransportTest, BoardVanishingMidSequence) {
    Link link;
    link.board->SetSlotTable(Numbered());
    link.board->VanishAfterReports(3);  // request + two replies, then gone
    FeatureBlock block{};
    int answered = -1;
    EXPECT_TRUE(link.manager.ReadFeatureBlock(SlotTableRequest(), block, &answered));
    EXPECT_EQ(answered, 2);
    EXPECT_FALSE(link.board->IsPlugged());
    EXPECT_TRUE(link.hid->Boards().empty());
    // The stale handle fails until the next scan finds nothing.
    EXPECT_FALSE(link.manager.WriteReport(OutputReport{}));
    devtest::Scan(link.manager);
    EXPECT_FALSE(link.manager.ActiveDevice());
}
