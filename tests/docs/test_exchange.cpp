// Profile and macro exchange files: round trips through a second database,
// the macro id map, the exact file layout, the naming rule, the decimal
// conversion, hostile import files and failed inserts and writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "docs/ExchangeFiles.h"
#include "docs/ExchangeSupport.h"
#include "docs/MacroExchange.h"
#include "docs/ProfileExchange.h"
#include "store/DataStore.h"
#include "tests/fakes/FakeFileDialog.h"
#include "tests/support/TestEnv.h"

namespace {

CString U(const std::string& utf8) {
    return CString::FromUtf8(utf8);
}
std::string S(const CString& text) {
    return text.ToUtf8();
}

// A store of its own in a fresh folder.
struct TestStore {
    std::string folder = testenv::MakeTempDir("exchange");
    DataStore store;
    TestStore() {
        std::filesystem::create_directories(folder + "/db");
        EXPECT_TRUE(store.OpenOrCreate(U(folder + "/"), u"model"));
    }
    std::string File(const std::string& name) const { return folder + "/" + name; }
};

// Records what the exchange operations asked of the window.
struct FakeHost final : IExchangeHost {
    bool hasProfile = true;
    CString profileName = u"Gaming";
    int profileId = 0;
    bool hasMacro = true;
    int macroId = 0;
    std::vector<std::pair<CString, int>> profileRows;
    std::vector<std::tuple<CString, int, bool>> macroRows;
    std::vector<int> shownProfiles;
    int keyWrites = 0;
    std::vector<std::pair<int, int>> messages;
    std::vector<CString> writeFailures;

    bool SelectedProfile(CString& name, int& id) override {
        name = profileName;
        id = profileId;
        return hasProfile;
    }
    void AddProfileRow(const CString& name, int id) override { profileRows.emplace_back(name, id); }
    void ShowImportedProfile(int id) override { shownProfiles.push_back(id); }
    void QueueKeyWrite() override { ++keyWrites; }
    bool SelectedMacro(int& id) override {
        id = macroId;
        return hasMacro;
    }
    void AddMacroRow(const CString& name, int id, bool select) override { macroRows.emplace_back(name, id, select); }
    void ShowMessage(int text, int caption) override { messages.emplace_back(text, caption); }
    void ReportWriteFailure(const CString& path) override { writeFailures.push_back(path); }
};

KeyAssignmentRecord Key(int profile, int layer, int code, int type, int value, int value2 = 0) {
    KeyAssignmentRecord key;
    key.profile = profile;
    key.fnLayer = layer;
    key.keyCode = code;
    key.layoutValue = code + 1000;
    key.layoutDesc = U("desc <&>'\" ключ " + std::to_string(code));
    key.macroType = type;
    key.macroValue = value;
    key.macroValue2 = value2;
    key.macroValue3 = -7;
    key.macroDesc = U("macro \"desc\" & 鍵 " + std::to_string(code));
    return key;
}

int AddMacro(DataStore& store, const std::string& name, int steps) {
    MacroRecord macro;
    macro.name = U(name);
    macro.playTimes = 3;
    macro.delayType = 2;
    macro.delayTime = 45;
    const int id = store.InsertMacro(macro);
    for (int i = 0; i < steps; ++i) {
        MacroStepRecord step;
        step.macroId = id;
        step.type = 2 + i % 2;
        step.recordIndex = i;
        step.value = 4 + i;
        step.delayTime = 10 * i;
        step.desc = U("step <" + std::to_string(i) + "> & 'q' ü");
        store.AddMacroStep(step);
    }
    return id;
}

std::vector<MacroStepRecord> Steps(DataStore& store, int macroId) {
    std::vector<MacroStepRecord> steps;
    store.ListMacroSteps(macroId, steps);
    return steps;
}

void ExpectSameSteps(const std::vector<MacroStepRecord>& a, const std::vector<MacroStepRecord>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].type, b[i].type);
        EXPECT_EQ(a[i].recordIndex, b[i].recordIndex);
        EXPECT_EQ(a[i].value, b[i].value);
        EXPECT_EQ(a[i].delayTime, b[i].delayTime);
        EXPECT_EQ(S(a[i].desc), S(b[i].desc));
    }
}

