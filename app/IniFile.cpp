#include "app/IniFile.h"

#include "platform/FileRead.h"

namespace {

// Language files hold a few hundred short lines; a file far beyond that is
// not one of ours and reads as missing.
constexpr size_t kMaxIniFileBytes = 4 * 1024 * 1024;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view TrimBlanks(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view utf8, const CString& name) {
    return CString::FromUtf8(utf8).CompareNoCase(name.c_str()) == 0;
}

CString ValueText(std::string_view raw) {
    std::string_view v = TrimBlanks(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v.remove_prefix(1);
        v.remove_suffix(1);
    }
    CString text = CString::FromUtf8(v);
    if (text.GetLength() > kMaxIniValueLength) {
        int keep = kMaxIniValueLength;
        // Never leave half of a surrogate pair at the end.
        char16_t last = text.GetAt(keep - 1);
        if (last >= 0xD800 && last <= 0xDBFF) --keep;
        text = text.Left(keep);
    }
    return text;
}

}  // namespace

bool FindIniValue(std::string_view content, const CString& section, const CString& key, CString* value) {
    if (content.substr(0, kUtf8Bom.size()) == kUtf8Bom) content.remove_prefix(kUtf8Bom.size());
    CString wantedSection = CString(section).Trim();
    CString wantedKey = CString(key).Trim();
    bool inSection = false;
    while (!content.empty()) {
        size_t eol = content.find('\n');
        std::string_view line = TrimBlanks(content.substr(0, eol));
        content = eol == std::string_view::npos ? std::string_view() : content.substr(eol + 1);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            std::string_view name =
                line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
            inSection = SameName(TrimBlanks(name), wantedSection);
            continue;
        }
        if (!inSection) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos || !SameName(TrimBlanks(line.substr(0, eq)), wantedKey)) continue;
        *value = ValueText(line.substr(eq + 1));
        return true;
    }
    return false;
}

CString ReadIniString(const CString& path, const CString& section, const CString& key) {
    std::string content;
    CString value;
    if (!files::ReadWholeFile(path, kMaxIniFileBytes, &content)) return value;
    if (!FindIniValue(content, section, key, &value)) value.Empty();
    return value;
}
