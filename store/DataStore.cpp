// DataStore: file rules, schema creation and every store operation.
//
// Index
//   - helpers: write results, row ids, record readers
//   - lifetime: Instance, DatabasePath, OpenOrCreate, CreateSchema, Close,
//     DeleteDatabaseFile
//   - profiles, key assignments, lighting, music lighting, macros
//
// Each operation takes the lock, prepares, binds, steps and finalises on the
// store's connection; the statement object on its stack finalises whatever
// is left when it returns.
#include "store/DataStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "platform/Paths.h"
#include "store/SQLiteAutoTransaction.h"
#include "store/SQLiteStatement.h"
#include "store/Schema_p.h"

namespace {

using Lock = std::lock_guard<std::mutex>;

constexpr int kOpenExisting = SQLiteDB::kOpenReadWrite | SQLiteDB::kOpenFullMutex;
constexpr int kOpenNew = SQLiteDB::kOpenReadWrite | SQLiteDB::kOpenCreate | SQLiteDB::kOpenFullMutex;

// Values a new music layer starts with.
constexpr int kDefaultForeAmplitude = 300;
constexpr int kDefaultBackBright = 100;

// The rows every new file records its defaults in, all for profile 1.
constexpr int kDefaultConfigProfile = 1;
constexpr const char* kDefaultConfig[][2] = {
    {"version", "1.0.1"},      {"keyboard_layout", "1"}, {"fn_layer", "0"},       {"lightmode", "1"},
    {"sleep_light", "1"},      {"userlight", "0"},       {"customlight_run", "0"}, {"gamemode", "0"},
    {"disable_alttab", "0"},   {"disable_altf4", "0"},   {"disable_win", "0"},
};
static_assert(sizeof(kDefaultConfig) / sizeof(kDefaultConfig[0]) == 11);

// A write succeeded when its step answered OK, ROW or DONE.
bool WriteOk(int rc) { return rc == 0 || rc == SQLiteStatement::kRow || rc == SQLiteStatement::kDone; }

// Callers keep the low 32 bits of a row id.
int LowRowId(int64_t rowId) { return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(rowId))); }

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

// The files SQLite keeps beside a database.
void RemoveCompanions(const std::string& path) {
    for (const char* suffix : {"-wal", "-shm", "-journal"}) RemoveFile(path + suffix);
}

// The folder a file path lies in.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolderOf(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// An exclusive lock on the folder holding path, for as long as it lives.
class FolderLock {
public:
    explicit FolderLock(const std::string& path) {
        m_fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd >= 0) ::flock(m_fd, LOCK_EX);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() {
        if (m_fd >= 0) ::close(m_fd);
    }

private:
    int m_fd = -1;
};

// Moves a finished file into place unless another process got there first;
// false when the target exists (or the move failed).
bool MoveIntoPlace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) return false;
    // File systems without no-replace renames: a hard link fails on an
    // existing name too.
    if (::link(from.c_str(), to.c_str()) == 0) {
        RemoveFile(from);
        return true;
    }
    if (errno == EEXIST) return false;
    if (FileExists(to)) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// Removes files "<path>.new-<pid>" left by creators that died half-way;
// those of live processes are theirs to finish.
void RemoveAbandonedBuilds(const std::string& path) {
    const std::string folder = FolderOf(path);
    const size_t slash = path.rfind('/');
    const std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + ".new-";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> abandoned;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) abandoned.push_back(folder + "/" + name);
    }
    ::closedir(dir);
    for (const std::string& file : abandoned) RemoveFile(file);
}

// Column readers in each table's column order.
void ReadProfile(const SQLiteStatement& s, ProfileRecord& r) {
    r.profileId = s.ColumnInt(0);
    r.name = s.ColumnString(1);
    r.status = s.ColumnInt(2);
    r.app = s.ColumnString(3);
    r.type = s.ColumnInt(4);
}

