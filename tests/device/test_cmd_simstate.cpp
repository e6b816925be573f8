// The simulated boards' state file: a second set of boards finds what the
// first left, and hostile files or JSON never crash the reader.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/commands/SecondFamilyCommands.h"
#include "device/sim/SimStateJson.h"
#include "tests/device/CmdTestSupport.h"

using namespace device;
using device::sim::SimJson;

TEST(CmdSimStateTest, BoardsKeepTheirStateAcrossRuns) {
    const std::string file = testenv::MakeTempDir("state") + "/state.json";
    sim::SimStateRegistry::Instance().SetFile(file);
    {
        cmdtest::Bench bench;
        bench.Assign(0x04, 2, 0x05);
        commands::SecondFamilyCommands commands(bench.manager, bench.store);
        commands.WriteRemapSlot(bench.context, 0x04, 2);
        commands.UploadMacroSlot(bench.context, 0x09, 13, 7, 10);
        bench.board->SetFirmwareVersion(0x0304);
        commands.SendMusicLevel(1, 9);  // a change: the file is rewritten
    }
    SimJson document;
    ASSERT_TRUE(SimJson::Parse(testenv::ReadFile(file), document));
    const SimJson& saved = document.Get("k87:wired");
    EXPECT_EQ(saved.Get("pid").IntOr(0, 0xFFFF, -1), 2);
    EXPECT_EQ(saved.Get("firmware_version").IntOr(0, 0xFFFF, -1), 0x0304);
    EXPECT_EQ(saved.Get("music").Get("level").IntOr(0, 255, -1), 9);
    EXPECT_EQ(saved.Get("user_macros").GetKind(), SimJson::Kind::Object);
    EXPECT_EQ(testenv::ReadFile(file + ".tmp"), "");

    sim::SimStateRegistry::Instance().SetFile(file);  // a new process reads the file afresh
    {
        cmdtest::Bench bench;
        auto state = bench.State();
        EXPECT_EQ(state.remapSlots[1], (sim::SimRemapSlot{4, 5}));
        EXPECT_EQ(state.macroSlots[12].key, 0x09);
        EXPECT_EQ(state.macroSlots[12].events,
                  (std::vector<std::pair<int, int>>{{0xE2, 1}, {0x2B, 1}, {0x2B, 0x81}, {0xE2, 0x81}}));
        commands::SecondFamilyCommands commands(bench.manager, bench.store);
        FeatureBlock block{};
        ASSERT_TRUE(commands.ReadSlotTable(block));
        EXPECT_EQ(block[13], 0x09);
        EXPECT_EQ(block[15], 0x04);
        int version = 0;
        ASSERT_TRUE(bench.manager.QueryFirmwareVersion(version));
        EXPECT_EQ(version, 0x0304);
    }
    sim::SimStateRegistry::Instance().SetFile("");
}

TEST(CmdSimStateTest, HostileJson) {
    const std::string texts[] = {"",
                                 std::string(10000, '['),
                                 std::string(10000, '{'),
                                 "{\"a\":",
                                 "{\"a\" 1}",
                                 "[1,]",
                                 "\"\\u12\"",
                                 "1e99999",
                                 "{\"a\":\"\x01\"}",
                                 std::string("\"\0\"", 3),
                                 "[1] x"};
    for (const std::string& text : texts) {
        SimJson value;
        EXPECT_FALSE(SimJson::Parse(text, value)) << text.substr(0, 20);
        EXPECT_EQ(value.GetKind(), SimJson::Kind::Null);
    }
    // Well-formed but wrong: every field falls back to its default.
    SimJson wrong;
    ASSERT_TRUE(SimJson::Parse(
        "{\"firmware_version\": 1e300, \"macro_slots\": [{\"key\": -1, \"events\": [[1], [2, 300], \"x\"]}, 5],"
        " \"remap_slots\": {\"key\": 3}, \"key_table\": \"0g\", \"colour_table\": \"00\","
        " \"user_macros\": {\"999\": \"00\", \"x\": \"00\", \"3\": \"" + std::string(2402, 'a') + "\", \"4\": \"0102\"},"
        " \"light\": {\"second\": [1, 2, 999]}, \"resets\": \"1\"}",
        wrong));
    sim::SimFirmwareData data;
    uint16_t version = 7;
    std::array<uint8_t, 28> table{};
    ASSERT_TRUE(sim::BoardFromJson(wrong, data, version, table));
    EXPECT_EQ(version, 7);
    EXPECT_EQ(data.macroSlots[0].key, 0);
    EXPECT_TRUE(data.macroSlots[0].events.empty());
    EXPECT_EQ(data.keyTable, std::vector<uint8_t>(220, 0));
    EXPECT_EQ(data.userMacros.size(), 1u);
    EXPECT_EQ(data.userMacros[4].size(), 1200u);
    EXPECT_TRUE(data.lightSecond.empty());
    EXPECT_EQ(data.resets, 0);
    // And what the writer makes, the reader reads back.
    data.remapSlots[3] = {9, 10};
    table[14 + 3] = 9;
    data.macroSlots[1] = {0x22, 3, {{4, 0x0A}, {4, 0x8A}}};
    table[2] = 0x22;
    data.lightSecond = {1, 2, 3, 4, 5, 6};
    SimJson round;
    ASSERT_TRUE(SimJson::Parse(sim::BoardToJson(data, 0x0102, table).Write(2), round));
    sim::SimFirmwareData back;
    std::array<uint8_t, 28> backTable{};
    uint16_t backVersion = 0;
    ASSERT_TRUE(sim::BoardFromJson(round, back, backVersion, backTable));
    EXPECT_EQ(backVersion, 0x0102);
    EXPECT_EQ(backTable, table);
    EXPECT_EQ(back.macroSlots[1], data.macroSlots[1]);
    EXPECT_EQ(back.remapSlots[3], data.remapSlots[3]);
    EXPECT_EQ(back.lightSecond, data.lightSecond);
    EXPECT_EQ(back.userMacros.at(4).size(), 1200u);
}

TEST(CmdSimStateTest, MusicLevelsWhileKeysAreWritten) {
    const std::string file = testenv::MakeTempDir("state") + "/state.json";
    sim::SimStateRegistry::Instance().SetFile(file);
    {
        cmdtest::Bench bench;
        for (int i = 0; i < 4; ++i) bench.Assign(0x04 + i, 2, 0x10 + i);
        commands::SecondFamilyCommands commands(bench.manager, bench.store);
        std::atomic<bool> stop{false};
        std::thread music([&] {
            for (int level = 0; !stop.load(); level = (level + 1) % 200) commands.SendMusicLevel(1, level);
        });
        for (int slot = 1; slot <= 4; ++slot) commands.WriteRemapSlot(bench.context, 0x03 + slot, slot);
        stop = true;
        music.join();
        auto state = bench.State();
        EXPECT_EQ(state.remapSlots[3], (sim::SimRemapSlot{0x07, 0x13}));
        EXPECT_EQ(state.rejectedReports, 0);
    }
    SimJson document;
    EXPECT_TRUE(SimJson::Parse(testenv::ReadFile(file), document));
    EXPECT_EQ(document.Get("k87:wired").Get("remap_slots").Items()[3].Get("target").IntOr(0, 255, -1), 0x13);
    sim::SimStateRegistry::Instance().SetFile("");
}
