// The user's interface language as the session states it.
#pragma once

#include "ui/base/CString.h"

namespace uilanguage {

// The locale name that governs messages: the first of LC_ALL, LC_MESSAGES
// and LANG that is set and not empty ("de_DE.UTF-8", "C", ...); empty when
// none is.
[[nodiscard]] CString UserLocaleName();

}  // namespace uilanguage
