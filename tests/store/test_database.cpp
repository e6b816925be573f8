// The access layer and the file rules: where a model's file lives, how it
// is created, opened, switched, deleted, and what every operation answers
// when the file or its folder is bad.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "store/DataStore.h"
#include "store/SQLiteAutoTransaction.h"
#include "store/SQLiteDB.h"
#include "store/SQLiteStatement.h"
#include "tests/store/StoreTestUtil.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using storetest::MakeDataFolder;
using storetest::QueryInt;
using storetest::QueryText;

namespace {

CString U(const std::string& utf8) { return CString::FromUtf8(utf8); }

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every operation of the store answers its failure value.
void ExpectEveryOperationFails(DataStore& store) {
    ProfileRecord profile;
    profile.name = u"P";
    EXPECT_EQ(store.AddProfile(profile), 0);
    std::vector<ProfileRecord> profiles(2);
    EXPECT_EQ(store.ListProfiles(profiles), 0);
    EXPECT_TRUE(profiles.empty());
    CString name = u"kept";
    EXPECT_FALSE(store.GetProfileName(1, name));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_FALSE(store.RenameProfile(1, u"x"));
    EXPECT_FALSE(store.DeleteProfile(1));
    EXPECT_FALSE(store.SetActiveProfile(1));
    EXPECT_EQ(store.GetActiveProfile(), 0);

    KeyAssignmentRecord key;
    key.profile = 1;
    key.keyCode = 4;
    key.macroValue = 7;
    EXPECT_EQ(store.SaveKeyAssignment(key), 0);
    EXPECT_FALSE(store.GetKeyAssignment(1, 0, 4, key));
    std::vector<KeyAssignmentRecord> keys(1);
    EXPECT_EQ(store.ListKeyAssignments(1, 0, keys), 0);
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(store.AddKeyExtraData(u"d", u"p", 8), 0);

    LightRecord light;
    EXPECT_EQ(store.AddLight(light), 0);
    EXPECT_EQ(store.CountLights(1), 0);
    EXPECT_FALSE(store.UpdateLight(1, 1, light));
    EXPECT_FALSE(store.SetActiveLight(1, 1));
    EXPECT_EQ(store.GetActiveLightMode(1), 0);
    EXPECT_FALSE(store.GetLight(1, 1, light));
    std::vector<LightRecord> lights(1);
    EXPECT_EQ(store.ListLights(1, lights), 0);
    EXPECT_EQ(store.AddKeyLights(std::vector<KeyLightRecord>(5)), 0);
    EXPECT_FALSE(store.DeleteKeyLights(128));
    std::vector<KeyLightRecord> keyLights(1);
    EXPECT_EQ(store.ListKeyLights(128, keyLights), 0);

    EXPECT_EQ(store.AddMusicLayer(1, u"m", 2), 0);
    EXPECT_EQ(store.CountMusicLayers(1), 0);
    MusicLayerRecord layer;
    EXPECT_FALSE(store.GetMusicLayer(1, layer));
    EXPECT_FALSE(store.UpdateMusicLayer(1, layer));
    EXPECT_FALSE(store.SelectMusicLayer(1, 1));
    EXPECT_EQ(store.GetSelectedMusicLayer(1), 0);

    // These once answered the step's code (21 on a closed store), which
    // callers took for a new id.
    EXPECT_EQ(store.AddMacro(u"m"), 0);
    MacroRecord macro;
    EXPECT_EQ(store.InsertMacro(macro), 0);
    MacroStepRecord step;
    step.macroId = 1;
    EXPECT_EQ(store.AddMacroStep(step), 0);
    EXPECT_EQ(store.AddMacroSteps(std::vector<MacroStepRecord>(5, step)), 0);
    EXPECT_FALSE(store.RenameMacro(1, u"x"));
    EXPECT_FALSE(store.UpdateMacroPlayback(macro));
    EXPECT_FALSE(store.DeleteMacro(1));
    int playTimes = -5;
    EXPECT_FALSE(store.GetMacroPlayTimes(1, playTimes));
    EXPECT_EQ(playTimes, -5);
    EXPECT_FALSE(store.GetMacro(1, macro));
    std::vector<MacroRecord> macros(1);
    EXPECT_EQ(store.ListMacros(macros), 0);
    std::vector<MacroStepRecord> steps(1);
    EXPECT_EQ(store.ListMacroSteps(1, steps), 0);
    EXPECT_FALSE(store.DeleteMacroSteps(1));
    EXPECT_EQ(store.CountMacroNonDelaySteps(1), 0);
    store.InsertDefaultConfig();
    store.DeleteProfileKeyAssignments(1);
}

int AddNamedProfile(DataStore& store, const char16_t* name) {
    ProfileRecord record;
    record.name = name;
    return store.AddProfile(record);
}

std::vector<CString> ProfileNames(DataStore& store) {
    std::vector<ProfileRecord> list;
    store.ListProfiles(list);
    std::vector<CString> names;
    for (const auto& record : list) names.push_back(record.name);
    return names;
}

}  // namespace