void ReadKeyAssignment(const SQLiteStatement& s, KeyAssignmentRecord& r) {
    r.keyId = s.ColumnInt(0);
    r.profile = s.ColumnInt(1);
    r.fnLayer = s.ColumnInt(2);
    r.keyCode = s.ColumnInt(3);
    r.layoutValue = s.ColumnInt(4);
    r.layoutDesc = s.ColumnString(5);
    r.macroType = s.ColumnInt(6);
    r.macroValue = s.ColumnInt(7);
    r.macroValue2 = s.ColumnInt(8);
    r.macroValue3 = s.ColumnInt(9);
    r.macroDesc = s.ColumnString(10);
}

void ReadLight(const SQLiteStatement& s, LightRecord& r) {
    r.lightId = s.ColumnInt(0);
    r.profile = s.ColumnInt(1);
    r.name = s.ColumnString(2);
    r.mode = s.ColumnInt(3);
    r.brightness = s.ColumnInt(4);
    r.speed = s.ColumnInt(5);
    r.direction = s.ColumnInt(6);
    r.colorful = s.ColumnInt(7);
    r.colorIndex = s.ColumnInt(8);
    r.colorValue = s.ColumnInt(9);
    r.configFunc = s.ColumnInt(10);
    r.reserved = s.ColumnInt(11);
    r.status = s.ColumnInt(12);
}

void ReadKeyLight(const SQLiteStatement& s, KeyLightRecord& r) {
    r.keyLightId = s.ColumnInt(0);
    r.profile = s.ColumnInt(1);
    r.lightId = s.ColumnInt(2);
    r.keyCode = s.ColumnInt(3);
    r.keyRgb = s.ColumnInt(4);
}

void ReadMusicLayer(const SQLiteStatement& s, MusicLayerRecord& r) {
    r.layerId = s.ColumnInt(0);
    r.profile = s.ColumnInt(1);
    r.name = s.ColumnString(2);
    r.deviceIndex = s.ColumnInt(3);
    r.foreMode = s.ColumnInt(4);
    r.foreAmplitude = s.ColumnInt(5);
    r.backMode = s.ColumnInt(6);
    r.backBright = s.ColumnInt(7);
}

void ReadMacro(const SQLiteStatement& s, MacroRecord& r) {
    r.macroId = s.ColumnInt(0);
    r.playTimes = s.ColumnInt(1);
    r.delayType = s.ColumnInt(2);
    r.delayTime = s.ColumnInt(3);
    r.linkCount = s.ColumnInt(4);
    r.name = s.ColumnString(5);
}

void ReadMacroStep(const SQLiteStatement& s, MacroStepRecord& r) {
    r.recordId = s.ColumnInt(0);
    r.macroId = s.ColumnInt(1);
    r.type = s.ColumnInt(2);
    r.recordIndex = s.ColumnInt(3);
    r.desc = s.ColumnString(4);
    r.value = s.ColumnInt(5);
    r.delayTime = s.ColumnInt(6);
}

// A full disk or an I/O error makes SQLite roll the whole transaction back;
// inserting on would commit the rest row by row, outside any transaction.
bool LostTransaction(const SQLiteAutoTransaction& transaction, const SQLiteDB& database) {
    return transaction.IsBegun() && !database.InTransaction();
}

// Runs a prepared select and appends one record per row.
template <typename Record, typename Reader>
int ReadAll(SQLiteStatement& s, std::vector<Record>& list, Reader read) {
    while (s.Step() == SQLiteStatement::kRow) {
        Record record;
        read(s, record);
        list.push_back(std::move(record));
    }
    return static_cast<int>(list.size());
}

}  // namespace

// ---------------------------------------------------------------------------
// Lifetime and files

DataStore& DataStore::Instance() {
    static DataStore store;
    return store;
}

DataStore::~DataStore() { Close(); }

