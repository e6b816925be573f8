#include "updater/VersionText.h"

#include <climits>
#include <vector>

namespace updater {
namespace {

bool IsVersionChar(char16_t ch) noexcept {
    return (ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z') || ch == u'.' ||
           ch == u'_' || ch == u'-';
}

std::vector<CString> SplitAtDots(const CString& text) {
    std::vector<CString> parts;
    int start = 0;
    for (;;) {
        const int dot = text.Find(u'.', start);
        if (dot < 0) {
            parts.push_back(text.Mid(start));
            return parts;
        }
        parts.push_back(text.Mid(start, dot - start));
        start = dot + 1;
    }
}

}  // namespace

bool IsUsableVersionText(const CString& text) noexcept {
    const int length = text.GetLength();
    if (length < 1 || length > kMaxVersionLength) return false;
    if (text == u"." || text == u"..") return false;
    for (int i = 0; i < length; ++i) {
        if (!IsVersionChar(text.GetAt(i))) return false;
    }
    return true;
}

int CompareVersions(const CString& current, const CString& latest) {
    const std::vector<CString> a = SplitAtDots(current);
    const std::vector<CString> b = SplitAtDots(latest);
    if (a.size() != b.size()) return kNotComparable;
    for (size_t i = 0; i < a.size(); ++i) {
        const int x = DecimalValue(a[i]);
        const int y = DecimalValue(b[i]);
        if (x != y) return y > x ? kLatestIsNewer : kCurrentIsNewer;
    }
    return kVersionsEqual;
}

int DecimalValue(const CString& text) noexcept {
    int i = 0;
    const int length = text.GetLength();
    while (i < length && (text.GetAt(i) == u' ' || text.GetAt(i) == u'\t')) ++i;
    bool negative = false;
    if (i < length && (text.GetAt(i) == u'+' || text.GetAt(i) == u'-')) negative = text.GetAt(i++) == u'-';
    long long value = 0;
    for (; i < length && text.GetAt(i) >= u'0' && text.GetAt(i) <= u'9'; ++i) {
        value = value * 10 + (text.GetAt(i) - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace updater