TEST(StoreFiles, NewFileGetsWholeSchemaInOrderAndWal) {
    const std::string folder = MakeDataFolder();
    DataStore store;
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"K71"));
    EXPECT_TRUE(store.IsOpen());
    const std::string path = folder + "db/K71_data_v1.db";
    EXPECT_EQ(store.Path(), path);
    EXPECT_EQ(QueryText(path,
                        "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master "
                        "WHERE name NOT LIKE 'sqlite_%' ORDER BY rowid)"),
              "t_configdata t_profile_data profileindex t_key_macro_data keyindex t_key_otherdata otheridindex "
              "t_macro_data macroidindex t_macrorecord macrorecordindex t_light_data lightindex "
              "t_key_light_data keylightindex t_musiclayer_data musiclayerindex");
    EXPECT_EQ(QueryText(path, "SELECT group_concat(name, ',') FROM pragma_table_info('t_macrorecord')"),
              "record_id,macro_id,type,record_index,desc,value,delay_time");
    EXPECT_EQ(QueryText(path, "PRAGMA journal_mode"), "wal");
    // Ids are never reused after deletes.
    EXPECT_NE(QueryText(path, "SELECT sql FROM sqlite_master WHERE name = 't_light_data'").find("AUTOINCREMENT"),
              std::string::npos);
    // Closing after a write folds the log back into the file: nothing else
    // is left behind, no half-built file either.
    ProfileRecord record;
    ASSERT_EQ(store.AddProfile(record), 1);
    store.Close();
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(FilesIn(folder + "db"), std::vector<std::string>{"K71_data_v1.db"});
    EXPECT_EQ(QueryInt(path, "SELECT count(*) FROM t_profile_data"), 1);

    // The sqlite3 tool reads it as a plain database.
    if (access("/usr/bin/sqlite3", X_OK) == 0) {
        std::string out;
        EXPECT_EQ(testenv::RunProcess({"/usr/bin/sqlite3", path, "PRAGMA integrity_check;"}, &out), 0);
        EXPECT_EQ(out, "ok\n");
    }
}

TEST(StoreFiles, ExistingFileOpensWithoutRunningSchema) {
    const std::string folder = MakeDataFolder();
    const std::string path = folder + "db/Old_data_v1.db";
    {
        SQLiteDB db;
        ASSERT_TRUE(db.Open(path.c_str(), SQLiteDB::kOpenReadWrite | SQLiteDB::kOpenCreate));
        ASSERT_EQ(db.Execute("CREATE TABLE other(x INTEGER);"), 0);
    }
    DataStore store;
    EXPECT_TRUE(store.OpenOrCreate(U(folder), u"Old"));
    EXPECT_EQ(QueryInt(path, "SELECT count(*) FROM sqlite_master"), 1);
    // Without tables every operation fails at prepare time.
    ExpectEveryOperationFails(store);
}

