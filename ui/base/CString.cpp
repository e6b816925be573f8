#include "ui/base/CString.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            } else {
                c = kReplacement;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char b = s[i];
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            extra = 1, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, cp = b & 0x07, min = 0x10000;
        } else {
            out += static_cast<char16_t>(kReplacement);
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j <= static_cast<size_t>(extra); ++j) {
            if (i + j >= n || (s[i + j] & 0xC0) != 0x80) break;
            cp = (cp << 6) | (s[i + j] & 0x3F);
        }
        if (j <= static_cast<size_t>(extra) || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            // A broken sequence consumes its lead byte and any continuation
            // bytes that were valid, and yields one replacement character.
            out += static_cast<char16_t>(kReplacement);
            i += j;
            continue;
        }
        AppendUtf16(out, cp);
        i += j;
    }
    return out;
}

CString CString::FromUtf8(std::string_view utf8) { return CString(Utf8ToUtf16(utf8)); }

std::string CString::ToUtf8() const { return Utf16ToUtf8(m_text); }

CString CString::FromInt(long long value) { return FromUtf8(std::to_string(value)); }

CString CString::FormatUtf8(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string buffer;
    if (size > 0) {
        buffer.resize(static_cast<size_t>(size) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        buffer.resize(static_cast<size_t>(size));
    }
    va_end(args);
    return FromUtf8(buffer);
}

int CString::Compare(const char16_t* other) const noexcept {
    return m_text.compare(other ? other : u"");
}

int CString::CompareNoCase(const char16_t* other) const noexcept {
    if (!other) other = u"";
    size_t i = 0;
    for (;; ++i) {
        char16_t a = i < m_text.size() ? FoldAscii(m_text[i]) : u'\0';
        char16_t b = FoldAscii(other[i]);
        if (a != b) return a < b ? -1 : 1;
        if (a == u'\0') return 0;
    }
}

int CString::Find(const char16_t* needle, int start) const noexcept {
    if (!needle || start < 0 || start > GetLength()) return -1;
    auto pos = m_text.find(needle, static_cast<size_t>(start));
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(char16_t ch, int start) const noexcept {
    if (start < 0 || start > GetLength()) return -1;
    auto pos = m_text.find(ch, static_cast<size_t>(start));
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char16_t ch) const noexcept {
    auto pos = m_text.rfind(ch);
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (first >= GetLength()) return {};
    size_t n = count < 0 ? std::u16string::npos : static_cast<size_t>(count);
    return CString(m_text.substr(static_cast<size_t>(first), n));
}

CString CString::Left(int count) const { return count <= 0 ? CString() : Mid(0, count); }

CString CString::Right(int count) const {
    if (count <= 0) return {};
    if (count >= GetLength()) return *this;
    return Mid(GetLength() - count);
}

int CString::Replace(const char16_t* from, const char16_t* to) {
    if (!from || !*from) return 0;
    std::u16string_view f(from);
    std::u16string_view t(to ? to : u"");
    int count = 0;
    size_t pos = 0;
    while ((pos = m_text.find(f, pos)) != std::u16string::npos) {
        m_text.replace(pos, f.size(), t);
        pos += t.size();
        ++count;
    }
    return count;
}

CString& CString::MakeLower() {
    for (auto& c : m_text) c = FoldAscii(c);
    return *this;
}

CString& CString::MakeUpper() {
    for (auto& c : m_text)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    return *this;
}

CString& CString::TrimLeft() {
    size_t i = 0;
    while (i < m_text.size() && IsBlank(m_text[i])) ++i;
    m_text.erase(0, i);
    return *this;
}

CString& CString::TrimRight() {
    size_t n = m_text.size();
    while (n > 0 && IsBlank(m_text[n - 1])) --n;
    m_text.resize(n);
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
