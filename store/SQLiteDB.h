// SQLiteDB: one connection to an SQLite 3 database file.
//
// A thin wrapper over the library: every call answers with SQLite's own
// result codes, and 21 (SQLITE_MISUSE) when no connection is open. The
// object is not locked; the store that owns it serialises its callers.
#pragma once

#include <cstdint>

struct sqlite3;

class SQLiteStatement;

class SQLiteDB {
public:
    // Same shape as sqlite3_callback: context, column count, values, names.
    using ExecCallback = int (*)(void* context, int columns, char** values, char** names);

    // sqlite3_open_v2 flags used by the store (values of SQLITE_OPEN_*).
    static constexpr int kOpenReadWrite = 0x00002;
    static constexpr int kOpenCreate = 0x00004;
    static constexpr int kOpenFullMutex = 0x10000;
    // Returned when no connection is open or the SQL text is missing.
    static constexpr int kMisuse = 21;
    // How long a statement waits for another process's lock on the file.
    static constexpr int kBusyTimeoutMs = 5000;

    SQLiteDB() = default;
    SQLiteDB(const SQLiteDB&) = delete;
    SQLiteDB& operator=(const SQLiteDB&) = delete;
    // Interrupts a running statement and closes an open connection.
    virtual ~SQLiteDB();

    // Closes a connection still open, then opens utf8Path with flags. On
    // success sets the busy time-out and the journal: write-ahead log with
    // NORMAL syncing, or, where WAL cannot be used, a rollback journal with
    // FULL syncing, so a crash loses at most the last transaction. vfs names
    // an SQLite VFS other than the default (tests of the fallback).
    bool Open(const char* utf8Path, int flags, const char* vfs = nullptr);
    // True when no connection is open afterwards; false when SQLite refuses
    // (statements still open) and the handle stays.
    bool Close();
    [[nodiscard]] bool IsOpen() const noexcept { return m_handle != nullptr; }

    // sqlite3_exec of one or more statements.
    int Execute(const char* sql, ExecCallback callback = nullptr, void* context = nullptr);
    // Finalises statement's previous handle and prepares sql into it; a
    // negative length means the whole null-terminated text.
    int Prepare(SQLiteStatement& statement, const char* sql, int length = -1);
    // Row id of the last insert on this connection, -1 when closed.
    [[nodiscard]] int64_t LastInsertRowId() const;
    // True while an explicit transaction is open on the connection.
    [[nodiscard]] bool InTransaction() const;
    // The journal mode the connection ended up with ("wal", "delete" ...),
    // empty when closed.
    [[nodiscard]] const char* JournalMode() const noexcept;

private:
    void ConfigureJournal();

    sqlite3* m_handle = nullptr;
    const char* m_journalMode = "";
};