std::string DataStore::DatabasePath(const CString& baseFolder, const CString& modelName) {
    std::string folder = baseFolder.ToUtf8();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    CString safe = modelName;
    for (int i = 0; i < safe.GetLength(); ++i) {
        if (safe.GetAt(i) == u'/' || safe.GetAt(i) == u'\0') safe.SetAt(i, u'_');
    }
    if (safe == u"." || safe == u"..") safe = CString(static_cast<size_t>(safe.GetLength()), u'_');
    return folder + "db/" + safe.ToUtf8() + "_data_v1.db";
}

bool DataStore::OpenOrCreate(const CString& baseFolder, const CString& modelName) {
    const std::string path = DatabasePath(baseFolder, modelName);
    Lock lock(m_lock);
    return OpenOrCreateLocked(path);
}

bool DataStore::OpenOrCreate(const CString& modelName) { return OpenOrCreate(paths::DataFolder(), modelName); }

bool DataStore::OpenOrCreateLocked(const std::string& path) {
    if (m_open && m_database.IsOpen() && path == m_path) return true;
    // Never keep another model's file: its writes would land there.
    CloseLocked();
    if (m_database.IsOpen()) return false;
    m_path = path;
    const bool ok = FileExists(m_path) ? m_database.Open(m_path.c_str(), kOpenExisting) : CreateSchemaLocked();
    m_open = ok;
    return ok;
}

bool DataStore::CreateSchema() {
    Lock lock(m_lock);
    const bool ok = CreateSchemaLocked();
    if (ok) m_open = true;
    return ok;
}

bool DataStore::CreateSchemaLocked() {
    if (m_database.IsOpen()) return true;
    if (m_path.empty()) return false;
    // The schema is built in a private file and moved into place whole, so a
    // crash during creation leaves either no file or a complete one.
    RemoveAbandonedBuilds(m_path);
    const std::string building = m_path + ".new-" + std::to_string(::getpid());
    RemoveFile(building);
    RemoveCompanions(building);
    bool complete = false;
    {
        SQLiteDB builder;
        if (!builder.Open(building.c_str(), kOpenNew)) {
            RemoveFile(building);
            return false;
        }
        // A self-contained file: no log beside it when it is moved.
        builder.Execute("PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL;");
        SQLiteAutoTransaction transaction(&builder);
        complete = transaction.IsBegun();
        for (const char* sql : store_schema::kStatements) complete = builder.Execute(sql) == 0 && complete;
        complete = transaction.Commit() && complete;
        complete = builder.Close() && complete;
    }
    if (!complete) {
        RemoveFile(building);
        RemoveCompanions(building);
        return false;
    }
    {
        // Other processes creating the same file at once wait here, so none
        // removes the logs of a file another has just put in place.
        FolderLock folderLock(m_path);
        // Logs of an earlier file of this name would be replayed into the new
        // one.
        if (!FileExists(m_path)) RemoveCompanions(m_path);
        if (!MoveIntoPlace(building, m_path)) RemoveFile(building);
        SyncFolderOf(m_path);
    }
    // Either ours, or the one another process created at the same moment.
    return FileExists(m_path) && m_database.Open(m_path.c_str(), kOpenExisting);
}

void DataStore::Close() {
    Lock lock(m_lock);
    CloseLocked();
}

void DataStore::CloseLocked() {
    m_database.Close();
    m_open = false;
}

void DataStore::DeleteDatabaseFile(const CString& baseFolder, const CString& modelName) {
    const std::string path = DatabasePath(baseFolder, modelName);
    Lock lock(m_lock);
    if (path == m_path) CloseLocked();
    RemoveFile(path);
    RemoveCompanions(path);
}

void DataStore::DeleteDatabaseFile(const CString& modelName) { DeleteDatabaseFile(paths::DataFolder(), modelName); }

std::string DataStore::Path() const {
    Lock lock(m_lock);
    return m_path;
}

int DataStore::Execute(const char* sql, SQLiteDB::ExecCallback callback, void* context) {
    Lock lock(m_lock);
    return m_database.Execute(sql, callback, context);
}

