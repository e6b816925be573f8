// The per-user settings of the product: named text values kept in
// $XDG_CONFIG_HOME/<product>/settings.ini, one "name=value" line each.
//
// This is the program's equivalent of a per-user registry key. A file that
// cannot be parsed reads as holding no values; one that cannot be read at all
// (not a regular file, no permission) counts as a store that cannot be
// opened, and is never overwritten. Writes replace the file atomically.
// All calls are safe from any thread.
#pragma once

#include "ui/base/CString.h"

namespace settings {

enum class OpenResult {
    Opened,   // the store exists and can be read
    Created,  // it did not exist and has now been created, empty
    Failed,   // it exists but cannot be read, or it could not be created
};

// $XDG_CONFIG_HOME/<product>/settings.ini (the product name as used in paths).
[[nodiscard]] CString SettingsFilePath();

// Makes sure the store exists: creates its folder and an empty file when the
// file is missing.
OpenResult Open();

// The text of `name` (compared without case). False when the store cannot be
// read or holds no such value.
bool ReadValue(const CString& name, CString* value);

// Sets `name` to `text`, keeping every other value, and creates the store
// when it is missing. False (nothing written) when the store exists but
// cannot be read, when the file cannot be replaced, or when the name or text
// cannot be kept in a line (empty name, "=" in the name, line breaks or NUL
// in either).
bool WriteValue(const CString& name, const CString& text);

}  // namespace settings
