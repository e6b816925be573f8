// SQLiteAutoTransaction: a transaction for the lifetime of a scope.
//
// There is no rollback on a failing statement: the transaction is ended
// with "END", keeping every statement that succeeded before it. Only when
// "END" itself fails and leaves the transaction open is it rolled back, so
// the connection never stays inside a transaction nobody will end.
#pragma once

class SQLiteDB;

class SQLiteAutoTransaction {
public:
    // With a database: executes "BEGIN" when its connection is open and
    // becomes active (active even when closed, in which case nothing ran).
    explicit SQLiteAutoTransaction(SQLiteDB* database = nullptr);
    SQLiteAutoTransaction(const SQLiteAutoTransaction&) = delete;
    SQLiteAutoTransaction& operator=(const SQLiteAutoTransaction&) = delete;
    // Ends a still-active transaction ("END") when the connection is open.
    virtual ~SQLiteAutoTransaction();

    // False without doing anything when there is no database or a
    // transaction is already active; otherwise "BEGIN", and whether it ran.
    bool Begin();
    // "END" when the connection is open; becomes inactive; success.
    bool Commit();

    [[nodiscard]] bool IsActive() const noexcept { return m_active; }
    // "BEGIN" was executed successfully and the transaction not yet ended.
    [[nodiscard]] bool IsBegun() const noexcept { return m_begun; }

private:
    SQLiteDB* m_database = nullptr;
    bool m_active = false;
    bool m_begun = false;
};
