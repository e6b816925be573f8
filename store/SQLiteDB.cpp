#include "store/SQLiteDB.h"

#include <sqlite3.h>
#include <strings.h>

#include <cstring>

#include "store/SQLiteStatement.h"

static_assert(SQLiteDB::kOpenReadWrite == SQLITE_OPEN_READWRITE);
static_assert(SQLiteDB::kOpenCreate == SQLITE_OPEN_CREATE);
static_assert(SQLiteDB::kOpenFullMutex == SQLITE_OPEN_FULLMUTEX);
static_assert(SQLiteDB::kMisuse == SQLITE_MISUSE);

namespace {

// Collects the single text row a "PRAGMA journal_mode = ..." answers with.
int ReadJournalMode(void* context, int columns, char** values, char**) {
    if (columns > 0 && values[0]) {
        auto* mode = static_cast<char*>(context);
        std::strncpy(mode, values[0], 15);
        mode[15] = '\0';
    }
    return 0;
}

// Stops a statement that is still running. Only then: the interrupt flag
// would otherwise also cancel the checkpoint that closing runs, and leave
// the write-ahead log behind.
void InterruptRunning(sqlite3* handle) {
    for (sqlite3_stmt* s = sqlite3_next_stmt(handle, nullptr); s; s = sqlite3_next_stmt(handle, s)) {
        if (sqlite3_stmt_busy(s)) {
            sqlite3_interrupt(handle);
            return;
        }
    }
}

}  // namespace

SQLiteDB::~SQLiteDB() {
    if (m_handle) {
        InterruptRunning(m_handle);
        // Also closes when statements were left behind, when the last one goes.
        sqlite3_close_v2(m_handle);
        m_handle = nullptr;
    }
}

bool SQLiteDB::Open(const char* utf8Path, int flags, const char* vfs) {
    if (m_handle) {
        InterruptRunning(m_handle);
        if (sqlite3_close(m_handle) != SQLITE_OK) return false;
        m_handle = nullptr;
        m_journalMode = "";
    }
    if (!utf8Path) return false;
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(utf8Path, &handle, flags, vfs) != SQLITE_OK) {
        // A half-open handle is still a connection to release.
        sqlite3_close(handle);
        return false;
    }
    m_handle = handle;
    sqlite3_busy_timeout(m_handle, kBusyTimeoutMs);
    ConfigureJournal();
    return true;
}

void SQLiteDB::ConfigureJournal() {
    // The write-ahead log keeps the file whole through a crash and only
    // syncs at checkpoints with NORMAL. File systems without shared memory
    // locking refuse it; then the rollback journal, synced on every commit.
    char mode[16] = "";
    sqlite3_exec(m_handle, "PRAGMA journal_mode = WAL;", ReadJournalMode, mode, nullptr);
    if (strcasecmp(mode, "wal") == 0) {
        m_journalMode = "wal";
        sqlite3_exec(m_handle, "PRAGMA synchronous = NORMAL;", nullptr, nullptr, nullptr);
        return;
    }
    mode[0] = '\0';
    sqlite3_exec(m_handle, "PRAGMA journal_mode = DELETE;", ReadJournalMode, mode, nullptr);
    m_journalMode = strcasecmp(mode, "delete") == 0 ? "delete" : "";
    sqlite3_exec(m_handle, "PRAGMA synchronous = FULL;", nullptr, nullptr, nullptr);
}

bool SQLiteDB::Close() {
    if (!m_handle) return true;
    InterruptRunning(m_handle);
    if (sqlite3_close(m_handle) != SQLITE_OK) return false;
    m_handle = nullptr;
    m_journalMode = "";
    return true;
}

int SQLiteDB::Execute(const char* sql, ExecCallback callback, void* context) {
    if (!m_handle || !sql) return kMisuse;
    return sqlite3_exec(m_handle, sql, callback, context, nullptr);
}

int SQLiteDB::Prepare(SQLiteStatement& statement, const char* sql, int length) {
    statement.Finalize();
    if (!m_handle || !sql) return kMisuse;
    if (length < 0) length = static_cast<int>(std::strlen(sql)) + 1;
    return sqlite3_prepare_v2(m_handle, sql, length, &statement.m_handle, nullptr);
}

int64_t SQLiteDB::LastInsertRowId() const {
    if (!m_handle) return -1;
    return sqlite3_last_insert_rowid(m_handle);
}

bool SQLiteDB::InTransaction() const {
    return m_handle && sqlite3_get_autocommit(m_handle) == 0;
}

const char* SQLiteDB::JournalMode() const noexcept { return m_journalMode; }
