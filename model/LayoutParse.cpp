#include "model/LayoutParse.h"

#include <climits>
#include <cstdint>

namespace layoutparse {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

int DigitValue(char16_t c, int base) {
    int v = -1;
    if (c >= u'0' && c <= u'9') v = c - u'0';
    else if (c >= u'a' && c <= u'f') v = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') v = c - u'A' + 10;
    return v < base ? v : -1;
}

int ParseNumber(std::u16string_view s, int base) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    if (base == 16 && i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X') &&
        i + 2 < s.size() && DigitValue(s[i + 2], 16) >= 0)
        i += 2;
    int64_t value = 0;
    constexpr int64_t kCap = static_cast<int64_t>(INT_MAX) + 1;
    for (; i < s.size(); ++i) {
        int d = DigitValue(s[i], base);
        if (d < 0) break;
        value = value * base + d;
        if (value > kCap) value = kCap;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

int ParseDecimal(const CString& text) noexcept {
    return ParseNumber(text.view(), 10);
}

int ParseHex(const CString& text) noexcept {
    return ParseNumber(text.view(), 16);
}

bool ParseFlag(const CString& text) noexcept {
    return ParseDecimal(text) == 1;
}

bool ParseRowCol(const CString& text, int& row, int& column) noexcept {
    constexpr int kRows = 8;
    constexpr int kColumns = 32;
    const std::u16string_view s = text.view();
    if (s.size() != 3 && s.size() != 4) return false;
    auto digit = [](char16_t c) { return c >= u'0' && c <= u'9' ? c - u'0' : -1; };
    const int r = digit(s[0]);
    int c = digit(s.back());
    if (s.size() == 4) {
        const int tens = digit(s[2]);
        if (tens < 0 || c < 0) return false;
        c += tens * 10;
    }
    if (r < 0 || c < 0 || r >= kRows || c >= kColumns) return false;
    row = r;
    column = c;
    return true;
}

CRect ParseRect(const CString& text) noexcept {
    int parts[4] = {0, 0, 0, 0};
    const std::u16string_view s = text.view();
    size_t begin = 0;
    for (int& part : parts) {
        if (begin > s.size()) break;
        size_t end = s.find(u'#', begin);
        if (end == std::u16string_view::npos) end = s.size();
        int v = ParseNumber(s.substr(begin, end - begin), 10);
        if (v > kRectLimit) v = kRectLimit;
        if (v < -kRectLimit) v = -kRectLimit;
        part = v;
        begin = end + 1;
    }
    return CRect(parts[0], parts[1], parts[0] + parts[2], parts[1] + parts[3]);
}

}  // namespace layoutparse
