// Builds zip archives for the tests with minizip's writer: names exactly as
// given (hostile ones included), DOS dates, "UT" extra fields and Unix modes.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace testzip {

struct Entry {
    std::string name;
    std::string data;
    // Local date and time stored as the DOS date (year, month 1-12, day, hour, minute, second).
    int year = 2021, month = 6, day = 15, hour = 12, minute = 30, second = 20;
    std::optional<uint32_t> unixMtime;  // adds a "UT" extra field
    std::optional<uint32_t> unixMode;   // st_mode; marks the entry as made on Unix
};

// A plain file entry with the default date.
inline Entry File(std::string name, std::string data) {
    Entry e;
    e.name = std::move(name);
    e.data = std::move(data);
    return e;
}

// Writes the archive to `path`; false when minizip refused.
bool WriteZip(const std::string& path, const std::vector<Entry>& entries);

}  // namespace testzip