int CountRows(DataStore& store, const char* table) {
    int count = -1;
    const std::string sql = std::string("SELECT count(*) FROM ") + table;
    store.Execute(
        sql.c_str(),
        [](void* context, int, char** values, char**) {
            *static_cast<int*>(context) = std::atoi(values[0]);
            return 0;
        },
        &count);
    return count;
}

TEST(ExchangeNaming, FileTitleUpToFirstDot) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/u/My keys.v2.xml", "My keys"}, {"/home/u/keys", ""},   {"/home/u.d/keys", ""},
        {"/home/u/.hidden.xml", ""},           {"plain.xml", "plain"}, {"/a/Профиль.xml", "Профиль"},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(S(exchange::FileTitleName(U(path))), name) << path;
}

TEST(ExchangeNaming, XmlExtensionOnlyWhenMissing) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/a/keys", "/a/keys.xml"},     {"/a/keys.xml", "/a/keys.xml"}, {"/a/keys.bak", "/a/keys.bak"},
        {"/a.b/keys", "/a.b/keys.xml"}, {"/a/keys.", "/a/keys.xml"},    {"/a/.keys", "/a/.keys.xml"},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(S(exchange::WithXmlExtension(U(path))), expected) << path;
}

TEST(ExchangeNaming, PlainDecimal) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"42", 42},
        {"  -17", -17},
        {"+5", 5},
        {"", 0},
        {"abc", 0},
        {"0x1F", 0},
        {"12abc", 12},
        {"- 3", 0},
        {"1e3", 1},
        {"99999999999999", 2147483647},
        {"-99999999999999", -2147483647 - 1},
        {"-2147483648", -2147483647 - 1},
        {"\t\n7", 7},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(exchange::PlainDecimal(U(text)), value) << text;
}

// A profile with a layer-0 and a layer-1 key, a plain remap and one macro
// played by two keys.
struct ProfileFixture {
    TestStore source;
    int profile = 0;
    int macro = 0;
    ProfileFixture() {
        ProfileRecord record;
        record.name = u"Source";
        profile = source.store.AddProfile(record);
        macro = AddMacro(source.store, "Combo <&>'\" 連打", 4);
        source.store.SaveKeyAssignment(Key(profile, 0, 4, 1, 30, 2));
        source.store.SaveKeyAssignment(Key(profile, 0, 5, DataStore::kMacroKeyType, macro));
        source.store.SaveKeyAssignment(Key(profile, 0, 6, DataStore::kMacroKeyType, macro));
        source.store.SaveKeyAssignment(Key(profile, 1, 7, 1, 31));
    }
};

