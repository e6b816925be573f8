#include "store/SQLiteStatement.h"

#include <sqlite3.h>

#include "store/SQLiteDB.h"
#include "ui/base/CString.h"

static_assert(SQLiteStatement::kRow == SQLITE_ROW);
static_assert(SQLiteStatement::kDone == SQLITE_DONE);

SQLiteStatement::~SQLiteStatement() { Finalize(); }

int SQLiteStatement::BindInt(int index, int value) {
    if (!m_handle) return SQLiteDB::kMisuse;
    return sqlite3_bind_int(m_handle, index, value);
}

int SQLiteStatement::BindText(int index, const char* utf8Text, int byteLength) {
    if (!m_handle) return SQLiteDB::kMisuse;
    // Transient: SQLite takes its own copy, since the UTF-8 buffers are
    // conversions that do not outlive the call.
    return sqlite3_bind_text(m_handle, index, utf8Text ? utf8Text : "", utf8Text ? byteLength : 0,
                             SQLITE_TRANSIENT);
}

int SQLiteStatement::BindText(int index, const CString& text) {
    const std::string utf8 = text.ToUtf8();
    return BindText(index, utf8.c_str(), static_cast<int>(utf8.size()));
}

int SQLiteStatement::Step() {
    if (!m_handle) return SQLiteDB::kMisuse;
    return sqlite3_step(m_handle);
}

int SQLiteStatement::ColumnInt(int col) const {
    if (!m_handle) return 0;
    return sqlite3_column_int(m_handle, col);
}

const char* SQLiteStatement::ColumnText(int col) const {
    if (!m_handle) return nullptr;
    return reinterpret_cast<const char*>(sqlite3_column_text(m_handle, col));
}

CString SQLiteStatement::ColumnString(int col) const {
    const char* text = ColumnText(col);
    return text ? CString::FromUtf8(text) : CString();
}

int SQLiteStatement::Finalize() {
    if (!m_handle) return SQLiteDB::kMisuse;
    // sqlite3_finalize releases the statement whatever it answers (its code
    // repeats the last step's error), so the handle is gone either way.
    const int rc = sqlite3_finalize(m_handle);
    m_handle = nullptr;
    return rc;
}
