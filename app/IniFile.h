// A reader for the INI files the program ships (the language files), with
// the lookup rules of the Windows profile functions: section and key names
// compared without case, the value trimmed of surrounding blanks and then of
// one pair of matching surrounding quotes, the first of duplicate keys wins.
// Files are UTF-8; a leading byte-order mark is skipped.
#pragma once

#include <string_view>

#include "ui/base/CString.h"

// Longest text a lookup returns, in UTF-16 units (a 260-unit buffer with its
// terminating null).
inline constexpr int kMaxIniValueLength = 259;

// Finds `key` in `section` of the INI text `content`; false when the section
// or the key is missing. The value is cut to kMaxIniValueLength units.
bool FindIniValue(std::string_view content, const CString& section, const CString& key, CString* value);

// The value of `key` in `section` of the file at `path`; empty when the file,
// the section or the key is missing (or the file is not a sensible INI file).
[[nodiscard]] CString ReadIniString(const CString& path, const CString& section, const CString& key);
