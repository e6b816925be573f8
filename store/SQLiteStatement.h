// SQLiteStatement: one prepared statement, finalised with its object.
//
// One object may be reused for several statements in a row:
// SQLiteDB::Prepare finalises the previous one first. Every call returns
// SQLite's result code, 21 (SQLITE_MISUSE) when no statement is prepared;
// the column readers return 0 and null instead.
#pragma once

struct sqlite3_stmt;

class CString;
class SQLiteDB;

class SQLiteStatement {
public:
    static constexpr int kRow = 100;   // SQLITE_ROW
    static constexpr int kDone = 101;  // SQLITE_DONE

    SQLiteStatement() = default;
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;
    virtual ~SQLiteStatement();

    // index is 1-based.
    int BindInt(int index, int value);
    // Binds UTF-8 text of byteLength bytes (negative: up to the first null).
    // SQLite copies the text, so the buffer may go away right after.
    int BindText(int index, const char* utf8Text, int byteLength);
    // Converts to UTF-8 and binds it.
    int BindText(int index, const CString& text);
    int Step();
    // col is 0-based.
    [[nodiscard]] int ColumnInt(int col) const;
    // UTF-8 text of the column; null for a NULL value or without statement.
    [[nodiscard]] const char* ColumnText(int col) const;
    // The column as a program string; empty for NULL.
    [[nodiscard]] CString ColumnString(int col) const;
    int Finalize();
    [[nodiscard]] bool IsPrepared() const noexcept { return m_handle != nullptr; }

private:
    friend class SQLiteDB;

    sqlite3_stmt* m_handle = nullptr;
};