// The first column of the first row of a one-integer select, 0 when none.
int DataStore::SelectInt(const char* sql, int value) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, sql) != 0) return 0;
    s.BindInt(1, value);
    return s.Step() == SQLiteStatement::kRow ? s.ColumnInt(0) : 0;
}

int DataStore::SelectInt(const char* sql, int first, int second) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, sql) != 0) return 0;
    s.BindInt(1, first);
    s.BindInt(2, second);
    return s.Step() == SQLiteStatement::kRow ? s.ColumnInt(0) : 0;
}

// ---------------------------------------------------------------------------
// Profiles

void DataStore::InsertDefaultConfig() {
    Lock lock(m_lock);
    SQLiteStatement s;
    for (const auto& row : kDefaultConfig) {
        if (m_database.Prepare(s, "INSERT INTO t_configdata(profile, key, value) VALUES (?, ?, ?);") != 0) return;
        s.BindInt(1, kDefaultConfigProfile);
        s.BindText(2, row[0], -1);
        s.BindText(3, row[1], -1);
        s.Step();
    }
}

int DataStore::AddProfile(const ProfileRecord& record) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "INSERT INTO t_profile_data(name, status, app, type) VALUES (?, ?, ?, ?);") != 0)
        return 0;
    s.BindText(1, record.name);
    s.BindInt(2, 0);
    s.BindText(3, record.app);
    s.BindInt(4, 0);
    return WriteOk(s.Step()) ? LowRowId(m_database.LastInsertRowId()) : 0;
}

bool DataStore::DeleteProfile(int profileId) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "DELETE FROM t_profile_data WHERE profile = ?") != 0) return false;
    s.BindInt(1, profileId);
    return WriteOk(s.Step());
}

bool DataStore::RenameProfile(int profileId, const CString& name) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "UPDATE t_profile_data SET name = ? WHERE profile = ?") != 0) return false;
    s.BindText(1, name);
    s.BindInt(2, profileId);
    return WriteOk(s.Step());
}

bool DataStore::GetProfileName(int profileId, CString& name) {
    name.Empty();
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT name FROM t_profile_data WHERE profile = ?") != 0) return false;
    s.BindInt(1, profileId);
    if (s.Step() != SQLiteStatement::kRow) return false;
    name = s.ColumnString(0);
    return true;
}

int DataStore::ListProfiles(std::vector<ProfileRecord>& list) {
    list.clear();
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_profile_data") != 0) return 0;
    return ReadAll(s, list, ReadProfile);
}

bool DataStore::SetActiveProfile(int profileId) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "UPDATE t_profile_data SET status = ?") == 0) {
        s.BindInt(1, 0);
        s.Step();
    }
    if (m_database.Prepare(s, "UPDATE t_profile_data SET status = ? WHERE profile = ?") != 0) return false;
    s.BindInt(1, 1);
    s.BindInt(2, profileId);
    return WriteOk(s.Step());
}

int DataStore::GetActiveProfile() { return SelectInt("SELECT profile FROM t_profile_data WHERE status = ?", 1); }

// ---------------------------------------------------------------------------
// Key assignments and their extra data

int DataStore::SaveKeyAssignment(const KeyAssignmentRecord& record) {
    if (record.keyCode == 0) return 0;
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "DELETE FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?") ==
        0) {
        s.BindInt(1, record.profile);
        s.BindInt(2, record.fnLayer);
        s.BindInt(3, record.keyCode);
        s.Step();
    }
    // Both values 0 is the key's default function: no row at all.
    if (record.macroValue == 0 && record.macroValue2 == 0) return 0;
    if (m_database.Prepare(s,
                           "INSERT INTO t_key_macro_data(profile, fn_layer, key_code, layout_value, layout_desc, "
                           "macro_type, macro_value, macro_value2, macro_value3, macro_desc) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);") != 0)
        return 0;
    s.BindInt(1, record.profile);
    s.BindInt(2, record.fnLayer);
    s.BindInt(3, record.keyCode);
    s.BindInt(4, record.layoutValue);
    s.BindText(5, record.layoutDesc);
    s.BindInt(6, record.macroType);
    s.BindInt(7, record.macroValue);
    s.BindInt(8, record.macroValue2);
    s.BindInt(9, record.macroValue3);
    s.BindText(10, record.macroDesc);
    return WriteOk(s.Step()) ? LowRowId(m_database.LastInsertRowId()) : 0;
}

