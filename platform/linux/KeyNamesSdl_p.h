// Key names from the current keyboard layout (SDL), for the keys that type a
// character. Empty when no display is open or the key types nothing.
#pragma once

#include "ui/base/CString.h"

namespace keynames {

[[nodiscard]] CString LayoutKeyName(unsigned scanCode, bool extended);

}  // namespace keynames