TEST(ProfileExchangeFile, RoundTripIntoAnotherDatabase) {
    ProfileFixture fixture;
    const std::string path = fixture.source.File("My keys.v2.xml");
    ASSERT_TRUE(ProfileExchange::WriteProfileFile(fixture.source.store, fixture.profile, u"Source", U(path)));

    // The macro used by two keys is written twice; the layer-1 key not at all.
    const std::string text = testenv::ReadFile(path);
    size_t macroinfos = 0;
    for (size_t at = text.find("<macroinfo"); at != std::string::npos; at = text.find("<macroinfo", at + 1))
        ++macroinfos;
    EXPECT_EQ(macroinfos, 2u);
    EXPECT_EQ(text.find("key_code=\"7\""), std::string::npos);

    TestStore other;
    AddMacro(other.store, "unrelated", 1);  // so the new ids differ from the old
    const auto result = ProfileExchange::ReadProfileFile(other.store, U(path));
    ASSERT_GT(result.profileId, 0);
    EXPECT_EQ(S(result.profileName), "My keys");
    ASSERT_EQ(result.newMacros.size(), 2u);
    const int secondCopy = result.newMacros[1].second;
    EXPECT_EQ(S(result.newMacros[1].first), "Combo <&>'\" 連打");

    std::vector<KeyAssignmentRecord> original, imported;
    fixture.source.store.ListKeyAssignments(fixture.profile, 0, original);
    other.store.ListKeyAssignments(result.profileId, 0, imported);
    ASSERT_EQ(imported.size(), original.size());
    for (size_t i = 0; i < imported.size(); ++i) {
        const KeyAssignmentRecord& a = original[i];
        const KeyAssignmentRecord& b = imported[i];
        EXPECT_EQ(b.fnLayer, a.fnLayer);
        EXPECT_EQ(b.keyCode, a.keyCode);
        EXPECT_EQ(b.layoutValue, a.layoutValue);
        EXPECT_EQ(S(b.layoutDesc), S(a.layoutDesc));
        EXPECT_EQ(b.macroType, a.macroType);
        // Both macro keys play the second copy.
        EXPECT_EQ(b.macroValue, a.macroType == DataStore::kMacroKeyType ? secondCopy : a.macroValue);
        EXPECT_EQ(b.macroValue2, a.macroValue2);
        EXPECT_EQ(b.macroValue3, a.macroValue3);
        EXPECT_EQ(S(b.macroDesc), S(a.macroDesc));
    }
    for (const auto& [name, id] : result.newMacros) {
        MacroRecord copy, macro;
        ASSERT_TRUE(other.store.GetMacro(id, copy));
        fixture.source.store.GetMacro(fixture.macro, macro);
        EXPECT_EQ(S(copy.name), S(macro.name));
        EXPECT_EQ(copy.playTimes, macro.playTimes);
        EXPECT_EQ(copy.delayType, macro.delayType);
        EXPECT_EQ(copy.delayTime, macro.delayTime);
        EXPECT_EQ(copy.linkCount, 0);
        ExpectSameSteps(Steps(other.store, id), Steps(fixture.source.store, fixture.macro));
    }
}

TEST(ProfileExchangeFile, ReimportIntoSameDatabaseReusesMacros) {
    ProfileFixture fixture;
    const std::string path = fixture.source.File("again.xml");
    ASSERT_TRUE(ProfileExchange::WriteProfileFile(fixture.source.store, fixture.profile, u"Source", U(path)));
    const int macrosBefore = CountRows(fixture.source.store, "t_macro_data");
    const auto result = ProfileExchange::ReadProfileFile(fixture.source.store, U(path));
    ASSERT_GT(result.profileId, 0);
    EXPECT_NE(result.profileId, fixture.profile);
    EXPECT_TRUE(result.newMacros.empty());
    EXPECT_EQ(CountRows(fixture.source.store, "t_macro_data"), macrosBefore);
    KeyAssignmentRecord key;
    ASSERT_TRUE(fixture.source.store.GetKeyAssignment(result.profileId, 0, 5, key));
    EXPECT_EQ(key.macroValue, fixture.macro);
}

