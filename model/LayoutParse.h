// Attribute text forms of config.xml and the layout files. Every parser
// accepts any text: what is missing or not a number reads as 0, and the
// structured forms (row_col) say when they cannot be used.
#pragma once

#include "ui/base/CString.h"
#include "ui/base/Geometry.h"

namespace layoutparse {

// Leading blanks, an optional sign, then decimal digits up to the first other
// character ("12px" is 12, "x" is 0). Clamped to the int range.
[[nodiscard]] int ParseDecimal(const CString& text) noexcept;
// The same in hexadecimal, with an optional "0x" or "0X" after the sign.
[[nodiscard]] int ParseHex(const CString& text) noexcept;
// True only for the exact value 1 (flags are set by 1 and nothing else).
[[nodiscard]] bool ParseFlag(const CString& text) noexcept;

// "r,c" or "r,cc": a one-digit row, one separator, a one- or two-digit
// column. False (outputs untouched) for any other form and for cells outside
// rows 0-7, columns 0-31.
[[nodiscard]] bool ParseRowCol(const CString& text, int& row, int& column) noexcept;

// "x#y#w#h" in decimal; the rectangle (x, y, x + w, y + h). Missing parts
// read as 0; each number is limited to +-kRectLimit so the sums cannot
// overflow.
inline constexpr int kRectLimit = 1 << 24;
[[nodiscard]] CRect ParseRect(const CString& text) noexcept;

}  // namespace layoutparse
