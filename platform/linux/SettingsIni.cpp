#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/linux/AtomicFile.h"

namespace settings {
namespace {

// A settings file holds a handful of short values; anything larger is not
// ours and reads as empty rather than being loaded.
constexpr size_t kMaxSettingsBytes = 64 * 1024;
constexpr char kFileName[] = "settings.ini";

struct Entry {
    std::string name;
    std::string value;
};

enum class LoadResult { Missing, Loaded, Unreadable };

// One lock for every read and read-modify-write of the file in this process.
std::mutex& FileLock() {
    static std::mutex lock;
    return lock;
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return std::string(s.substr(b, e - b));
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

std::vector<Entry> Parse(std::string_view text) {
    std::vector<Entry> entries;
    while (!text.empty()) {
        size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        // Lines that are not "name=value" (garbage, a section header, a NUL
        // byte) are skipped: a damaged file loses only what is damaged.
        if (line.find('\0') != std::string_view::npos) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string name = Trim(line.substr(0, eq));
        if (name.empty() || name[0] == '[' || name[0] == ';' || name[0] == '#') continue;
        bool seen = false;
        for (auto& e : entries) seen = seen || SameName(e.name, name);
        if (!seen) entries.push_back({std::move(name), Trim(line.substr(eq + 1))});
    }
    return entries;
}

std::string FolderPath() {
    return (paths::ConfigHome() + paths::PathProductName()).ToUtf8() + "/";
}

LoadResult Load(std::vector<Entry>* entries) {
    entries->clear();
    std::string bytes;
    int error = 0;
    if (platform_linux::ReadSmallFile(FolderPath() + kFileName, kMaxSettingsBytes, &bytes, &error)) {
        *entries = Parse(bytes);
        return LoadResult::Loaded;
    }
    if (error == ENOENT) return LoadResult::Missing;
    // Too large to be ours: damaged, so it reads as empty and may be replaced.
    if (error == EFBIG) return LoadResult::Loaded;
    return LoadResult::Unreadable;
}

bool Store(const std::vector<Entry>& entries) {
    std::string folder = FolderPath();
    if (!paths::CreateFolderTree(CString::FromUtf8(folder))) return false;
    std::string bytes;
    for (auto& e : entries) bytes += e.name + "=" + e.value + "\r\n";
    return platform_linux::ReplaceFileAtomically(folder + kFileName, bytes);
}

bool FitsInLine(const std::string& s) {
    return s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

CString SettingsFilePath() {
    return CString::FromUtf8(FolderPath() + kFileName);
}

OpenResult Open() {
    std::lock_guard guard(FileLock());
    std::vector<Entry> entries;
    switch (Load(&entries)) {
        case LoadResult::Loaded:
            return OpenResult::Opened;
        case LoadResult::Unreadable:
            return OpenResult::Failed;
        case LoadResult::Missing:
            break;
    }
    return Store({}) ? OpenResult::Created : OpenResult::Failed;
}

bool ReadValue(const CString& name, CString* value) {
    std::string key = Trim(name.ToUtf8());
    std::lock_guard guard(FileLock());
    std::vector<Entry> entries;
    if (Load(&entries) != LoadResult::Loaded) return false;
    for (auto& e : entries) {
        if (SameName(e.name, key)) {
            *value = CString::FromUtf8(e.value);
            return true;
        }
    }
    return false;
}

bool WriteValue(const CString& name, const CString& text) {
    std::string key = Trim(name.ToUtf8());
    std::string value = text.ToUtf8();
    if (key.empty() || key.find('=') != std::string::npos || !FitsInLine(key) || !FitsInLine(value)) return false;
    std::lock_guard guard(FileLock());
    std::vector<Entry> entries;
    if (Load(&entries) == LoadResult::Unreadable) return false;
    bool replaced = false;
    for (auto& e : entries) {
        if (SameName(e.name, key)) {
            e.value = value;
            replaced = true;
        }
    }
    if (!replaced) entries.push_back({key, value});
    return Store(entries);
}

}  // namespace settings