bool DataStore::GetKeyAssignment(int profile, int fnLayer, int keyCode, KeyAssignmentRecord& record) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?") !=
        0)
        return false;
    s.BindInt(1, profile);
    s.BindInt(2, fnLayer);
    s.BindInt(3, keyCode);
    if (s.Step() != SQLiteStatement::kRow) return false;
    ReadKeyAssignment(s, record);
    return true;
}

int DataStore::ListKeyAssignments(int profile, int fnLayer, std::vector<KeyAssignmentRecord>& list) {
    list.clear();
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ?") != 0) return 0;
    s.BindInt(1, profile);
    s.BindInt(2, fnLayer);
    return ReadAll(s, list, ReadKeyAssignment);
}

void DataStore::DeleteProfileKeyAssignments(int profile) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "DELETE FROM t_key_macro_data WHERE profile = ?") != 0) return;
    s.BindInt(1, profile);
    s.Step();
}

int DataStore::AddKeyExtraData(const CString& desc, const CString& param, int type) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "INSERT INTO t_key_otherdata(macro_desc, param, type) VALUES (?, ?, ?);") != 0) return 0;
    s.BindText(1, desc);
    s.BindText(2, param);
    s.BindInt(3, type);
    return WriteOk(s.Step()) ? LowRowId(m_database.LastInsertRowId()) : 0;
}

bool DataStore::GetKeyExtraData(int id, CString& desc, CString& param, int& type) {
    // Always true: callers keep what they passed in when there is no row.
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT macro_desc, param, type FROM t_key_otherdata WHERE macro_value = ?") != 0)
        return true;
    s.BindInt(1, id);
    if (s.Step() == SQLiteStatement::kRow) {
        desc = s.ColumnString(0);
        param = s.ColumnString(1);
        type = s.ColumnInt(2);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Lighting and per-key colours

int DataStore::CountLights(int profile) {
    return SelectInt("select count(*) FROM t_light_data WHERE profile = ?", profile);
}

int DataStore::AddLight(const LightRecord& record) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s,
                           "INSERT INTO t_light_data(profile, name, mode, brightness, speed, direction, colorful, "
                           "colorindex, color_value, config_func, reserved, status) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);") != 0)
        return 0;
    s.BindInt(1, record.profile);
    s.BindText(2, record.name);
    s.BindInt(3, record.mode);
    s.BindInt(4, record.brightness);
    s.BindInt(5, record.speed);
    s.BindInt(6, record.direction);
    s.BindInt(7, record.colorful);
    s.BindInt(8, record.colorIndex);
    s.BindInt(9, record.colorValue);
    s.BindInt(10, record.configFunc);
    s.BindInt(11, record.reserved);
    s.BindInt(12, record.status);
    return WriteOk(s.Step()) ? LowRowId(m_database.LastInsertRowId()) : 0;
}

bool DataStore::UpdateLight(int profile, int mode, const LightRecord& record) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s,
                           "UPDATE t_light_data SET brightness = ?, speed = ?, direction = ?, colorful = ?, "
                           "colorindex = ?, color_value = ?, config_func = ?, reserved = ? "
                           "WHERE profile = ? AND mode = ?") != 0)
        return false;
    s.BindInt(1, record.brightness);
    s.BindInt(2, record.speed);
    s.BindInt(3, record.direction);
    s.BindInt(4, record.colorful);
    s.BindInt(5, record.colorIndex);
    s.BindInt(6, record.colorValue);
    s.BindInt(7, record.configFunc);
    s.BindInt(8, record.reserved);
    s.BindInt(9, profile);
    s.BindInt(10, mode);
    return WriteOk(s.Step());
}

