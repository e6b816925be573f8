// libFuzzer target for the INI lookup behind every language text: any bytes
// as a file, looked up for the shipped section and a few keys; the answer must
// respect the length limit and never end in half a surrogate pair.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view content(reinterpret_cast<const char*>(data), size);
    for (const char16_t* key : {u"1", u"10", u"1001", u""}) {
        CString value;
        if (!FindIniValue(content, u"KB.DIALOG", key, &value)) continue;
        if (value.GetLength() > kMaxIniValueLength) std::abort();
        char16_t last = value.GetAt(value.GetLength() - 1);
        if (last >= 0xD800 && last <= 0xDBFF) std::abort();
    }
    return 0;
}
