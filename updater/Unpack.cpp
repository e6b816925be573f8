#include "updater/Unpack.h"

#include <unzip.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace updater {
namespace {

namespace fs = std::filesystem;

constexpr size_t kReadChunkBytes = 16384;
constexpr size_t kMaxNameBytes = 4096;
constexpr size_t kMaxExtraBytes = 65535;

// Zip "version made by" host of Unix systems, whose external attributes
// carry a st_mode in their upper half.
constexpr unsigned kHostUnix = 3;
constexpr unsigned long kModeTypeMask = 0170000;
constexpr unsigned long kModeDirectory = 0040000;
constexpr unsigned long kModeRegular = 0100000;
constexpr unsigned long kModePermissions = 0777;  // never the set-id or sticky bits
constexpr unsigned long kOwnerReadWrite = 0600;   // so a later package can overwrite the file

// General purpose flag: the name is UTF-8 rather than the old code page.
constexpr unsigned long kFlagUtf8Name = 1u << 11;

// Extended timestamp extra field ("UT"): flags byte, then the times it names.
constexpr unsigned kExtraExtendedTime = 0x5455;
constexpr unsigned char kExtendedTimeHasMtime = 0x01;

bool IsSeparator(char ch) noexcept {
    return ch == '\\' || ch == '/';
}

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0 && c >= 0xC2) {
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
        } else if ((c & 0xF8) == 0xF0 && c <= 0xF4) {
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

// Names from archives made on Windows are in its code page; take the bytes
// above ASCII as Latin-1, which keeps every name a valid file name.
std::string NameAsUtf8(std::string_view raw, bool flaggedUtf8) {
    if (flaggedUtf8 || IsValidUtf8(raw)) return std::string(raw);
    std::string out;
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::optional<std::time_t> ExtendedMtime(const unsigned char* extra, size_t length) {
    size_t offset = 0;
    while (offset + 4 <= length) {
        const unsigned id = extra[offset] | (extra[offset + 1] << 8);
        const size_t size = extra[offset + 2] | (extra[offset + 3] << 8);
        const unsigned char* data = extra + offset + 4;
        if (offset + 4 + size > length) break;
        if (id == kExtraExtendedTime && size >= 5 && (data[0] & kExtendedTimeHasMtime)) {
            const uint32_t seconds = static_cast<uint32_t>(data[1]) | (static_cast<uint32_t>(data[2]) << 8) |
                                     (static_cast<uint32_t>(data[3]) << 16) | (static_cast<uint32_t>(data[4]) << 24);
            return static_cast<std::time_t>(seconds);
        }
        offset += 4 + size;
    }
    return std::nullopt;
}

// DOS dates are local time.
std::optional<std::time_t> DosTime(const tm_unz& date) {
    std::tm tm{};
    tm.tm_sec = static_cast<int>(date.tm_sec);
    tm.tm_min = static_cast<int>(date.tm_min);
    tm.tm_hour = static_cast<int>(date.tm_hour);
    tm.tm_mday = static_cast<int>(date.tm_mday);
    tm.tm_mon = static_cast<int>(date.tm_mon);
    tm.tm_year = static_cast<int>(date.tm_year) - 1900;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return t;
}

void SetModificationTime(const fs::path& path, std::time_t t) {
    std::error_code ignored;
    fs::last_write_time(path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(t)), ignored);
}

// True when no existing part of `relative` below `root` is a symbolic link
// (the folder may hold things from an earlier run that this code did not
// make), so following the path cannot lead outside.
bool PathStaysBelow(const fs::path& root, const fs::path& relative) {
    fs::path current = root;
    for (const fs::path& part : relative) {
        current /= part;
        std::error_code error;
        const fs::file_status status = fs::symlink_status(current, error);
        if (error || status.type() == fs::file_type::not_found) return true;
        if (status.type() == fs::file_type::symlink) return false;
    }
    return true;
}

enum class EntryResult { Done, Skipped, LimitReached };

struct Extraction {
    unzFile zip = nullptr;
    fs::path root;
    fs::path archive;
    UnpackLimits limits;
    uint64_t inflated = 0;
    std::vector<char> buffer = std::vector<char>(kReadChunkBytes);
};

EntryResult ExtractFile(Extraction& x, const fs::path& target, const unz_file_info64& info) {
    if (info.uncompressed_size > x.limits.maxTotalBytes - x.inflated) return EntryResult::LimitReached;
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    if (error) return EntryResult::Skipped;
    const fs::file_status status = fs::symlink_status(target, error);
    if (!error && status.type() != fs::file_type::not_found && status.type() != fs::file_type::regular) {
        return EntryResult::Skipped;
    }
    // The package usually lies in the folder it is unpacked into: an entry
    // of the same name must not truncate it while it is being read.
    if (!error && status.type() == fs::file_type::regular && fs::equivalent(target, x.archive, error)) {
        return EntryResult::Skipped;
    }
    if (unzOpenCurrentFile(x.zip) != UNZ_OK) return EntryResult::Skipped;

    EntryResult result = EntryResult::Done;
    std::FILE* file = std::fopen(target.c_str(), "wb");
    if (!file) result = EntryResult::Skipped;
    while (result == EntryResult::Done) {
        const int count = unzReadCurrentFile(x.zip, x.buffer.data(), static_cast<unsigned>(x.buffer.size()));
        if (count == 0) break;
        if (count < 0) {
            result = EntryResult::Skipped;
            break;
        }
        if (static_cast<uint64_t>(count) > x.limits.maxTotalBytes - x.inflated) {
            result = EntryResult::LimitReached;
            break;
        }
        x.inflated += static_cast<uint64_t>(count);
        if (std::fwrite(x.buffer.data(), 1, static_cast<size_t>(count), file) != static_cast<size_t>(count)) {
            result = EntryResult::Skipped;
        }
    }
    // Closing checks the CRC once everything was read.
    if (unzCloseCurrentFile(x.zip) != UNZ_OK && result == EntryResult::Done) result = EntryResult::Skipped;
    if (file && std::fclose(file) != 0 && result == EntryResult::Done) result = EntryResult::Skipped;
    if (!file) return result;
    if (result != EntryResult::Done) {
        fs::remove(target, error);
        return result;
    }

    if ((info.version >> 8) == kHostUnix) {
        const auto mode = (info.external_fa >> 16) & (kModePermissions);
        fs::permissions(target, static_cast<fs::perms>(mode | kOwnerReadWrite), fs::perm_options::replace, error);
    }
    return EntryResult::Done;
}

EntryResult ExtractEntry(Extraction& x) {
    unz_file_info64 info{};
    std::array<char, kMaxNameBytes + 1> name{};
    std::vector<unsigned char> extra(kMaxExtraBytes);
    if (unzGetCurrentFileInfo64(x.zip, &info, name.data(), static_cast<uLong>(name.size()), extra.data(),
                                static_cast<uLong>(extra.size()), nullptr, 0) != UNZ_OK) {
        return EntryResult::Skipped;
    }
    if (info.size_filename == 0 || info.size_filename > kMaxNameBytes) return EntryResult::Skipped;
    const std::string_view raw(name.data(), info.size_filename);
    if (raw.find('\0') != std::string_view::npos) return EntryResult::Skipped;

    bool isDirectory = IsSeparator(raw.back());
    if ((info.version >> 8) == kHostUnix) {
        const unsigned long type = (info.external_fa >> 16) & kModeTypeMask;
        if (type == kModeDirectory) {
            isDirectory = true;
        } else if (type != 0 && type != kModeRegular) {
            return EntryResult::Skipped;  // a link, device, pipe or socket
        }
    }

    const std::string relative = SafeEntryPath(NameAsUtf8(raw, (info.flag & kFlagUtf8Name) != 0));
    if (relative.empty()) return EntryResult::Skipped;
    const fs::path relativePath(relative);
    if (!PathStaysBelow(x.root, relativePath)) return EntryResult::Skipped;
    const fs::path target = x.root / relativePath;

    if (isDirectory) {
        std::error_code error;
        fs::create_directories(target, error);
        return EntryResult::Done;
    }
    const EntryResult result = ExtractFile(x, target, info);
    if (result == EntryResult::Done) {
        const size_t extraLength = std::min<size_t>(info.size_file_extra, extra.size());
        std::optional<std::time_t> time = ExtendedMtime(extra.data(), extraLength);
        if (!time) time = DosTime(info.tmu_date);
        if (time) SetModificationTime(target, *time);
    }
    return result;
}

// Removes one unsafe prefix; false when none applies.
bool StripUnsafePrefix(std::string& s) {
    if (s.size() >= 2 && s[1] == ':') {
        s.erase(0, 2);
        return true;
    }
    if (!s.empty() && IsSeparator(s[0])) {
        s.erase(0, 1);
        return true;
    }
    if (s.size() >= 3 && s[0] == '.' && s[1] == '.' && IsSeparator(s[2])) {
        s.erase(0, 3);
        return true;
    }
    for (size_t i = 0; i + 3 < s.size(); ++i) {
        if (IsSeparator(s[i]) && s[i + 1] == '.' && s[i + 2] == '.' && IsSeparator(s[i + 3])) {
            s.erase(0, i + 4);
            return true;
        }
    }
    return false;
}

}  // namespace

std::string SafeEntryPath(std::string_view name) {
    std::string s(name);
    while (StripUnsafePrefix(s)) {
    }
    std::string out;
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = start;
        while (end < s.size() && !IsSeparator(s[end])) ++end;
        const std::string_view part(s.data() + start, end - start);
        if (part == "..") return {};  // a trailing parent step the loop above leaves
        if (!part.empty() && part != ".") {
            if (!out.empty()) out += '/';
            out += part;
        }
        start = end + 1;
    }
    return out;
}

bool Unpack(const CString& zipPath, const CString& folder, const UnpackLimits& limits) {
    unzFile zip = unzOpen64(zipPath.ToUtf8().c_str());
    if (!zip) return false;
    Extraction x;
    x.zip = zip;
    x.root = fs::path(folder.ToUtf8());
    x.archive = fs::path(zipPath.ToUtf8());
    x.limits = limits;
    std::error_code error;
    fs::create_directories(x.root, error);

    bool ok = true;
    uint64_t entries = 0;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        if (++entries > limits.maxEntries || ExtractEntry(x) == EntryResult::LimitReached) {
            ok = false;
            break;
        }
    }
    unzClose(zip);
    return ok;
}

}  // namespace updater