TEST(ProfileExchangeFile, HandWrittenFileRules) {
    TestStore target;
    const int existing = AddMacro(target.store, "Kept", 0);
    // Item 1 plays a macro not in the file: its value stays. Item 2 names
    // fn_layer 1 and keeps it. Macro 50 appears twice: the second copy wins.
    // Item 4 has key code 0 and is skipped by the store. Numbers that are not
    // numbers read as 0.
    const std::string file =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n<profileinfo name=\"ignored\"/>\r\n"
        "<keyitems>\r\n"
        "<item fn_layer=\"0\" key_code=\"10\" macro_type=\"3\" macro_value=\"" +
        std::to_string(existing + 100) +
        "\"/>\r\n"
        "<item fn_layer=\"1\" key_code=\"11\" macro_type=\"1\" macro_value=\"9\" layout_value=\"x7\"/>\r\n"
        "<item fn_layer=\"0\" key_code=\"12\" macro_type=\"3\" macro_value=\"50\"/>\r\n"
        "<item fn_layer=\"0\" key_code=\"zero\" macro_type=\"1\" macro_value=\"9\"/>\r\n"
        "</keyitems>\r\n"
        "<macroinfo name=\"A\" macro_id=\"50\" times=\"2\" type=\"1\" delaytime=\"5\"><macroitems>"
        "<item desc=\"a\" type=\"2\" value=\"4\" delay_time=\"1\"/></macroitems></macroinfo>\r\n"
        "<macroinfo name=\"B\" macro_id=\"50\" times=\"many\" type=\"1\" delaytime=\"5\"/>\r\n"
        "<macroinfo name=\"Kept\" macro_id=\"" +
        std::to_string(existing) + "\"/>\r\n</profile>\r\n";
    const std::string path = target.File("keys");  // no dot: empty name
    testenv::WriteFile(path, file);
    const auto result = ProfileExchange::ReadProfileFile(target.store, U(path));
    ASSERT_GT(result.profileId, 0);
    EXPECT_EQ(S(result.profileName), "");
    ASSERT_EQ(result.newMacros.size(), 2u);  // "Kept" with its own id is reused
    MacroRecord b;
    ASSERT_TRUE(target.store.GetMacro(result.newMacros[1].second, b));
    EXPECT_EQ(b.playTimes, 0);
    EXPECT_EQ(Steps(target.store, result.newMacros[0].second).size(), 1u);

    KeyAssignmentRecord key;
    ASSERT_TRUE(target.store.GetKeyAssignment(result.profileId, 0, 10, key));
    EXPECT_EQ(key.macroValue, existing + 100);
    ASSERT_TRUE(target.store.GetKeyAssignment(result.profileId, 1, 11, key));
    EXPECT_EQ(key.layoutValue, 0);
    ASSERT_TRUE(target.store.GetKeyAssignment(result.profileId, 0, 12, key));
    EXPECT_EQ(key.macroValue, result.newMacros[1].second);
    std::vector<KeyAssignmentRecord> keys;
    EXPECT_EQ(target.store.ListKeyAssignments(result.profileId, 0, keys), 2);
}

TEST(ExchangeFileLayout, ExportedBytesAreExact) {
    TestStore store;
    ProfileRecord record;
    record.name = u"P";
    const int profile = store.store.AddProfile(record);
    const int macro = AddMacro(store.store, "M&", 1);
    KeyAssignmentRecord key = Key(profile, 0, 4, DataStore::kMacroKeyType, macro);
    key.layoutDesc = u"a<b";
    key.macroDesc = u"\"q'";
    store.store.SaveKeyAssignment(key);

    const std::string profilePath = store.File("p.xml");
    ASSERT_TRUE(ProfileExchange::WriteProfileFile(store.store, profile, u"P é", U(profilePath)));
    const std::string m = std::to_string(macro);
    const std::string step =
        "<item desc=\"step &lt;0&gt; &amp; &apos;q&apos; \xC3\xBC\" type=\"2\" value=\"4\" "
        "delay_time=\"0\"/>\r\n";
    EXPECT_EQ(testenv::ReadFile(profilePath),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<profile>\r\n"
              "<profileinfo name=\"P \xC3\xA9\"/>\r\n"
              "<keyitems>\r\n"
              "<item fn_layer=\"0\" key_code=\"4\" layout_value=\"1004\" layout_desc=\"a&lt;b\" macro_type=\"3\" "
              "macro_value=\"" +
                  m +
                  "\" macro_value2=\"0\" macro_value3=\"-7\" macro_desc=\"&quot;q&apos;\"/>\r\n"
                  "</keyitems>\r\n"
                  "<macroinfo name=\"M&amp;\" macro_id=\"" +
                  m +
                  "\" times=\"3\" type=\"2\" delaytime=\"45\">\r\n"
                  "<macroitems>\r\n" +
                  step +
                  "</macroitems>\r\n"
                  "</macroinfo>\r\n"
                  "</profile>\r\n");

    const std::string macroPath = store.File("m.xml");
    ASSERT_TRUE(MacroExchange::WriteMacroFile(store.store, macro, U(macroPath)));
    EXPECT_EQ(testenv::ReadFile(macroPath),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<macro>\r\n"
              "<macroinfo name=\"M&amp;\" times=\"3\" type=\"2\" delaytime=\"45\"/>\r\n"
              "<macroitems>\r\n" +
                  step +
                  "</macroitems>\r\n"
                  "</macro>\r\n");
}