TEST(StoreFiles, SwitchingModelsClosesTheOtherFile) {
    const std::string folder = MakeDataFolder();
    DataStore store;
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"A"));
    EXPECT_GT(AddNamedProfile(store, u"in A"), 0);
    // No Close() in between: the store must still not write to A's file.
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"B"));
    EXPECT_GT(AddNamedProfile(store, u"in B"), 0);
    EXPECT_EQ(ProfileNames(store), std::vector<CString>{u"in B"});
    // Back to A: an existing file, reopened.
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"A"));
    EXPECT_EQ(ProfileNames(store), std::vector<CString>{u"in A"});
    // The same model again keeps the open connection.
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"A"));
    EXPECT_EQ(ProfileNames(store), std::vector<CString>{u"in A"});
    EXPECT_EQ(QueryInt(folder + "db/A_data_v1.db", "SELECT count(*) FROM t_profile_data"), 1);
    EXPECT_EQ(QueryInt(folder + "db/B_data_v1.db", "SELECT count(*) FROM t_profile_data"), 1);
}

TEST(StoreFiles, ModelNamesStayInsideTheDbFolder) {
    struct Case {
        CString model;
        const char* file;
    };
    const Case cases[] = {
        {u"", "_data_v1.db"},
        {u"K71 Pro", "K71 Pro_data_v1.db"},
        {u"../../evil", ".._.._evil_data_v1.db"},
        {u"/abs/path", "_abs_path_data_v1.db"},
        {u".", "__data_v1.db"},
        {u"..", "___data_v1.db"},
        {CString(u"a\0b", 3), "a_b_data_v1.db"},
        {u"Clavier é", "Clavier é_data_v1.db"},
    };
    const std::string folder = MakeDataFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(DataStore::DatabasePath(U(folder), c.model), folder + "db/" + c.file);
        DataStore store;
        EXPECT_TRUE(store.OpenOrCreate(U(folder), c.model));
        store.Close();
        EXPECT_TRUE(testenv::FileExists(folder + "db/" + c.file));
    }
    // Only the db folder itself received files.
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"db"});
    // A folder without its trailing separator gets one.
    EXPECT_EQ(DataStore::DatabasePath(u"/x/y", u"M"), "/x/y/db/M_data_v1.db");
}

TEST(StoreFiles, DefaultFolderIsTheUsersDataFolder) {
    // The test main points XDG_DATA_HOME at a private folder.
    const std::string expected = DataStore::DatabasePath(paths::DataFolder(), u"M");
    EXPECT_EQ(expected.rfind(std::string(getenv("XDG_DATA_HOME")), 0), 0u);
    EXPECT_NE(expected.find(" Files/db/M_data_v1.db"), std::string::npos);
}

TEST(StoreFiles, DeleteRemovesFileAndLogsAndRestoresDefaults) {
    const std::string folder = MakeDataFolder();
    DataStore store;
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"M"));
    ASSERT_GT(AddNamedProfile(store, u"old"), 0);
    const std::string path = folder + "db/M_data_v1.db";
    ASSERT_TRUE(testenv::FileExists(path + "-wal"));
    store.DeleteDatabaseFile(U(folder), u"M");
    EXPECT_FALSE(store.IsOpen());
    EXPECT_TRUE(FilesIn(folder + "db").empty());
    // Deleting what is not there is silently ignored.
    store.DeleteDatabaseFile(U(folder), u"M");
    store.DeleteDatabaseFile(U(folder), u"Never");
    // The restore-defaults path: a fresh, empty file.
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"M"));
    EXPECT_TRUE(ProfileNames(store).empty());
    EXPECT_EQ(AddNamedProfile(store, u"new"), 1);
}

TEST(StoreFiles, ClosedStoreFailsEverythingAndReopens) {
    const std::string folder = MakeDataFolder();
    DataStore store;
    ExpectEveryOperationFails(store);
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"M"));
    store.Close();
    ExpectEveryOperationFails(store);
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"M"));
    EXPECT_EQ(AddNamedProfile(store, u"p"), 1);
}

TEST(StoreFiles, MissingDbFolderFailsThenWorks) {
    const std::string folder = testenv::MakeTempDir("nodb") + "/";
    DataStore store;
    EXPECT_FALSE(store.OpenOrCreate(U(folder), u"M"));
    EXPECT_FALSE(store.IsOpen());
    ExpectEveryOperationFails(store);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{});
    ASSERT_EQ(::mkdir((folder + "db").c_str(), 0700), 0);
    EXPECT_TRUE(store.OpenOrCreate(U(folder), u"M"));
    EXPECT_EQ(AddNamedProfile(store, u"p"), 1);
}

