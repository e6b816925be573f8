// The second firmware family's commands: their bytes on the edge cases,
// and whole sequences decoded by the simulated firmware.
#include <gtest/gtest.h>

#include "device/commands/MacroTiming.h"
#include "device/commands/SecondFamilyCommands.h"
#include "tests/device/CmdTestSupport.h"

using namespace device;
using namespace device::commands;
using cmdtest::Bench;
using cmdtest::Bytes;

namespace {

constexpr int kVkA = 0x41, kVkB = 0x42;

}  // namespace

TEST(CmdSecondTest, TimingBytes) {
    struct Case {
        bool release;
        int ms;
        uint8_t expected;
    } cases[] = {{true, 10, 0x81}, {false, 100, 0x0A}, {false, 500, 0x2A}, {false, 5000, 0x65},
                 {false, 40000, 0x7F}, {false, -5, 0x01}, {true, -5, 0x80}, {false, 0, 0x01},
                 {false, 2000, 0x34}, {false, 11, 0x01}};
    for (const Case& c : cases)
        EXPECT_EQ(EncodeMacroTiming(c.release, c.ms), c.expected) << c.ms << (c.release ? " release" : " press");
}

TEST(CmdSecondTest, RemapSlotBytesAndDecodedSlot) {
    Bench bench;
    bench.Assign(0x04, 2, 0x05);
    bench.Assign(0x06, 1, 1);  // disabled: remapped to code 1
    bench.Assign(0x07, 3, 9);  // plays a macro: clears the remap slot
    SecondFamilyCommands commands(bench.manager, bench.store);
    commands.WriteRemapSlot(bench.context, 0x04, 3);
    commands.WriteRemapSlot(bench.context, 0x06, 5);
    auto sent = bench.Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], Bytes({0x07, 0xFA, 0x01, 0x03, 0x04, 0x01, 0x05, 0x01}));
    auto state = bench.State();
    EXPECT_EQ(state.remapSlots[2], (sim::SimRemapSlot{4, 5}));
    EXPECT_EQ(state.remapSlots[4], (sim::SimRemapSlot{6, 1}));
    commands.WriteRemapSlot(bench.context, 0x07, 3);
    EXPECT_EQ(bench.State().remapSlots[2], (sim::SimRemapSlot{0, 0}));
    FeatureBlock block{};
    int answered = 0;
    ASSERT_TRUE(commands.ReadSlotTable(block, &answered));
    EXPECT_EQ(answered, 4);
    EXPECT_EQ(block[14 + 4], 6);
    EXPECT_EQ(block[14 + 2], 0);
}

TEST(CmdSecondTest, ClearingAMacroSlotSends28Reports) {
    Bench bench;
    SecondFamilyCommands commands(bench.manager, bench.store);
    ASSERT_TRUE(commands.UploadMacroSlot(bench.context, 0x10, 3, 7, 1));  // fill slot 3 first
    EXPECT_EQ(bench.State().macroSlots[2].key, 0x10);
    bench.board->ClearLog();
    ASSERT_TRUE(commands.UploadMacroSlot(bench.context, 0x10, 2, 0, 0));
    auto sent = bench.Sent();
    ASSERT_EQ(sent.size(), 28u);
    EXPECT_EQ(sent[0], Bytes({0x07, 0xF1, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00}));
    for (size_t i = 1; i < sent.size(); ++i) EXPECT_EQ(sent[i], Bytes({0x07, 0, 0, 0, 0, 0, 0, 0})) << i;
    auto state = bench.State();
    EXPECT_EQ(state.macroSlots[1].key, 0);
    EXPECT_TRUE(state.macroSlots[1].events.empty());
    EXPECT_EQ(state.macroSlots[2].key, 0x10);
    EXPECT_EQ(state.rejectedReports, 0);
    // The pauses keep their meaning: 28 gaps of 16 ms at least.
    auto log = bench.board->Log();
    EXPECT_GE(log.back().time - log.front().time, std::chrono::milliseconds(27 * 16));
}

