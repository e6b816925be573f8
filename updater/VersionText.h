// Version texts: which ones are usable and how two of them compare.
#pragma once

#include "ui/base/CString.h"

namespace updater {

// Longest version text the server may publish.
inline constexpr int kMaxVersionLength = 10;

// Results of CompareVersions.
inline constexpr int kLatestIsNewer = 1;
inline constexpr int kCurrentIsNewer = -1;
inline constexpr int kVersionsEqual = 0;
inline constexpr int kNotComparable = 2;

// A published version goes into urls, file names and the name of the program
// that is started, so only 1 to 10 characters of [0-9A-Za-z._-] are taken,
// and never "." or ".." alone.
[[nodiscard]] bool IsUsableVersionText(const CString& text) noexcept;

// Splits both at every "." and compares the parts as decimal numbers from
// the first; a different number of parts is kNotComparable.
[[nodiscard]] int CompareVersions(const CString& current, const CString& latest);

// The leading decimal number of a text (blanks and a sign allowed before it,
// anything else ends it, no digits = 0), clamped to the int range.
[[nodiscard]] int DecimalValue(const CString& text) noexcept;

}  // namespace updater
