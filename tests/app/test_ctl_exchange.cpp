// tastractl's exchange-file commands end to end: the real executable over a
// simulated board, and with no board at all (the start-up layout's model).
#include <gtest/gtest.h>

#include <filesystem>

#include "docs/MacroExchange.h"
#include "store/DataStore.h"
#include "tests/support/TestEnv.h"

namespace {

struct Ctl {
    std::string dir = testenv::MakeTempDir("ctlx");
    std::string data = dir + "/data";
    std::string out, err;

    int Run(const std::vector<std::string>& args, const std::string& simulate = "k104") {
        std::vector<std::string> argv = {testenv::BinDir() + "/tastractl", "--data-dir", data};
        if (!simulate.empty()) argv.push_back("--simulate=" + simulate);
        argv.insert(argv.end(), args.begin(), args.end());
        out.clear(), err.clear();
        return testenv::RunProcess(argv, &out, &err, {"TASTRA_SIM_STATE=" + dir + "/state.json"});
    }
    std::string File(const std::string& name) const { return dir + "/" + name; }
    // The only database file of the data folder whose name holds model.
    std::string Database(const std::string& model) const {
        for (const auto& entry : std::filesystem::directory_iterator(data + "/db"))
            if (entry.path().filename().string().find(model) != std::string::npos && entry.path().extension() == ".db")
                return entry.path().string();
        return {};
    }
};

bool Available() {
    return testenv::FileExists(testenv::BinDir() + "/tastractl");
}

bool IsDecimalLine(const std::string& text) {
    if (text.size() < 2 || text.back() != '\n') return false;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

TEST(CtlExchange, ProfileAndMacroRoundTripOnASimulatedBoard) {
    if (!Available()) GTEST_SKIP() << "tastractl not built";
    Ctl ctl;
    // A macro file made by the library, imported by the command.
    {
        DataStore scratch;
        const std::string folder = ctl.File("scratch/");
        std::filesystem::create_directories(folder + "db");
        ASSERT_TRUE(scratch.OpenOrCreate(CString::FromUtf8(folder), u"m"));
        MacroRecord macro;
        macro.name = u"x";
        macro.playTimes = 2;
        const int id = scratch.InsertMacro(macro);
        MacroStepRecord step;
        step.macroId = id;
        step.type = 2;
        step.value = 4;
        step.desc = CString::FromUtf8("A <&> \xC3\xA9");
        scratch.AddMacroStep(step);
        ASSERT_TRUE(MacroExchange::WriteMacroFile(scratch, id, CString::FromUtf8(ctl.File("Burst.xml"))));
    }
    ASSERT_EQ(ctl.Run({"import-macro", ctl.File("Burst.xml")}), 0) << ctl.err;
    ASSERT_TRUE(IsDecimalLine(ctl.out)) << ctl.out;
    const std::string macroId = ctl.out.substr(0, ctl.out.size() - 1);
    ASSERT_EQ(ctl.Run({"export-macro", macroId, ctl.File("again.xml")}), 0) << ctl.err;
    const std::string again = testenv::ReadFile(ctl.File("again.xml"));
    EXPECT_NE(again.find("<macroinfo name=\"Burst\" times=\"2\""), std::string::npos) << again;
    EXPECT_NE(again.find("desc=\"A &lt;&amp;&gt; \xC3\xA9\""), std::string::npos) << again;
    EXPECT_TRUE(ctl.out.empty());

    ASSERT_EQ(ctl.Run({"export-profile", ctl.File("Backup.v1.xml")}), 0) << ctl.err;
    ASSERT_EQ(ctl.Run({"import-profile", ctl.File("Backup.v1.xml")}), 0) << ctl.err;
    ASSERT_TRUE(IsDecimalLine(ctl.out)) << ctl.out;
    const std::string profileId = ctl.out.substr(0, ctl.out.size() - 1);
    // The imported profile is the active one and carries the file's name.
    DataStore store;
    const std::string db = ctl.Database("K104");
    ASSERT_FALSE(db.empty());
    ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(ctl.data + "/"), u"Tastra K104"));
    EXPECT_EQ(std::to_string(store.GetActiveProfile()), profileId);
    CString name;
    ASSERT_TRUE(store.GetProfileName(std::stoi(profileId), name));
    EXPECT_EQ(name.ToUtf8(), "Backup");
    store.Close();
    ASSERT_EQ(ctl.Run({"export-profile", "--profile", profileId, ctl.File("second.xml")}), 0) << ctl.err;
    EXPECT_NE(testenv::ReadFile(ctl.File("second.xml")).find("<profileinfo name=\"Backup\"/>"), std::string::npos);
}

TEST(CtlExchange, FailuresAndUsage) {
    if (!Available()) GTEST_SKIP() << "tastractl not built";
    Ctl ctl;
    testenv::WriteFile(ctl.File("old.xml"), "earlier backup");
    testenv::WriteFile(ctl.File("junk.xml"), "not xml at all");
    struct Case {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"export-profile"}, 2},
        {{"export-profile", "--profile", "x", ctl.File("a.xml")}, 2},
        {{"export-macro", "1"}, 2},
        {{"import-profile"}, 2},
        {{"import-macro", "a", "b"}, 2},
        {{"export-profile", ctl.File("no such folder/a.xml")}, 1},
        {{"export-profile", "--profile", "999", ctl.File("old.xml")}, 1},
        {{"export-macro", "999", ctl.File("old.xml")}, 1},
        {{"import-profile", ctl.File("missing.xml")}, 1},
        {{"import-profile", ctl.File("junk.xml")}, 1},
        {{"import-macro", ctl.File("junk.xml")}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ctl.Run(c.args), c.code) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "");
        EXPECT_TRUE(ctl.out.empty()) << ctl.out;
        EXPECT_EQ(ctl.err.find('\n'), ctl.err.size() - 1) << ctl.err;
    }
    EXPECT_EQ(testenv::ReadFile(ctl.File("old.xml")), "earlier backup");
}

TEST(CtlExchange, WithoutABoardUsesTheStartupModel) {
    if (!Available()) GTEST_SKIP() << "tastractl not built";
    Ctl ctl;
    testenv::WriteFile(ctl.File("Solo.xml"),
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n<profileinfo name=\"x\"/>\r\n"
                       "<keyitems>\r\n<item fn_layer=\"0\" key_code=\"4\" macro_type=\"1\" macro_value=\"5\"/>\r\n"
                       "</keyitems>\r\n</profile>\r\n");
    ASSERT_EQ(ctl.Run({"import-profile", ctl.File("Solo.xml")}, ""), 0) << ctl.err;
    EXPECT_TRUE(IsDecimalLine(ctl.out)) << ctl.out;
    EXPECT_TRUE(ctl.err.empty()) << ctl.err;
    ASSERT_EQ(ctl.Run({"export-profile", ctl.File("out.xml")}, ""), 0) << ctl.err;
    EXPECT_NE(testenv::ReadFile(ctl.File("out.xml")).find("key_code=\"4\""), std::string::npos);
}

}  // namespace