bool DataStore::SetActiveLight(int profile, int mode) {
    Lock lock(m_lock);
    SQLiteStatement s;
    // Clears the mark of every profile's modes, not only this profile's.
    if (m_database.Prepare(s, "UPDATE t_light_data SET status = ?") == 0) {
        s.BindInt(1, 0);
        s.Step();
    }
    if (m_database.Prepare(s, "UPDATE t_light_data SET status = ? WHERE profile = ? and mode = ?") != 0) return false;
    s.BindInt(1, 1);
    s.BindInt(2, profile);
    s.BindInt(3, mode);
    return WriteOk(s.Step());
}

int DataStore::GetActiveLightMode(int profile) {
    return SelectInt("SELECT mode FROM t_light_data WHERE profile = ? and status = ?", profile, 1);
}

bool DataStore::GetLight(int profile, int mode, LightRecord& record) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_light_data WHERE profile = ? AND mode = ?") != 0) return false;
    s.BindInt(1, profile);
    s.BindInt(2, mode);
    if (s.Step() != SQLiteStatement::kRow) return false;
    ReadLight(s, record);
    return true;
}

int DataStore::ListLights(int profile, std::vector<LightRecord>& list) {
    list.clear();
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_light_data WHERE profile = ?") != 0) return 0;
    s.BindInt(1, profile);
    return ReadAll(s, list, ReadLight);
}

int DataStore::AddKeyLights(const std::vector<KeyLightRecord>& list) {
    Lock lock(m_lock);
    if (!m_database.IsOpen()) return 0;
    int stored = 0;
    SQLiteAutoTransaction transaction(&m_database);
    SQLiteStatement s;
    for (const KeyLightRecord& record : list) {
        if (m_database.Prepare(s, "INSERT INTO t_key_light_data(profile, light_id, key_code, key_rgb) "
                                  "VALUES (?, ?, ?, ?);") != 0)
            continue;
        s.BindInt(1, record.profile);
        s.BindInt(2, record.lightId);
        s.BindInt(3, record.keyCode);
        s.BindInt(4, record.keyRgb);
        if (WriteOk(s.Step())) ++stored;
        if (LostTransaction(transaction, m_database)) {
            stored = 0;
            break;
        }
    }
    s.Finalize();
    // A failed commit keeps nothing either.
    if (transaction.IsBegun() && !transaction.Commit()) stored = 0;
    return stored;
}

bool DataStore::DeleteKeyLights(int lightId) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "DELETE FROM t_key_light_data WHERE light_id = ?") != 0) return false;
    s.BindInt(1, lightId);
    return WriteOk(s.Step());
}

int DataStore::ListKeyLights(int lightId, std::vector<KeyLightRecord>& list) {
    list.clear();
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_key_light_data WHERE light_id = ?") != 0) return 0;
    s.BindInt(1, lightId);
    return ReadAll(s, list, ReadKeyLight);
}

// ---------------------------------------------------------------------------
// Music lighting

int DataStore::CountMusicLayers(int profile) {
    return SelectInt("select count(*) FROM t_musiclayer_data WHERE profile = ?", profile);
}

int DataStore::AddMusicLayer(int profile, const CString& name, int foreMode) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s,
                           "INSERT INTO t_musiclayer_data(profile, name, deviceindex, foremode, fore_amplitude, "
                           "backmode, backb_right, sel) VALUES (?, ?, ?, ?, ?, ?, ?, ?);") != 0)
        return 0;
    s.BindInt(1, profile);
    s.BindText(2, name);
    s.BindInt(3, 0);
    s.BindInt(4, foreMode);
    s.BindInt(5, kDefaultForeAmplitude);
    s.BindInt(6, 0);
    s.BindInt(7, kDefaultBackBright);
    s.BindInt(8, 0);
    return WriteOk(s.Step()) ? LowRowId(m_database.LastInsertRowId()) : 0;
}