TEST(StoreFiles, ReadOnlyDbFolderFailsQuietly) {
    // Permissions do not stop root, so the checks run in a child process
    // that drops to an unprivileged user first; its failures decide its
    // exit code.
    constexpr uid_t kNobody = 65534;
    std::string base = fs::temp_directory_path().string() + "/tastra-store-ro-XXXXXX";
    ASSERT_NE(::mkdtemp(base.data()), nullptr);
    const std::string empty = base + "/empty/";
    const std::string filled = base + "/filled/";
    for (const std::string& folder : {empty, filled}) {
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((folder + "db").c_str(), 0755), 0);
    }
    {
        DataStore store;
        ASSERT_TRUE(store.OpenOrCreate(U(filled), u"M"));
        ASSERT_EQ(AddNamedProfile(store, u"kept"), 1);
    }
    ::chmod(base.c_str(), 0755);
    ::chmod((empty + "db").c_str(), 0555);
    ::chmod((filled + "db").c_str(), 0555);
    ::chmod((filled + "db/M_data_v1.db").c_str(), 0444);

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) _exit(2);
        {
            // No file, and none can be made.
            DataStore store;
            EXPECT_FALSE(store.OpenOrCreate(U(empty), u"M"));
            ExpectEveryOperationFails(store);
            // A file that can be read at most: every write fails.
            EXPECT_FALSE(store.OpenOrCreate(U(filled), u"M") && AddNamedProfile(store, u"new") != 0);
            EXPECT_EQ(store.AddMacro(u"m"), 0);
            EXPECT_EQ(store.AddKeyLights(std::vector<KeyLightRecord>(3)), 0);
            EXPECT_EQ(store.AddMacroSteps(std::vector<MacroStepRecord>(3)), 0);
            EXPECT_LE(ProfileNames(store).size(), 1u);
        }
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    // Writable again: the next open works and the old data is intact.
    ::chmod((filled + "db").c_str(), 0755);
    ::chmod((filled + "db/M_data_v1.db").c_str(), 0644);
    ::chmod((empty + "db").c_str(), 0755);
    DataStore store;
    EXPECT_TRUE(store.OpenOrCreate(U(empty), u"M"));
    ASSERT_TRUE(store.OpenOrCreate(U(filled), u"M"));
    EXPECT_EQ(ProfileNames(store), std::vector<CString>{u"kept"});
    store.Close();
    std::error_code ec;
    fs::remove_all(base, ec);
}

TEST(StoreFiles, BadFilesFailEveryOperationAndRecoverAfterDelete) {
    // A genuine database with content, to cut short.
    const std::string good = MakeDataFolder();
    {
        DataStore store;
        ASSERT_TRUE(store.OpenOrCreate(U(good), u"G"));
        for (int i = 0; i < 50; ++i) AddNamedProfile(store, u"a fairly long profile name to fill pages");
    }
    const std::string genuine = testenv::ReadFile(good + "db/G_data_v1.db");
    ASSERT_GT(genuine.size(), 4096u);

    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"not a database", std::string(3000, 'x')},
        {"truncated header", genuine.substr(0, 60)},
        {"truncated pages", genuine.substr(0, 4096 + 100)},
        {"empty file", ""},
        {"header only, garbage pages", genuine.substr(0, 100) + std::string(8000, '\x5a')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = MakeDataFolder();
        testenv::WriteFile(folder + "db/M_data_v1.db", c.bytes);
        DataStore store;
        store.OpenOrCreate(U(folder), u"M");
        ExpectEveryOperationFails(store);
        store.Close();
        store.DeleteDatabaseFile(U(folder), u"M");
        ASSERT_TRUE(store.OpenOrCreate(U(folder), u"M"));
        EXPECT_EQ(AddNamedProfile(store, u"fresh"), 1);
    }
}

