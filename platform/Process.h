// Starting another program (an installer or a firmware tool) that runs on
// alone; nothing is exchanged with it.
#pragma once

#include "ui/base/CString.h"

namespace process {

// Makes the file executable for whoever may read it (a file unpacked from a
// package has no execute bit), then starts it with its path as the only
// argument, in the current folder and environment. Does not wait for it.
// True when the program was started; false when the file is missing or
// cannot be run.
[[nodiscard]] bool StartProgram(const CString& path);

}  // namespace process
