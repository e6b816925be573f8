#include "store/SQLiteAutoTransaction.h"

#include "store/SQLiteDB.h"

namespace {

// Ends the transaction; a failed "END" that leaves it open (a full disk at
// commit time) is rolled back rather than left for later statements to
// join.
bool EndTransaction(SQLiteDB& database) {
    if (database.Execute("END") == 0) return true;
    if (database.InTransaction()) database.Execute("ROLLBACK");
    return false;
}

}  // namespace

SQLiteAutoTransaction::SQLiteAutoTransaction(SQLiteDB* database) : m_database(database) {
    if (!m_database) return;
    if (m_database->IsOpen()) m_begun = m_database->Execute("BEGIN") == 0;
    m_active = true;
}

SQLiteAutoTransaction::~SQLiteAutoTransaction() {
    if (m_active && m_database && m_database->IsOpen() && m_begun) EndTransaction(*m_database);
}

bool SQLiteAutoTransaction::Begin() {
    if (!m_database || m_active) return false;
    m_begun = m_database->Execute("BEGIN") == 0;
    m_active = true;
    return m_begun;
}

bool SQLiteAutoTransaction::Commit() {
    bool ok = false;
    // Only a transaction this object began is ended: an "END" without it
    // would commit someone else's.
    if (m_database && m_database->IsOpen() && m_begun) ok = EndTransaction(*m_database);
    m_active = false;
    m_begun = false;
    return ok;
}
