// The program's per-user values ("LCID", "exit_mode", ...), kept as decimal
// text in the product's settings store.
#pragma once

#include "ui/base/CString.h"

// The value `valueName` as a decimal integer; 0 when it is absent or not a
// number. A missing store is created (empty) on the way.
[[nodiscard]] int ReadRegistryInt(const CString& valueName);

// Stores `text` as `valueName`; silently does nothing when the store cannot
// be opened or the text cannot be stored.
void WriteRegistryString(const CString& valueName, const CString& text);

// Leading blanks, an optional sign and decimal digits, up to the first other
// character; 0 when there are no digits, clamped to the int range.
[[nodiscard]] int ParseDecimal(const CString& text) noexcept;