TEST(CmdSecondTest, MacroImageCarriesPresetsAndUserMacros) {
    Bench bench;
    SecondFamilyCommands commands(bench.manager, bench.store);
    MacroImage preset = commands.BuildImage(bench.context, 0x3A, 5, 7, 13);
    EXPECT_EQ(std::vector<uint8_t>(preset.begin(), preset.begin() + 16),
              Bytes({1, 5, 0x3A, 1, 0xE2, 0x01, 0x2C, 0x01, 0x1B, 0x01, 0x1B, 0x81, 0x2C, 0x81, 0xE2, 0x81}));
    EXPECT_EQ(preset[16], 0);
    MacroImage unknown = commands.BuildImage(bench.context, 0x3A, 5, 7, 16);
    EXPECT_EQ(unknown[2], 0x3A);
    EXPECT_EQ(unknown[4], 0);

    // 100 key steps and delays: only press and release become events, 82 fit.
    std::vector<std::array<int, 3>> steps;
    for (int i = 0; i < 100; ++i) {
        steps.push_back({2, kVkA, 100});
        steps.push_back({1, 0, 500});
        steps.push_back({3, kVkA, 10});
    }
    const int id = bench.AddMacro(260, steps);
    MacroImage image = commands.BuildImage(bench.context, 0x3B, 1, 3, id);
    EXPECT_EQ(image[3], 260 & 0xFF);
    EXPECT_EQ(image[4], 0x04);
    EXPECT_EQ(image[5], 0x0A);
    EXPECT_EQ(image[6], 0x04);
    EXPECT_EQ(image[7], 0x81);
    EXPECT_EQ(image[4 + 2 * 81], 0x04);
    EXPECT_EQ(image[168], 0);
    // A missing macro clears the slot.
    MacroImage missing = commands.BuildImage(bench.context, 0x3B, 1, 3, 9999);
    EXPECT_EQ(missing[2], 0);
}

TEST(CmdSecondTest, LightModeWiredAndWireless) {
    {
        Bench bench;
        bench.AddLight(4, 5, 3, 0, 0xFF8040, 2);
        SecondFamilyCommands commands(bench.manager, bench.store);
        ASSERT_TRUE(commands.SetLightMode(bench.context));
        auto sent = bench.Sent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0], Bytes({0x07, 0xF7, 0x03, 0x02, 0x40, 0x80, 0x04, 0xFF}));
        EXPECT_EQ(bench.State().lightSecond, Bytes({0x03, 0x02, 0x40, 0x80, 0x04, 0xFF}));
    }
    struct Case {
        int mode;
        int connection;
        std::vector<uint8_t> expected;  // mode-1 ci dir sp br opt
    } cases[] = {
        {9, kConnWired, Bytes({8, 2, 1, 3, 4, 6})},  // mode 9 keeps its speed over the cable
        {9, kConnReceiver, Bytes({8, 2, 1, 2, 4, 6})},
        {2, kConnBluetooth, Bytes({1, 2, 1, 2, 4, 6})},  // option list selection
    };
    for (const Case& c : cases) {
        Bench bench("k87", c.connection);
        bench.AddLight(c.mode, 5, 3, 1, 0, 2, 0x100);
        bench.context.optionIndex = 6;
        SecondFamilyCommands commands(bench.manager, bench.store);
        ASSERT_TRUE(commands.SetLightMode(bench.context));
        auto state = bench.State();
        EXPECT_EQ(state.lightSecond, c.expected) << c.mode << " " << c.connection;
        EXPECT_EQ(state.rejectedReports, 0);
    }
    // No record: nothing is sent.
    Bench bench;
    SecondFamilyCommands commands(bench.manager, bench.store);
    EXPECT_FALSE(commands.SetLightMode(bench.context));
    EXPECT_TRUE(bench.Sent().empty());
}

