#include "app/AppSettings.h"

#include <climits>

#include "platform/Settings.h"

int ParseDecimal(const CString& text) noexcept {
    const std::u16string& s = text.str();
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    long long value = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        value = value * 10 + (s[i] - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

int ReadRegistryInt(const CString& valueName) {
    if (settings::Open() != settings::OpenResult::Opened) return 0;
    CString text;
    if (!settings::ReadValue(valueName, &text)) return 0;
    return ParseDecimal(text);
}

void WriteRegistryString(const CString& valueName, const CString& text) {
    // The result is not reported: a value that cannot be kept is simply not.
    (void)settings::WriteValue(valueName, text);
}