TEST(MacroExchangeFile, RoundTripNamesAfterFile) {
    TestStore source;
    const int macro = AddMacro(source.store, "Original", 5);
    const std::string path = source.File("Fast fire.old.xml");
    ASSERT_TRUE(MacroExchange::WriteMacroFile(source.store, macro, U(path)));
    TestStore other;
    CString name;
    const int copy = MacroExchange::ReadMacroFile(other.store, U(path), name);
    ASSERT_GT(copy, 0);
    EXPECT_EQ(S(name), "Fast fire");
    MacroRecord record;
    ASSERT_TRUE(other.store.GetMacro(copy, record));
    EXPECT_EQ(S(record.name), "Fast fire");
    EXPECT_EQ(record.playTimes, 3);
    EXPECT_EQ(record.delayType, 2);
    EXPECT_EQ(record.delayTime, 45);
    ExpectSameSteps(Steps(other.store, copy), Steps(source.store, macro));
}

// Files that must store nothing at all.
TEST(ExchangeBadInput, RefusedFilesStoreNothing) {
    TestStore target;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty", ""},
        {"not xml", "this is not XML at all \x01\x02\xff"},
        {"other root", "<?xml version=\"1.0\"?>\r\n<keyboard><macroinfo name=\"x\"/><macro/></keyboard>"},
        {"two roots", "<profile><macroinfo name=\"x\"/></profile><macro><macroinfo/></macro>"},
        {"unended", "<profile><keyitems><item key_code=\"4\" macro_value=\"5\"/>"},
        {"binary", std::string("\0\0\0<profile>\0", 13)},
    };
    for (const auto& [label, bytes] : files) {
        const std::string path = target.File("bad.xml");
        testenv::WriteFile(path, bytes);
        const auto result = ProfileExchange::ReadProfileFile(target.store, U(path));
        EXPECT_EQ(result.profileId, 0) << label;
        CString name;
        EXPECT_EQ(MacroExchange::ReadMacroFile(target.store, U(path), name), 0) << label;
    }
    // Too large: refused before it is read.
    const std::string huge = target.File("huge.xml");
    testenv::WriteFile(huge, "<profile><keyitems>");
    std::filesystem::resize_file(huge, static_cast<uintmax_t>(exchange::kMaxImportFileBytes) + 1);
    EXPECT_EQ(ProfileExchange::ReadProfileFile(target.store, U(huge)).profileId, 0);
    // Missing file and a folder.
    EXPECT_EQ(ProfileExchange::ReadProfileFile(target.store, U(target.File("missing.xml"))).profileId, 0);
    EXPECT_EQ(ProfileExchange::ReadProfileFile(target.store, U(target.folder)).profileId, 0);

    EXPECT_EQ(CountRows(target.store, "t_profile_data"), 0);
    EXPECT_EQ(CountRows(target.store, "t_macro_data"), 0);
    EXPECT_EQ(CountRows(target.store, "t_key_macro_data"), 0);
}

// Far more items than any keyboard has: the import stores a bounded number.
TEST(ExchangeBadInput, HugeItemCountsAreBounded) {
    TestStore target;
    std::string file = "<profile><keyitems>";
    for (int i = 0; i < 100000; ++i)
        file += "<item fn_layer=\"" + std::to_string(i / 200) + "\" key_code=\"" + std::to_string(1 + i % 200) +
                "\" macro_type=\"1\" macro_value=\"5\"/>";
    file += "</keyitems><macroinfo name=\"" + std::string(100000, 'n') + "\" macro_id=\"1\"><macroitems>";
    for (int i = 0; i < 20000; ++i) file += "<item type=\"2\" value=\"4\"/>";
    file += "</macroitems></macroinfo>";
    for (int i = 0; i < 2000; ++i) file += "<macroinfo name=\"m\" macro_id=\"7\"/>";
    file += "</profile>";
    const std::string path = target.File("many.xml");
    testenv::WriteFile(path, file);
    const auto result = ProfileExchange::ReadProfileFile(target.store, U(path));
    ASSERT_GT(result.profileId, 0);
    EXPECT_EQ(CountRows(target.store, "t_key_macro_data"), exchange::kMaxImportKeyItems);
    EXPECT_EQ(CountRows(target.store, "t_macro_data"), exchange::kMaxImportMacros);
    EXPECT_EQ(CountRows(target.store, "t_macrorecord"), exchange::kMaxImportStepsPerMacro);
    MacroRecord first;
    ASSERT_TRUE(target.store.GetMacro(result.newMacros[0].second, first));
    EXPECT_EQ(first.name.GetLength(), 100000);
}

