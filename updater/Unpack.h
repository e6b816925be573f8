// Unpacking a downloaded zip package below a folder.
//
// Entry names are made safe before anything is written: no entry lands
// outside the folder, whatever its name says. Only folders and regular files
// are created (no symbolic links, devices or set-id bits), and the total
// inflated size and the number of entries are capped, so a zip bomb fails
// the unpack instead of filling the disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/base/CString.h"

namespace updater {

struct UnpackLimits {
    uint64_t maxTotalBytes = uint64_t{1} << 30;  // inflated bytes of all entries together
    uint64_t maxEntries = 10000;
};

// Extracts every entry of `zipPath` below `folder` (which is created when
// missing), restoring each file's modification time. False when the archive
// cannot be opened or a limit was reached (the entry that crossed it is
// removed); a single damaged entry is skipped and does not change the
// result.
[[nodiscard]] bool Unpack(const CString& zipPath, const CString& folder, const UnpackLimits& limits = {});

// The "/"-separated relative path an entry named `name` is written to:
// leading drives ("X:"), separators and parent steps are removed and so is
// everything up to an inner parent step, until none is left; "\" then
// separates folders too. Empty when nothing usable is left.
[[nodiscard]] std::string SafeEntryPath(std::string_view name);

}  // namespace updater
