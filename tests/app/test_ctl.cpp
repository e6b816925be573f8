// tastractl end to end: the real executable over simulated boards whose
// state lives in a state file, and a data folder of the test's own.
#include <gtest/gtest.h>

#include <filesystem>

#include "device/sim/SimStateJson.h"
#include "store/DataStore.h"
#include "tests/support/TestEnv.h"

namespace {

using device::sim::SimJson;

struct Ctl {
    std::string dir = testenv::MakeTempDir("ctl");
    std::string data = dir + "/data";
    std::string state = dir + "/state.json";
    std::string out, err;

    int Run(const std::vector<std::string>& args, const std::string& simulate = "k104,k87,k68:receiver") {
        std::vector<std::string> argv = {testenv::BinDir() + "/tastractl", "--data-dir", data};
        if (!simulate.empty()) argv.push_back("--simulate=" + simulate);
        argv.insert(argv.end(), args.begin(), args.end());
        out.clear(), err.clear();
        return testenv::RunProcess(argv, &out, &err, {"TASTRA_SIM_STATE=" + state});  // empty: no file
    }

    SimJson State() const {
        SimJson json;
        SimJson::Parse(testenv::ReadFile(state), json);
        return json;
    }

    // The model's store, opened by the test.
    std::string Database(const std::string& model) const {
        for (const auto& entry : std::filesystem::directory_iterator(data + "/db"))
            if (entry.path().filename().string().find(model) != std::string::npos &&
                entry.path().extension() == ".db")
                return entry.path().filename().string();
        return {};
    }
};

std::string Name(const std::string& file) { return file.substr(0, file.size() - std::string("_data_v1.db").size()); }

bool Available() { return testenv::FileExists(testenv::BinDir() + "/tastractl"); }

}  // namespace