bool DataStore::GetMusicLayer(int layerId, MusicLayerRecord& record) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_musiclayer_data WHERE layer_id = ?") != 0) return false;
    s.BindInt(1, layerId);
    if (s.Step() != SQLiteStatement::kRow) return false;
    ReadMusicLayer(s, record);
    return true;
}

bool DataStore::UpdateMusicLayer(int layerId, const MusicLayerRecord& record) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s,
                           "UPDATE t_musiclayer_data SET deviceindex= ?, foremode= ?, fore_amplitude = ?, "
                           "backmode= ?, backb_right= ? WHERE layer_id = ?") != 0)
        return false;
    s.BindInt(1, record.deviceIndex);
    s.BindInt(2, record.foreMode);
    s.BindInt(3, record.foreAmplitude);
    s.BindInt(4, record.backMode);
    s.BindInt(5, record.backBright);
    s.BindInt(6, layerId);
    return WriteOk(s.Step());
}

bool DataStore::SelectMusicLayer(int profile, int layerId) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "UPDATE t_musiclayer_data SET sel = ? WHERE profile = ?") == 0) {
        s.BindInt(1, 0);
        s.BindInt(2, profile);
        s.Step();
    }
    if (m_database.Prepare(s, "UPDATE t_musiclayer_data SET sel = ? WHERE profile = ? AND layer_id = ?") != 0)
        return false;
    s.BindInt(1, 1);
    s.BindInt(2, profile);
    s.BindInt(3, layerId);
    return WriteOk(s.Step());
}

int DataStore::GetSelectedMusicLayer(int profile) {
    return SelectInt("SELECT layer_id FROM t_musiclayer_data WHERE profile = ? AND sel = ?", profile, 1);
}

// ---------------------------------------------------------------------------
// Macros and their steps

int DataStore::InsertMacroLocked(int playTimes, int delayType, int delayTime, int linkCount, const CString& name) {
    SQLiteStatement s;
    if (m_database.Prepare(s, "INSERT INTO t_macro_data(play_times, delay_type, delay_time, link_count, name) "
                              "VALUES (?, ?, ?, ?, ?);") != 0)
        return 0;
    s.BindInt(1, playTimes);
    s.BindInt(2, delayType);
    s.BindInt(3, delayTime);
    s.BindInt(4, linkCount);
    s.BindText(5, name);
    return WriteOk(s.Step()) ? LowRowId(m_database.LastInsertRowId()) : 0;
}

int DataStore::AddMacro(const CString& name) {
    // A new macro plays once, with the recorded delays.
    Lock lock(m_lock);
    return InsertMacroLocked(1, 1, 0, 0, name);
}

int DataStore::InsertMacro(const MacroRecord& record) {
    Lock lock(m_lock);
    return InsertMacroLocked(record.playTimes, record.delayType, record.delayTime, record.linkCount, record.name);
}

bool DataStore::RenameMacro(int macroId, const CString& name) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "UPDATE t_macro_data SET name = ? WHERE macro_id = ?") != 0) return false;
    s.BindText(1, name);
    s.BindInt(2, macroId);
    return WriteOk(s.Step());
}

bool DataStore::UpdateMacroPlayback(const MacroRecord& record) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "UPDATE t_macro_data SET play_times = ?, delay_type = ?, delay_time = ? "
                              "WHERE macro_id = ?") != 0)
        return false;
    s.BindInt(1, record.playTimes);
    s.BindInt(2, record.delayType);
    s.BindInt(3, record.delayTime);
    s.BindInt(4, record.macroId);
    return WriteOk(s.Step());
}