TEST(CmdSecondTest, SingleKeyKeepsItsSlot) {
    Bench bench;
    FeatureBlock table{};
    table[14 + 0] = 0x20;
    table[14 + 3] = 0x04;  // key 04 already in remap slot 4
    table[1] = 0x30;       // macro slot 1 taken
    bench.board->SetSlotTable(table);
    bench.Assign(0x04, 2, 0x2C);
    bench.Assign(0x05, 7, 2);
    SecondFamilyCommands commands(bench.manager, bench.store);
    bench.context.singleKey = true;
    bench.context.singleKeyCode = 0x04;
    auto result = commands.WriteKeyAssignments(bench.context);
    EXPECT_TRUE(result.sent);
    auto sent = bench.Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), Bytes({0x07, 0xFA, 0x01, 0x04, 0x04, 0x01, 0x2C, 0x01}));
    // A macro key takes the first free macro slot.
    bench.context.singleKeyCode = 0x05;
    commands.WriteKeyAssignments(bench.context);
    auto state = bench.State();
    EXPECT_EQ(state.macroSlots[1].key, 0x05);
    EXPECT_EQ(state.macroSlots[1].events.size(), 4u);
    EXPECT_EQ(state.macroSlots[0].key, 0x30);
    // A key that lost its assignment is cleared where it was.
    KeyAssignmentRecord none;
    none.profile = bench.profile;
    none.keyCode = 0x05;
    none.macroType = 0;
    bench.store.SaveKeyAssignment(none);
    commands.WriteKeyAssignments(bench.context);
    EXPECT_EQ(bench.State().macroSlots[1].key, 0);
}

TEST(CmdSecondTest, WholeProfileEndToEnd) {
    Bench bench;
    FeatureBlock stale{};
    stale[13] = 0x50;       // slot 13 held from before
    stale[14 + 9] = 0x51;   // remap slot 10 held from before
    bench.board->SetSlotTable(stale);
    const int macro = bench.AddMacro(3, {{2, kVkA, 100}, {1, 0, 400}, {3, kVkA, 500}, {2, kVkB, 5000}, {3, kVkB, 10}});
    bench.Assign(0x04, 2, 0x05);   // remap
    bench.Assign(0x06, 1, 1);      // disabled
    bench.Assign(0x07, 3, macro);  // user macro
    bench.Assign(0x08, 7, 2);      // Ctrl+C
    bench.Assign(0x09, 0, 0);      // nothing: skipped
    SecondFamilyCommands commands(bench.manager, bench.store);
    auto result = commands.WriteKeyAssignments(bench.context);
    EXPECT_TRUE(result.sent);
    EXPECT_EQ(result.macrosWritten, 2);
    EXPECT_EQ(result.remapsWritten, 2);
    auto state = bench.State();
    EXPECT_EQ(state.remapSlots[0], (sim::SimRemapSlot{0x04, 0x05}));
    EXPECT_EQ(state.remapSlots[1], (sim::SimRemapSlot{0x06, 0x01}));
    EXPECT_EQ(state.remapSlots[9], (sim::SimRemapSlot{0, 0}));
    EXPECT_EQ(state.macroSlots[0].key, 0x07);
    EXPECT_EQ(state.macroSlots[0].playTimes, 3);
    EXPECT_EQ(state.macroSlots[0].events,
              (std::vector<std::pair<int, int>>{{0x04, 0x0A}, {0x04, 0xAA}, {0x05, 0x65}, {0x05, 0x81}}));
    EXPECT_EQ(state.macroSlots[1].key, 0x08);
    EXPECT_EQ(state.macroSlots[1].events,
              (std::vector<std::pair<int, int>>{{0xE0, 0x01}, {0x06, 0x01}, {0x06, 0x81}, {0xE0, 0x81}}));
    EXPECT_EQ(state.macroSlots[12].key, 0);
    EXPECT_EQ(state.rejectedReports, 0);
    // Over the receiver nothing is written.
    Bench wireless("k87", kConnReceiver);
    SecondFamilyCommands other(wireless.manager, wireless.store);
    EXPECT_FALSE(other.WriteKeyAssignments(wireless.context).sent);
    EXPECT_TRUE(wireless.Sent().empty());
}

