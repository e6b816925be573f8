#include <cstdlib>

#include "platform/UiLanguage.h"

namespace uilanguage {

CString UserLocaleName() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return CString::FromUtf8(value);
    }
    return CString();
}

}  // namespace uilanguage
