// The first firmware family's commands: the report framing edge cases and
// whole writes decoded by the simulated firmware.
#include <gtest/gtest.h>

#include "device/commands/FirstFamilyCommands.h"
#include "tests/device/CmdTestSupport.h"

using namespace device;
using namespace device::commands;
using cmdtest::Bench;
using cmdtest::Bytes;

namespace {

constexpr int kVkA = 0x41, kVkB = 0x42;

KeyboardDefinition Layout() {
    KeyboardDefinition definition;
    for (int code = 0x04; code < 0x04 + 100; ++code) {
        definition.keyIndexMap[code] = code - 0x04 + 1;
        definition.lightIndexMap[code] = code - 0x04 + 1;
    }
    definition.keyIndexMap[0x70] = 180;    // past the key table
    definition.lightIndexMap[0x70] = 110;  // past the colour table
    return definition;
}

std::vector<BlockStep> PressSteps(int count) {
    std::vector<BlockStep> steps;
    for (int i = 0; i < count; ++i) steps.push_back({2, 0x04, 10});
    return steps;
}

struct FirstBench : Bench {
    KeyboardDefinition layout = Layout();
    std::atomic<bool> streamStarted{false};
    FirstFamilyCommands commands{manager, store, &streamStarted};
    FirstBench() : Bench("k104") { context.definition = &layout; }
};

}  // namespace

TEST(CmdFirstTest, UserMacroFraming) {
    struct Case {
        int steps;
        size_t length;
        std::vector<std::array<size_t, 2>> reports;  // offset, declared length
    } cases[] = {{40, 123, {{0, 59}, {59, 59}, {118, 3}}}, {19, 60, {{0, 59}, {59, 0}}}, {1, 6, {{0, 6}}}};
    for (const Case& c : cases) {
        const MacroBlock block = BuildMacroBlock(0, PressSteps(c.steps));
        ASSERT_EQ(block.size(), c.length);
        EXPECT_EQ(block[0], 1);  // play times not stored
        EXPECT_EQ(block[1], c.steps);
        auto reports = UserMacroReports(7, block);
        ASSERT_EQ(reports.size(), c.reports.size()) << c.steps;
        for (size_t k = 0; k < reports.size(); ++k) {
            EXPECT_EQ(reports[k][1], 0x8E);
            EXPECT_EQ(reports[k][2], c.reports[k][1]) << c.steps << " report " << k;
            EXPECT_EQ(reports[k][3] | (reports[k][4] << 8), static_cast<int>(c.reports[k][0]));
            EXPECT_EQ(reports[k][5], 7);
        }
    }
    // An imported macro of any length stays inside the block.
    const MacroBlock huge = BuildMacroBlock(1000, PressSteps(2000));
    EXPECT_EQ(huge.size(), kMacroBlockMax);
    EXPECT_EQ(huge[0], 255);
    EXPECT_EQ(huge[1], 255);
    EXPECT_EQ(huge[2 + 3 * 398], 0x04);
    // Event bytes: code, delay low, delay high with the press bit.
    const MacroBlock timed = BuildMacroBlock(2, {{2, 0x05, 0x1234}, {1, 0, 50}, {3, 0x05, 40000}});
    EXPECT_EQ(std::vector<uint8_t>(timed.begin(), timed.end()),
              Bytes({2, 3, 0x05, 0x34, 0x92, 0x05, 0xFF, 0x7F, 0, 0, 0, 0}));
}

TEST(CmdFirstTest, KeyTableImage) {
    KeyboardDefinition definition;
    definition.keyIndexMap[0x04] = 5;
    definition.keyIndexMap[0x05] = 180;
    KeyAssignmentRecord remap;
    remap.keyCode = 0x04, remap.macroType = 2, remap.macroValue = 0x2C;
    KeyAssignmentRecord past = remap;
    past.keyCode = 0x05;
    KeyAssignmentRecord unknown = remap;
    unknown.keyCode = 0x06;
    const KeyTableImage table = BuildKeyTable({remap, past, unknown}, definition, {});
    KeyTableImage expected{};
    expected[10] = 0x2C, expected[11] = 0x20;
    EXPECT_EQ(table, expected);
    auto reports = KeyTableReports(table);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[3][2], 40);
    EXPECT_EQ(reports[3][3], 180);
    EXPECT_EQ(reports[0][5 + 10], 0x2C);
}

