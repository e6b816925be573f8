// Reading a whole data file without trusting it: a FIFO, a device node or a
// huge file at the path gives a clear failure instead of a hang or a flood.
#pragma once

#include <cstddef>
#include <string>

#include "ui/base/CString.h"

namespace files {

// The bytes of the regular file `path` when it holds at most `maxBytes`;
// false (and `out` empty) otherwise.
[[nodiscard]] bool ReadWholeFile(const CString& path, size_t maxBytes, std::string* out);

}  // namespace files
