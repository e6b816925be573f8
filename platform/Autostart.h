// Starting the program when the user logs in: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/<product>.desktop (product name as used in
// paths). The entry counts as enabled when that file can be read.
#pragma once

#include "ui/base/CString.h"

namespace autostart {

[[nodiscard]] CString EntryPath();

// Writes (atomically) the entry that starts `executable`, an absolute path,
// with no arguments; `displayName` becomes its Name=. False when it could
// not be written.
bool Enable(const CString& executable, const CString& displayName);

// Removes the entry; true when no entry is left.
bool Disable();

[[nodiscard]] bool IsEnabled();

// The Exec= value that runs `executable` with no arguments: quoted when the
// path holds a character the Desktop Entry format reserves, "%" doubled, and
// the string escapes of the format applied on top.
[[nodiscard]] CString ExecValue(const CString& executable);

}  // namespace autostart