TEST(StoreFiles, FullDiskReportsWhatWasStored) {
    const std::string folder = MakeDataFolder();
    DataStore store;
    ASSERT_TRUE(store.OpenOrCreate(U(folder), u"M"));
    const int macro = store.AddMacro(u"big");
    ASSERT_GT(macro, 0);
    const std::string path = folder + "db/M_data_v1.db";
    // Cap the file a few pages above its size: the disk is "full".
    const long long pages = QueryInt(path, "PRAGMA page_count");
    ASSERT_GT(pages, 0);
    ASSERT_EQ(store.Execute(("PRAGMA max_page_count = " + std::to_string(pages + 3)).c_str()), 0);

    std::vector<MacroStepRecord> steps(60);
    for (int i = 0; i < 60; ++i) {
        steps[i].macroId = macro;
        steps[i].recordIndex = i;
        steps[i].desc = CString(400, u'k');
    }
    const int stored = store.AddMacroSteps(steps);
    EXPECT_LT(stored, 60);
    EXPECT_EQ(QueryInt(path, "SELECT count(*) FROM t_macrorecord"), stored);

    std::vector<KeyLightRecord> lights(2000);
    for (auto& light : lights) light.lightId = 128;
    const int storedLights = store.AddKeyLights(lights);
    EXPECT_LT(storedLights, 2000);
    EXPECT_EQ(QueryInt(path, "SELECT count(*) FROM t_key_light_data"), storedLights);

    // No transaction is left open: later writes reach other connections.
    ASSERT_EQ(store.Execute("PRAGMA max_page_count = 1000000"), 0);
    EXPECT_GT(AddNamedProfile(store, u"after"), 0);
    EXPECT_EQ(QueryInt(path, "SELECT count(*) FROM t_profile_data"), 1);
}

// ---------------------------------------------------------------------------
// The wrappers on their own

TEST(SQLiteWrappers, ClosedConnectionAndEmptyStatementAnswerMisuse) {
    SQLiteDB db;
    SQLiteStatement s;
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.Close());
    EXPECT_EQ(db.Execute("SELECT 1"), SQLiteDB::kMisuse);
    EXPECT_EQ(db.Prepare(s, "SELECT 1"), SQLiteDB::kMisuse);
    EXPECT_EQ(db.LastInsertRowId(), -1);
    EXPECT_EQ(s.BindInt(1, 1), SQLiteDB::kMisuse);
    EXPECT_EQ(s.BindText(1, "x", 1), SQLiteDB::kMisuse);
    EXPECT_EQ(s.Step(), SQLiteDB::kMisuse);
    EXPECT_EQ(s.Finalize(), SQLiteDB::kMisuse);
    EXPECT_EQ(s.ColumnInt(0), 0);
    EXPECT_EQ(s.ColumnText(0), nullptr);
    EXPECT_FALSE(db.Open("/nonexistent-folder/x.db", SQLiteDB::kOpenReadWrite | SQLiteDB::kOpenCreate));
    EXPECT_FALSE(db.IsOpen());
}

TEST(SQLiteWrappers, PrepareReusesStatementAndCloseWaitsForIt) {
    const std::string path = MakeDataFolder() + "db/w.db";
    SQLiteDB db;
    ASSERT_TRUE(db.Open(path.c_str(), SQLiteDB::kOpenReadWrite | SQLiteDB::kOpenCreate | SQLiteDB::kOpenFullMutex));
    EXPECT_STREQ(db.JournalMode(), "wal");
    ASSERT_EQ(db.Execute("CREATE TABLE t(x INTEGER, s TEXT);"), 0);
    SQLiteStatement s;
    ASSERT_EQ(db.Prepare(s, "INSERT INTO t VALUES (?, ?)"), 0);
    {
        // The bound text is copied: its buffer dies before the step.
        std::string text = "transient";
        s.BindText(2, text.c_str(), static_cast<int>(text.size()));
        text.assign(text.size(), '#');
    }
    s.BindInt(1, 5);
    EXPECT_EQ(s.Step(), SQLiteStatement::kDone);
    EXPECT_EQ(db.LastInsertRowId(), 1);
    // Preparing again finalises the insert first.
    ASSERT_EQ(db.Prepare(s, "SELECT x, s FROM t", -1), 0);
    ASSERT_EQ(s.Step(), SQLiteStatement::kRow);
    EXPECT_EQ(s.ColumnInt(0), 5);
    EXPECT_STREQ(s.ColumnText(1), "transient");
    // A statement still open keeps the connection.
    EXPECT_FALSE(db.Close());
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(s.Finalize(), 0);
    EXPECT_FALSE(s.IsPrepared());
    EXPECT_TRUE(db.Close());
    EXPECT_FALSE(db.IsOpen());
}