// The window side: dialogs, rows, the key-table write and the failures.
TEST(ExchangeFilesWindow, ExportNeedsSelectionAndReportsWriteFailure) {
    TestStore store;
    FakeHost host;
    FakeFileDialog dialog;
    ExchangeFiles files(host, dialog, store.store);

    host.hasProfile = false;
    host.hasMacro = false;
    EXPECT_FALSE(files.ExportProfile());
    EXPECT_FALSE(files.ExportMacro());
    EXPECT_TRUE(dialog.requests.empty());
    EXPECT_EQ(host.messages, (std::vector<std::pair<int, int>>{{542, 152}, {540, 541}}));

    host.hasProfile = true;
    host.hasMacro = true;
    host.macroId = AddMacro(store.store, "m", 1);
    EXPECT_FALSE(files.ExportProfile());  // cancelled
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_TRUE(dialog.requests[0].save);
    EXPECT_EQ(S(dialog.requests[0].filterText), "Profile (*.xml)");
    EXPECT_EQ(S(dialog.requests[0].filterPattern), "*.xml");

    // A name typed without an extension gets ".xml".
    dialog.answer = U(store.File("backup"));
    EXPECT_TRUE(files.ExportMacro());
    EXPECT_TRUE(testenv::FileExists(store.File("backup.xml")));
    EXPECT_EQ(S(dialog.requests.back().filterText), "Macro (*.xml)");

    // Unwritable targets: a missing folder, and an existing folder in the way.
    dialog.answer = U(store.File("no such folder/p.xml"));
    EXPECT_TRUE(files.ExportProfile());
    std::filesystem::create_directories(store.File("taken.xml/inner"));
    dialog.answer = U(store.File("taken.xml"));
    EXPECT_TRUE(files.ExportProfile());
    ASSERT_EQ(host.writeFailures.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(store.File("taken.xml/inner")));
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(store.folder))
        EXPECT_EQ(entry.path().extension().string() == ".tmp", false) << entry.path();
}

TEST(ExchangeFilesWindow, ExportReplacesAnEarlierFileWhole) {
    TestStore store;
    FakeHost host;
    FakeFileDialog dialog;
    ExchangeFiles files(host, dialog, store.store);
    host.macroId = AddMacro(store.store, "m", 0);
    const std::string path = store.File("m.xml");
    testenv::WriteFile(path, std::string(100000, 'x'));
    dialog.answer = U(path);
    ASSERT_TRUE(files.ExportMacro());
    EXPECT_TRUE(host.writeFailures.empty());
    EXPECT_EQ(testenv::ReadFile(path).find("xxx"), std::string::npos);
    EXPECT_EQ(testenv::ReadFile(path).rfind("</macro>\r\n"), testenv::ReadFile(path).size() - 10);
}

