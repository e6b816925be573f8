#include "tests/store/StoreTestUtil.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include "tests/support/TestEnv.h"

namespace storetest {

std::string MakeDataFolder() {
    std::string folder = testenv::MakeTempDir("store") + "/";
    ::mkdir((folder + "db").c_str(), 0700);
    return folder;
}

namespace {

template <typename Read>
bool QueryFirst(const std::string& path, const std::string& sql, Read read) {
    sqlite3* db = nullptr;
    bool found = false;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            read(statement);
            found = true;
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return found;
}

}  // namespace

long long QueryInt(const std::string& path, const std::string& sql, long long fallback) {
    long long value = fallback;
    QueryFirst(path, sql, [&](sqlite3_stmt* s) { value = sqlite3_column_int64(s, 0); });
    return value;
}

std::string QueryText(const std::string& path, const std::string& sql) {
    std::string value;
    QueryFirst(path, sql, [&](sqlite3_stmt* s) {
        const unsigned char* text = sqlite3_column_text(s, 0);
        value = text ? reinterpret_cast<const char*>(text) : "";
    });
    return value;
}

}  // namespace storetest