bool DataStore::DeleteMacro(int macroId) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "DELETE FROM t_macro_data WHERE macro_id = ?") != 0) return false;
    s.BindInt(1, macroId);
    if (s.Step() != SQLiteStatement::kDone) return false;
    // Its steps, and every key in every profile and layer that plays it.
    if (m_database.Prepare(s, "DELETE FROM t_macrorecord WHERE macro_id = ?") == 0) {
        s.BindInt(1, macroId);
        s.Step();
    }
    if (m_database.Prepare(s, "DELETE FROM t_key_macro_data WHERE macro_type = ? and macro_value = ?") != 0)
        return false;
    s.BindInt(1, kMacroKeyType);
    s.BindInt(2, macroId);
    return s.Step() == SQLiteStatement::kDone;
}

bool DataStore::GetMacroPlayTimes(int macroId, int& playTimes) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT play_times FROM t_macro_data WHERE macro_id = ?") != 0) return false;
    s.BindInt(1, macroId);
    if (s.Step() != SQLiteStatement::kRow) return false;
    playTimes = s.ColumnInt(0);
    return true;
}

bool DataStore::GetMacro(int macroId, MacroRecord& record) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_macro_data WHERE macro_id = ?") != 0) return false;
    s.BindInt(1, macroId);
    if (s.Step() != SQLiteStatement::kRow) return false;
    ReadMacro(s, record);
    return true;
}

int DataStore::ListMacros(std::vector<MacroRecord>& list) {
    list.clear();
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_macro_data") != 0) return 0;
    return ReadAll(s, list, ReadMacro);
}

int DataStore::InsertStepLocked(const MacroStepRecord& record) {
    SQLiteStatement s;
    if (m_database.Prepare(s, "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) "
                              "VALUES (?, ?, ?, ?, ?, ?);") != 0)
        return 0;
    s.BindInt(1, record.macroId);
    s.BindInt(2, record.type);
    s.BindInt(3, record.recordIndex);
    s.BindText(4, record.desc);
    s.BindInt(5, record.value);
    s.BindInt(6, record.delayTime);
    return WriteOk(s.Step()) ? LowRowId(m_database.LastInsertRowId()) : 0;
}

int DataStore::AddMacroStep(const MacroStepRecord& record) {
    Lock lock(m_lock);
    return InsertStepLocked(record);
}

int DataStore::AddMacroSteps(const std::vector<MacroStepRecord>& list) {
    Lock lock(m_lock);
    if (!m_database.IsOpen()) return 0;
    int stored = 0;
    SQLiteAutoTransaction transaction(&m_database);
    for (const MacroStepRecord& record : list) {
        if (InsertStepLocked(record) != 0) ++stored;
        if (LostTransaction(transaction, m_database)) {
            stored = 0;
            break;
        }
    }
    if (transaction.IsBegun() && !transaction.Commit()) stored = 0;
    return stored;
}

int DataStore::ListMacroSteps(int macroId, std::vector<MacroStepRecord>& list) {
    list.clear();
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_macrorecord WHERE macro_id = ? ORDER BY record_index ASC") != 0)
        return 0;
    s.BindInt(1, macroId);
    return ReadAll(s, list, ReadMacroStep);
}

bool DataStore::DeleteMacroSteps(int macroId) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "DELETE FROM t_macrorecord WHERE macro_id = ?") != 0) return false;
    s.BindInt(1, macroId);
    return WriteOk(s.Step());
}

int DataStore::CountMacroNonDelaySteps(int macroId) {
    Lock lock(m_lock);
    SQLiteStatement s;
    if (m_database.Prepare(s, "SELECT * FROM t_macrorecord WHERE macro_id = ? ORDER BY record_index ASC") != 0)
        return 0;
    s.BindInt(1, macroId);
    int count = 0;
    while (s.Step() == SQLiteStatement::kRow) {
        if (s.ColumnInt(2) != kDelayStepType) ++count;
    }
    return count;
}