TEST(ExchangeFilesWindow, ImportAddsRowsActivatesAndWritesKeys) {
    ProfileFixture fixture;
    const std::string path = fixture.source.File("Imported.xml");
    ASSERT_TRUE(ProfileExchange::WriteProfileFile(fixture.source.store, fixture.profile, u"Source", U(path)));

    TestStore target;
    FakeHost host;
    FakeFileDialog dialog;
    ExchangeFiles files(host, dialog, target.store);
    EXPECT_FALSE(files.ImportProfile());  // cancelled
    dialog.answer = U(target.File("missing.xml"));
    EXPECT_FALSE(files.ImportProfile());
    EXPECT_EQ(S(dialog.requests.back().filterText), "Custom Key (*.xml)");
    EXPECT_FALSE(dialog.requests.back().save);

    dialog.answer = U(path);
    ASSERT_TRUE(files.ImportProfile());
    ASSERT_EQ(host.profileRows.size(), 1u);
    EXPECT_EQ(S(host.profileRows[0].first), "Imported");
    const int id = host.profileRows[0].second;
    EXPECT_EQ(target.store.GetActiveProfile(), id);
    EXPECT_EQ(host.shownProfiles, std::vector<int>{id});
    EXPECT_EQ(host.keyWrites, 1);
    ASSERT_EQ(host.macroRows.size(), 2u);
    EXPECT_TRUE(std::get<2>(host.macroRows[0]));

    const std::string macroPath = fixture.source.File("Solo.xml");
    ASSERT_TRUE(MacroExchange::WriteMacroFile(fixture.source.store, fixture.macro, U(macroPath)));
    dialog.answer = U(macroPath);
    ASSERT_TRUE(files.ImportMacro());
    ASSERT_EQ(host.macroRows.size(), 3u);
    EXPECT_EQ(S(std::get<0>(host.macroRows[2])), "Solo");
    EXPECT_FALSE(std::get<2>(host.macroRows[2]));
    EXPECT_EQ(S(dialog.requests.back().filterText), "Macros (*.xml)");
}

// When the store refuses the new profile or macro, nothing is added to the
// lists and nothing is written to the keyboard.
TEST(ExchangeFilesWindow, FailedInsertsAddNothing) {
    ProfileFixture fixture;
    const std::string path = fixture.source.File("Broken.xml");
    ASSERT_TRUE(ProfileExchange::WriteProfileFile(fixture.source.store, fixture.profile, u"Source", U(path)));
    const std::string macroPath = fixture.source.File("Solo.xml");
    ASSERT_TRUE(MacroExchange::WriteMacroFile(fixture.source.store, fixture.macro, U(macroPath)));

    TestStore target;
    FakeHost host;
    FakeFileDialog dialog;
    ExchangeFiles files(host, dialog, target.store);
    ASSERT_EQ(target.store.Execute("DROP TABLE t_profile_data"), 0);
    dialog.answer = U(path);
    EXPECT_TRUE(files.ImportProfile());
    EXPECT_TRUE(host.profileRows.empty());
    EXPECT_TRUE(host.shownProfiles.empty());
    EXPECT_EQ(host.keyWrites, 0);
    EXPECT_EQ(CountRows(target.store, "t_key_macro_data"), 0);

    // (The file's macros were stored before the profile was refused.)
    host.macroRows.clear();
    const int stepsBefore = CountRows(target.store, "t_macrorecord");
    ASSERT_EQ(target.store.Execute("DROP TABLE t_macro_data"), 0);
    dialog.answer = U(macroPath);
    EXPECT_TRUE(files.ImportMacro());
    EXPECT_TRUE(host.macroRows.empty());
    EXPECT_EQ(CountRows(target.store, "t_macrorecord"), stepsBefore);

    // A profile import whose macros cannot be stored: no steps, no rows, and
    // the keys keep the file's ids.
    ASSERT_EQ(target.store.Execute("CREATE TABLE t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT, "
                                   "name TEXT, status INTEGER, app TEXT, type INTEGER)"),
              0);
    dialog.answer = U(path);
    EXPECT_TRUE(files.ImportProfile());
    EXPECT_TRUE(host.macroRows.empty());
    ASSERT_EQ(host.profileRows.size(), 1u);
    EXPECT_EQ(CountRows(target.store, "t_macrorecord"), stepsBefore);
    KeyAssignmentRecord key;
    ASSERT_TRUE(target.store.GetKeyAssignment(host.profileRows[0].second, 0, 5, key));
    EXPECT_EQ(key.macroValue, fixture.macro);
}

}  // namespace
