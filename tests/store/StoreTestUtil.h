// Helpers shared by the store tests: fresh data folders and direct reads of
// a database file with SQLite, independent of the store under test.
#pragma once

#include <string>

namespace storetest {

// A new data folder with an empty "db" sub-folder; ends with "/".
std::string MakeDataFolder();

// The first column of the first row of sql run on the file at path, on a
// connection of its own; fallback when the file or the query fails.
long long QueryInt(const std::string& path, const std::string& sql, long long fallback = -1);
// The same for a text answer ("" on failure).
std::string QueryText(const std::string& path, const std::string& sql);

}  // namespace storetest