TEST(CmdFirstTest, ModeFormThenParameterForm) {
    FirstBench bench;
    bench.AddLight(6, 4, 0x13, 2, 0x112233, 0, 0x100, 1);
    ASSERT_TRUE(bench.commands.SetLightModeFirst(bench.context));
    ASSERT_TRUE(bench.commands.SetLightModeFirst(bench.context));
    auto sent = bench.Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(std::vector<uint8_t>(sent[0].begin(), sent[0].begin() + 5), Bytes({0, 0x88, 0, 6, 0}));
    EXPECT_EQ(std::vector<uint8_t>(sent[1].begin(), sent[1].begin() + 9),
              Bytes({0, 0x89, 0, 0x63, 0x33, 0x22, 0x11, 4, 0}));
    auto state = bench.State();
    EXPECT_EQ(state.lightFirstMode, 6);
    EXPECT_EQ(state.lightFirstParams, Bytes({0x63, 0x33, 0x22, 0x11, 4}));
    EXPECT_EQ(state.rejectedReports, 0);
    // The custom area goes as a feature report.
    bench.context.optionIndex = 3;
    ASSERT_TRUE(bench.commands.SelectCustomArea(bench.context, 100));
    EXPECT_EQ(bench.Sent().back(), Bytes({7, 0xFF, 0xFF, 5, 4, 0x13, 0, 3}));
    EXPECT_EQ(bench.State().customArea, Bytes({5, 4, 0x13, 0, 3}));
    EXPECT_FALSE(bench.commands.SelectCustomArea(bench.context, 200));
}

TEST(CmdFirstTest, StreamStartsOncePerRun) {
    FirstBench bench;
    std::map<int, int> dark = {{0x04, 1}, {0x05, 0}};
    EXPECT_FALSE(bench.commands.StreamColours(bench.context, dark));
    EXPECT_TRUE(bench.Sent().empty());
    std::map<int, int> frame = {{0x04, 0x0000FF}, {0x06, 0x102030}, {0x70, 0xFFFFFF}};
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(bench.commands.StreamColours(bench.context, frame));
    // Another command set of the same run does not start it again.
    FirstFamilyCommands again(bench.manager, bench.store, &bench.streamStarted);
    ASSERT_TRUE(again.StreamColours(bench.context, frame));
    auto state = bench.State();
    EXPECT_EQ(state.streamStarts, 1);
    EXPECT_EQ(state.rejectedReports, 0);
    EXPECT_EQ(state.streamFrame[3], 0xFF);  // light position 1
    EXPECT_EQ(std::vector<uint8_t>(state.streamFrame.begin() + 9, state.streamFrame.begin() + 12),
              Bytes({0x30, 0x20, 0x10}));
    int onControl = 0;
    for (const auto& r : bench.board->Log())
        if (r.interfaceNumber == 3) ++onControl;
    EXPECT_EQ(onControl, 4 * 6);
}

TEST(CmdFirstTest, WholeProfileEndToEnd) {
    FirstBench bench;
    const int macro = bench.AddMacro(4, {{2, kVkA, 120}, {1, 0, 300}, {3, kVkA, 30}, {2, kVkB, 0}, {3, kVkB, 700}});
    bench.Assign(0x04, 2, 0x2C);   // remap
    bench.Assign(0x05, 1, 1);      // disabled
    bench.Assign(0x06, 7, 15);     // Alt+F4, uploaded after the user macros
    bench.Assign(0x07, 3, macro);  // user macro
    bench.Assign(0x70, 2, 0x05);   // key index 180: skipped
    auto result = bench.commands.WriteKeyAssignmentsFirst(bench.context);
    EXPECT_TRUE(result.keyTableWritten);
    EXPECT_EQ(result.macrosUploaded, 2);
    auto state = bench.State();
    EXPECT_EQ(state.rejectedReports, 0);
    std::vector<uint8_t> table(220, 0);
    table[2] = 0x2C, table[3] = 0x20;  // key index 1
    table[5] = 0x20;                   // index 2, disabled
    table[6] = 1, table[7] = 0x40;     // index 3, slot 1
    table[8] = 0, table[9] = 0x40;     // index 4, slot 0
    EXPECT_EQ(state.keyTable, table);
    ASSERT_EQ(state.userMacros.count(0), 1u);
    const auto& block = state.userMacros[0];
    EXPECT_EQ(block[0], 4);
    EXPECT_EQ(block[1], 5);
    auto events = sim::DecodeUserMacroBlock(block);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].code, 0x04);
    EXPECT_EQ(events[0].delay, 120);
    EXPECT_TRUE(events[0].press);
    EXPECT_EQ(events[3].code, 0x05);
    EXPECT_EQ(events[3].delay, 700);
    EXPECT_FALSE(events[3].press);
    auto preset = sim::DecodeUserMacroBlock(state.userMacros[1]);
    ASSERT_EQ(preset.size(), 4u);
    EXPECT_EQ(preset[0].code, 0xE2);
    EXPECT_EQ(preset[1].code, 0x3D);
    EXPECT_EQ(preset[1].delay, 100);
    EXPECT_FALSE(preset[3].press);
}

