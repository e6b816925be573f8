// DataStore: the process-wide profile store of the open keyboard model.
//
// Index
//   - lifetime and files: Instance, OpenOrCreate, CreateSchema, Close,
//     DeleteDatabaseFile, DatabasePath
//   - profiles, key assignments and their extra data
//   - lighting and per-key colours, music lighting
//   - macros and their steps
//
// One SQLite file per keyboard model: <data folder>db/<model>_data_v1.db.
// Every data operation holds the store's lock from preparing its first
// statement to finalising its last, so the UI thread and the controller's
// worker can call them at once. Failures come back only as the result
// (false, 0 or an empty list); nothing is shown and nothing is logged.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "store/SQLiteDB.h"
#include "store/StoreRecords.h"
#include "ui/base/CString.h"

class DataStore {
public:
    // macro_type of a key assignment that plays a macro.
    static constexpr int kMacroKeyType = 3;
    // type of a macro step that is only a pause.
    static constexpr int kDelayStepType = 1;

    // The program's store, created on first use, closed at process exit.
    static DataStore& Instance();

    // Separate stores are for tools and tests; the program uses Instance().
    DataStore() = default;
    DataStore(const DataStore&) = delete;
    DataStore& operator=(const DataStore&) = delete;
    ~DataStore();

    // The file of a model: baseFolder + "db/" + model + "_data_v1.db". The
    // model name is made safe as a file name ("/" and NUL become "_", "."
    // and ".." become "_" and "__"), so it never points outside "db/".
    [[nodiscard]] static std::string DatabasePath(const CString& baseFolder, const CString& modelName);

    // Opens the model's file, or creates it with the whole schema when it
    // does not exist. A connection to another file is closed first. The
    // result is also the store's open flag. The db folder is not created.
    bool OpenOrCreate(const CString& baseFolder, const CString& modelName);
    // The same in paths::DataFolder().
    bool OpenOrCreate(const CString& modelName);
    // Creates the file at the current path with the whole schema; true at
    // once when a connection is open.
    bool CreateSchema();
    // Closes the connection when the store is open, then clears the flag.
    void Close();
    // Deletes the model's file and its journal files; the store is closed
    // first when that file is the open one. A missing file is ignored.
    void DeleteDatabaseFile(const CString& baseFolder, const CString& modelName);
    void DeleteDatabaseFile(const CString& modelName);

    [[nodiscard]] bool IsOpen() const noexcept { return m_open.load(); }
    // Full UTF-8 path of the file last given to OpenOrCreate.
    [[nodiscard]] std::string Path() const;
    // Runs raw SQL on the connection under the store's lock (maintenance
    // and checks); SQLite's result code.
    int Execute(const char* sql, SQLiteDB::ExecCallback callback = nullptr, void* context = nullptr);

    // Profiles.
    void InsertDefaultConfig();
    int AddProfile(const ProfileRecord& record);
    bool DeleteProfile(int profileId);
    bool RenameProfile(int profileId, const CString& name);
    bool GetProfileName(int profileId, CString& name);
    int ListProfiles(std::vector<ProfileRecord>& list);
    bool SetActiveProfile(int profileId);
    int GetActiveProfile();

    // Key assignments and their extra data.
    int SaveKeyAssignment(const KeyAssignmentRecord& record);
    bool GetKeyAssignment(int profile, int fnLayer, int keyCode, KeyAssignmentRecord& record);
    int ListKeyAssignments(int profile, int fnLayer, std::vector<KeyAssignmentRecord>& list);
    void DeleteProfileKeyAssignments(int profile);
    int AddKeyExtraData(const CString& desc, const CString& param, int type);
    bool GetKeyExtraData(int id, CString& desc, CString& param, int& type);

    // Lighting and per-key colours.
    int CountLights(int profile);
    int AddLight(const LightRecord& record);
    bool UpdateLight(int profile, int mode, const LightRecord& record);
    bool SetActiveLight(int profile, int mode);
    int GetActiveLightMode(int profile);
    bool GetLight(int profile, int mode, LightRecord& record);
    int ListLights(int profile, std::vector<LightRecord>& list);
    // The number of rows actually stored (0 when the transaction was lost).
    int AddKeyLights(const std::vector<KeyLightRecord>& list);
    bool DeleteKeyLights(int lightId);
    int ListKeyLights(int lightId, std::vector<KeyLightRecord>& list);

    // Music lighting.
    int CountMusicLayers(int profile);
    int AddMusicLayer(int profile, const CString& name, int foreMode);
    bool GetMusicLayer(int layerId, MusicLayerRecord& record);
    bool UpdateMusicLayer(int layerId, const MusicLayerRecord& record);
    bool SelectMusicLayer(int profile, int layerId);
    int GetSelectedMusicLayer(int profile);

    // Macros and their steps.
    int AddMacro(const CString& name);
    int InsertMacro(const MacroRecord& record);
    bool RenameMacro(int macroId, const CString& name);
    bool UpdateMacroPlayback(const MacroRecord& record);
    bool DeleteMacro(int macroId);
    bool GetMacroPlayTimes(int macroId, int& playTimes);
    bool GetMacro(int macroId, MacroRecord& record);
    int ListMacros(std::vector<MacroRecord>& list);
    int AddMacroStep(const MacroStepRecord& record);
    // The number of steps actually stored (0 when the transaction was lost).
    int AddMacroSteps(const std::vector<MacroStepRecord>& list);
    int ListMacroSteps(int macroId, std::vector<MacroStepRecord>& list);
    bool DeleteMacroSteps(int macroId);
    int CountMacroNonDelaySteps(int macroId);

private:
    bool OpenOrCreateLocked(const std::string& path);
    bool CreateSchemaLocked();
    void CloseLocked();
    int SelectInt(const char* sql, int value);
    int SelectInt(const char* sql, int first, int second);
    int InsertStepLocked(const MacroStepRecord& record);
    int InsertMacroLocked(int playTimes, int delayType, int delayTime, int linkCount, const CString& name);

    mutable std::mutex m_lock;
    SQLiteDB m_database;
    std::string m_path;
    std::atomic<bool> m_open{false};
};