TEST(SQLiteWrappers, TransactionEndsWithoutRollingBack) {
    const std::string path = MakeDataFolder() + "db/t.db";
    SQLiteDB db;
    ASSERT_TRUE(db.Open(path.c_str(), SQLiteDB::kOpenReadWrite | SQLiteDB::kOpenCreate));
    ASSERT_EQ(db.Execute("CREATE TABLE t(x INTEGER UNIQUE);"), 0);
    {
        SQLiteAutoTransaction transaction(&db);
        EXPECT_TRUE(transaction.IsActive());
        EXPECT_TRUE(db.InTransaction());
        EXPECT_FALSE(transaction.Begin());  // already active
        EXPECT_EQ(db.Execute("INSERT INTO t VALUES (1);"), 0);
        EXPECT_NE(db.Execute("INSERT INTO t VALUES (1);"), 0);
        EXPECT_EQ(db.Execute("INSERT INTO t VALUES (2);"), 0);
    }  // the destructor ends it
    EXPECT_FALSE(db.InTransaction());
    // The failing insert did not undo the ones around it.
    EXPECT_EQ(QueryText(path, "SELECT group_concat(x) FROM (SELECT x FROM t ORDER BY x)"), "1,2");
}

TEST(SQLiteWrappers, TransactionOnClosedConnectionDoesNothing) {
    SQLiteDB db;
    {
        SQLiteAutoTransaction transaction(&db);
        EXPECT_TRUE(transaction.IsActive());
        EXPECT_FALSE(transaction.IsBegun());
        EXPECT_FALSE(transaction.Commit());
        EXPECT_FALSE(transaction.IsActive());
    }
    SQLiteAutoTransaction none;
    EXPECT_FALSE(none.Begin());
    EXPECT_FALSE(none.Commit());

    // Begin after a commit starts a new one.
    const std::string path = MakeDataFolder() + "db/b.db";
    ASSERT_TRUE(db.Open(path.c_str(), SQLiteDB::kOpenReadWrite | SQLiteDB::kOpenCreate));
    SQLiteAutoTransaction transaction(&db);
    EXPECT_TRUE(transaction.Commit());
    EXPECT_TRUE(transaction.Begin());
    EXPECT_TRUE(db.InTransaction());
    EXPECT_TRUE(transaction.Commit());
    EXPECT_FALSE(db.InTransaction());
}

namespace {

int ReadFirstInt(void* context, int columns, char** values, char**) {
    if (columns > 0 && values[0]) *static_cast<int*>(context) = std::atoi(values[0]);
    return 0;
}

int Synchronous(SQLiteDB& db) {
    int level = -1;
    db.Execute("PRAGMA synchronous", ReadFirstInt, &level);
    return level;
}

}  // namespace

TEST(SQLiteWrappers, JournalIsWalWithNormalSyncElseDeleteWithFullSync) {
    constexpr int kSyncNormal = 1;
    constexpr int kSyncFull = 2;
    const std::string folder = MakeDataFolder() + "db/";
    const int flags = SQLiteDB::kOpenReadWrite | SQLiteDB::kOpenCreate | SQLiteDB::kOpenFullMutex;

    SQLiteDB wal;
    ASSERT_TRUE(wal.Open((folder + "wal.db").c_str(), flags));
    EXPECT_STREQ(wal.JournalMode(), "wal");
    EXPECT_EQ(Synchronous(wal), kSyncNormal);

    // A VFS without shared-memory locking, as on some network file systems,
    // refuses the write-ahead log.
    SQLiteDB plain;
    ASSERT_TRUE(plain.Open((folder + "plain.db").c_str(), flags, "unix-none"));
    EXPECT_STREQ(plain.JournalMode(), "delete");
    EXPECT_EQ(Synchronous(plain), kSyncFull);
    EXPECT_EQ(plain.Execute("CREATE TABLE t(x); INSERT INTO t VALUES (1);"), 0);
    plain.Close();
    EXPECT_EQ(QueryText(folder + "plain.db", "PRAGMA journal_mode"), "delete");
    EXPECT_EQ(QueryInt(folder + "plain.db", "SELECT x FROM t"), 1);
}