TEST(CtlTest, UsageAndHelp) {
    if (!Available()) GTEST_SKIP() << "tastractl not built";
    Ctl ctl;
    EXPECT_EQ(ctl.Run({"--help"}, ""), 0);
    for (const char* word : {"--simulate", "--data-dir", "apply [--profile ID] [--key CODE]", "sim-state"})
        EXPECT_NE(ctl.out.find(word), std::string::npos) << word;
    struct Case {
        std::vector<std::string> args;
        int code;
    } cases[] = {{{}, 2},
                 {{"--bogus", "devices"}, 2},
                 {{"frobnicate"}, 2},
                 {{"apply", "--key", "zz"}, 2},
                 {{"apply", "--profile"}, 2},
                 {{"reset"}, 2},
                 {{"--model", "k99", "version"}, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(ctl.Run(c.args), c.code) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_FALSE(ctl.err.empty());
        EXPECT_EQ(ctl.err.find('\n'), ctl.err.size() - 1) << ctl.err;  // one line
    }
    EXPECT_EQ(ctl.Run({"version"}, ""), 1) << "no board without --simulate in a test";
}

TEST(CtlTest, DevicesAndVersion) {
    if (!Available()) GTEST_SKIP() << "tastractl not built";
    Ctl ctl;
    ASSERT_EQ(ctl.Run({"devices"}), 0) << ctl.err;
    EXPECT_NE(ctl.out.find("k104\twired\tpresent\t0x0105\n"), std::string::npos) << ctl.out;
    EXPECT_NE(ctl.out.find("k87\twired\tpresent\t0x0203\n"), std::string::npos);
    EXPECT_NE(ctl.out.find("k87\treceiver\tabsent\n"), std::string::npos);
    EXPECT_NE(ctl.out.find("k68\treceiver\tpresent\t0x0110\n"), std::string::npos);
    EXPECT_NE(ctl.out.find("k68\twired\tabsent\n"), std::string::npos);
    ASSERT_EQ(ctl.Run({"--model=k87", "version"}), 0);
    EXPECT_EQ(ctl.out, "0x0203\n");
    // Without a state file the boards of the run are printed.
    ctl.state.clear();
    ASSERT_EQ(ctl.Run({"sim-state"}, "k87"), 0);
    SimJson printed;
    ASSERT_TRUE(SimJson::Parse(ctl.out, printed)) << ctl.out;
    EXPECT_EQ(printed.Get("k87:wired").Get("firmware_version").IntOr(0, 0xFFFF, -1), 0x0203);
    EXPECT_EQ(printed.Get("k87:wired").Get("macro_slots").Items().size(), 13u);
}

TEST(CtlTest, ApplyLightAndResetThroughTheStateFile) {
    if (!Available()) GTEST_SKIP() << "tastractl not built";
    Ctl ctl;
    // The first run creates the store with its default profiles.
    ASSERT_EQ(ctl.Run({"--model", "k87", "apply"}), 0) << ctl.err;
    const std::string file = ctl.Database("K87");
    ASSERT_FALSE(file.empty());
    int profile = 0;
    {
        DataStore store;
        ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(ctl.data + "/"), CString::FromUtf8(Name(file))));
        std::vector<ProfileRecord> profiles;
        ASSERT_EQ(store.ListProfiles(profiles), 3);
        profile = profiles[1].profileId;
        for (auto [key, type, value] : std::vector<std::array<int, 3>>{{0x04, 2, 0x05}, {0x06, 1, 1}, {0x08, 7, 2}}) {
            KeyAssignmentRecord r;
            r.profile = profile, r.keyCode = key, r.macroType = type, r.macroValue = value;
            store.SaveKeyAssignment(r);
        }
        for (int i = 0; i < 11; ++i) {
            KeyAssignmentRecord r;
            r.profile = profile, r.keyCode = 0x20 + i, r.macroType = 2, r.macroValue = 0x30;
            store.SaveKeyAssignment(r);
        }
    }
    ASSERT_EQ(ctl.Run({"--model", "k87", "apply", "--profile", std::to_string(profile)}), 0) << ctl.err;
    EXPECT_NE(ctl.err.find("were not written"), std::string::npos) << ctl.err;
    SimJson board = ctl.State().Get("k87:wired");
    ASSERT_TRUE(board.IsObject()) << testenv::ReadFile(ctl.state);
    const auto& remaps = board.Get("remap_slots").Items();
    ASSERT_EQ(remaps.size(), 10u);
    EXPECT_EQ(remaps[0].Get("key").IntOr(0, 255, -1), 0x04);
    EXPECT_EQ(remaps[0].Get("target").IntOr(0, 255, -1), 0x05);
    EXPECT_EQ(remaps[1].Get("target").IntOr(0, 255, -1), 0x01);
    const auto& macros = board.Get("macro_slots").Items();
    ASSERT_EQ(macros.size(), 13u);
    EXPECT_EQ(macros[0].Get("key").IntOr(0, 255, -1), 0x08);
    EXPECT_EQ(macros[0].Get("events").Items().size(), 4u);
    EXPECT_EQ(board.Get("rejected_reports").IntOr(0, 1000, -1), 0);

    // The next process finds the board as this one left it: a single key
    // goes into the slot the table already gives it.
    {
        DataStore store;
        ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(ctl.data + "/"), CString::FromUtf8(Name(file))));
        KeyAssignmentRecord r;
        r.profile = profile, r.keyCode = 0x04, r.macroType = 2, r.macroValue = 0x2C;
        store.SaveKeyAssignment(r);
    }
    ASSERT_EQ(ctl.Run({"--model", "k87", "apply", "--key", "0x04"}), 0) << ctl.err;
    board = ctl.State().Get("k87:wired");
    EXPECT_EQ(board.Get("remap_slots").Items()[0].Get("target").IntOr(0, 255, -1), 0x2C);

    // Lighting of the default profile of each family.
    ASSERT_EQ(ctl.Run({"--model", "k87", "light"}), 0) << ctl.err;
    EXPECT_EQ(ctl.State().Get("k87:wired").Get("light").Get("second").Items().size(), 6u);
    ASSERT_EQ(ctl.Run({"--model", "k104", "light"}), 0) << ctl.err;
    SimJson first = ctl.State().Get("k104:wired").Get("light");
    EXPECT_GE(first.Get("first_mode").IntOr(-1, 255, -1), 1);
    EXPECT_EQ(first.Get("first_params").Items().size(), 5u);
    EXPECT_EQ(ctl.Run({"--model", "k68", "apply"}), 1);
    EXPECT_EQ(ctl.err, "tastractl: key assignments can only be written over the cable\n");

    // Restore: the store is recreated and the board reset.
    ASSERT_EQ(ctl.Run({"--model", "k87", "reset", "--yes"}), 0) << ctl.err;
    board = ctl.State().Get("k87:wired");
    EXPECT_EQ(board.Get("resets").IntOr(0, 10, -1), 1);
    EXPECT_EQ(board.Get("remap_slots").Items()[0].Get("key").IntOr(0, 255, -1), 0);
    DataStore store;
    ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(ctl.data + "/"), CString::FromUtf8(Name(file))));
    std::vector<KeyAssignmentRecord> list;
    std::vector<ProfileRecord> profiles;
    EXPECT_EQ(store.ListProfiles(profiles), 3);
    EXPECT_EQ(store.ListKeyAssignments(profile, 0, list), 0);

    ASSERT_EQ(ctl.Run({"sim-state"}), 0);
    SimJson printed;
    ASSERT_TRUE(SimJson::Parse(ctl.out, printed));
    EXPECT_TRUE(printed.Get("k68:receiver").IsObject());
}

TEST(CtlTest, HostileStateFile) {
    if (!Available()) GTEST_SKIP() << "tastractl not built";
    const std::string texts[] = {std::string(100000, '['), "{\"k87:wired\": {\"macro_slots\": [{\"key\": 1e308}]",
                                 "{\"k87:wired\": {\"firmware_version\": -5, \"key_table\": \"zz\", "
                                 "\"user_macros\": {\"-1\": \"00\", \"7\": 5}, \"remap_slots\": 3}}",
                                 std::string("\0\xff\xfe", 3)};
    for (const std::string& text : texts) {
        Ctl ctl;
        testenv::WriteFile(ctl.state, text);
        ASSERT_EQ(ctl.Run({"--model", "k87", "version"}), 0) << ctl.err;
        EXPECT_EQ(ctl.out, "0x0203\n");
        ASSERT_EQ(ctl.Run({"--model", "k87", "light"}), 0) << ctl.err;
        SimJson state = ctl.State();
        EXPECT_TRUE(state.Get("k87:wired").IsObject());
    }
}