TEST(CmdSecondTest, WholeProfileStopsAtTheLastSlots) {
    Bench bench;
    for (int i = 0; i < 15; ++i) bench.Assign(0x04 + i, 7, 1 + i % 15);
    for (int i = 0; i < 12; ++i) bench.Assign(0x20 + i, 2, 0x04 + i);
    SecondFamilyCommands commands(bench.manager, bench.store);
    auto result = commands.WriteKeyAssignments(bench.context);
    EXPECT_EQ(result.macrosWritten, 13);
    EXPECT_EQ(result.macrosSkipped, 2);
    EXPECT_EQ(result.remapsWritten, 10);
    EXPECT_EQ(result.remapsSkipped, 2);
    auto state = bench.State();
    EXPECT_EQ(state.rejectedReports, 0);
    EXPECT_EQ(state.macroSlots[12].key, 0x04 + 12);
    EXPECT_EQ(state.remapSlots[9].key, 0x20 + 9);
}

TEST(CmdSecondTest, SyncActsOnlyOnACompleteTableOfTheSecondFamily) {
    Bench bench;
    FeatureBlock table{};
    table[1] = 0x07;
    table[14] = 0x04;
    bench.board->SetSlotTable(table);
    bench.Assign(0x04, 2, 5);
    bench.Assign(0x07, 7, 1);
    bench.Assign(0x08, 2, 6);
    SecondFamilyCommands commands(bench.manager, bench.store);
    auto count = [&] {
        std::vector<KeyAssignmentRecord> list;
        return bench.store.ListKeyAssignments(bench.profile, 0, list);
    };
    // A flaky link: two replies of four.
    bench.board->AnswerFeatureGets(2);
    EXPECT_FALSE(commands.SyncSlotTableToStore(bench.context, 201));
    EXPECT_EQ(count(), 3);
    bench.board->AnswerFeatureGets(-1);
    // A first-family board of type 200 is not asked.
    EXPECT_FALSE(commands.SyncSlotTableToStore(bench.context, 200));
    EXPECT_EQ(count(), 3);
    EXPECT_TRUE(commands.SyncSlotTableToStore(bench.context, 201));
    KeyAssignmentRecord record;
    EXPECT_EQ(count(), 2);
    EXPECT_FALSE(bench.store.GetKeyAssignment(bench.profile, 0, 0x08, record));
    EXPECT_TRUE(bench.store.GetKeyAssignment(bench.profile, 0, 0x07, record));
}

TEST(CmdSecondTest, ResetMusicAndRefusedReports) {
    for (int mode : {kConnWired, kConnBluetooth}) {
        Bench bench("k87", mode);
        FeatureBlock table{};
        table[1] = 0x07;
        bench.board->SetSlotTable(table);
        SecondFamilyCommands commands(bench.manager, bench.store);
        EXPECT_TRUE(commands.FactoryReset());
        auto state = bench.State();
        EXPECT_EQ(state.resets, 1) << mode;
        EXPECT_EQ(state.macroSlots[0].key, 0);
        EXPECT_EQ(state.rejectedReports, 0);
    }
    Bench bench;
    SecondFamilyCommands commands(bench.manager, bench.store);
    EXPECT_TRUE(commands.SendMusicLevel(2, 77));
    EXPECT_EQ(bench.Sent().back(), Bytes({0x07, 0x23, 0x45, 0x67, 0x89, 0x02, 0x00, 77}));
    EXPECT_EQ(bench.State().musicLevel, 77);
    // Out of range and unknown reports are counted and change nothing.
    const FeatureReport bad[] = {{7, 0xFA, 1, 11, 4, 1, 5, 1},  // remap slot 11
                                 {7, 0xFA, 2, 1, 4, 1, 5, 1},   // wrong marker
                                 {7, 0xF1, 1, 14},              // macro slot 14
                                 {7, 0x00, 1, 2, 3, 4, 5, 6},   // continuation without start
                                 {7, 0x55}};
    for (const FeatureReport& report : bad) bench.manager.SendFeature(report);
    auto state = bench.State();
    EXPECT_EQ(state.rejectedReports, 5);
    EXPECT_EQ(state.remapSlots[0], (sim::SimRemapSlot{0, 0}));
}
