// Whole-file replacement for the small files the program writes (settings,
// autostart entry): the bytes go to a temporary file beside the target, are
// flushed to disk and then renamed over it, so a crash or a full disk leaves
// either the old file or the new one, never half of one.
#pragma once

#include <string>
#include <string_view>

namespace platform_linux {

// Writes `bytes` to `path` by temporary file + rename; the folder must exist.
// The file gets `mode` (before the umask). False when any step failed; the
// temporary file is removed then and the old file is left as it was.
[[nodiscard]] bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, unsigned mode = 0600);

// Reads a regular file of at most `maxBytes` into `out`. False when the file
// is missing, not a regular file, unreadable or larger than `maxBytes`;
// `error` then receives the errno value (EFBIG when too large, EISDIR or
// EINVAL when not a regular file).
[[nodiscard]] bool ReadSmallFile(const std::string& path, size_t maxBytes, std::string* out, int* error = nullptr);

}  // namespace platform_linux