TEST(CmdFirstTest, FailedMacroUploadStillWritesTheKeyTable) {
    FirstBench bench;
    const int macro = bench.AddMacro(1, {{2, kVkA, 10}, {3, kVkA, 10}});
    bench.Assign(0x04, 3, macro);
    bench.Assign(0x05, 3, macro);
    bench.Assign(0x06, 2, 0x07);
    bench.board->SetRequestFilter([](const sim::SimReport& r) { return r.bytes.size() < 2 || r.bytes[1] != 0x8E; });
    auto result = bench.commands.WriteKeyAssignmentsFirst(bench.context);
    EXPECT_TRUE(result.macroUploadFailed);
    EXPECT_EQ(result.macrosUploaded, 0);
    EXPECT_TRUE(result.keyTableWritten);
    auto state = bench.State();
    EXPECT_EQ(state.keyTable[2], 0);  // the macro key keeps the default
    EXPECT_EQ(state.keyTable[3], 0);
    EXPECT_EQ(state.keyTable[6], 0x07);
    int macroReports = 0;
    for (const auto& r : bench.board->Log())
        if (r.bytes.size() > 1 && r.bytes[1] == 0x8E) ++macroReports;
    EXPECT_EQ(macroReports, 2);  // the first report and its retry; the second macro is not tried
}

TEST(CmdFirstTest, CustomColoursAndFactoryReset) {
    FirstBench bench;
    std::vector<KeyLightRecord> lights;
    for (auto [code, rgb] : std::vector<std::pair<int, int>>{{0x04, 0x0A0B0C}, {0x09, 0xFF0000}, {0x70, 0x123456}}) {
        KeyLightRecord light;
        light.profile = bench.profile;
        light.lightId = 128;
        light.keyCode = code;
        light.keyRgb = rgb;
        lights.push_back(light);
    }
    bench.store.AddKeyLights(lights);
    ASSERT_TRUE(bench.commands.WriteCustomColoursFirst(bench.context));
    auto state = bench.State();
    std::vector<uint8_t> expected(440, 0);
    expected[4] = 0x0C, expected[5] = 0x0B, expected[6] = 0x0A, expected[7] = 0xFF;
    expected[24] = 0x00, expected[25] = 0x00, expected[26] = 0xFF, expected[27] = 0xFF;
    EXPECT_EQ(state.colourTable, expected);
    EXPECT_EQ(state.rejectedReports, 0);
    ASSERT_TRUE(bench.commands.FactoryResetFirst());
    state = bench.State();
    EXPECT_EQ(state.resets, 1);
    EXPECT_EQ(state.colourTable, std::vector<uint8_t>(440, 0));
    // Chunks that do not fit are counted and dropped.
    OutputReport bad{0, 0x8D, 60, 200, 0};  // offset 200 + 60 > 220
    bench.manager.WriteReport(bad);
    OutputReport wrongInterface{0, 0xF1, 60, 0, 0};
    bench.manager.WriteReport(wrongInterface);  // a stream frame on the vendor interface
    EXPECT_EQ(bench.State().rejectedReports, 2);
}
