// CString: the UTF-16 string type of the toolkit and the program.
//
// Text lives in memory as UTF-16 (char16_t). Every boundary to the outside
// world (files, SQLite, Pango, paths, the environment) converts to and from
// UTF-8 with FromUtf8/ToUtf8; invalid input becomes U+FFFD, never a crash.
// The class has value semantics, so copies can be handed between threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const char16_t* text) : m_text(text ? text : u"") {}
    CString(const char16_t* text, size_t length) : m_text(text, length) {}
    CString(std::u16string text) : m_text(std::move(text)) {}
    CString(std::u16string_view text) : m_text(text) {}
    CString(size_t count, char16_t ch) : m_text(count, ch) {}

    // Conversions at the boundaries.
    [[nodiscard]] static CString FromUtf8(std::string_view utf8);
    [[nodiscard]] std::string ToUtf8() const;
    // Decimal text of a number.
    [[nodiscard]] static CString FromInt(long long value);
    // Formats like printf with a UTF-8 format; %s takes const char* (UTF-8).
    [[nodiscard]] static CString FormatUtf8(const char* format, ...) __attribute__((format(printf, 1, 2)));

    [[nodiscard]] int GetLength() const noexcept { return static_cast<int>(m_text.size()); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_text.empty(); }
    void Empty() noexcept { m_text.clear(); }
    [[nodiscard]] const char16_t* GetString() const noexcept { return m_text.c_str(); }
    [[nodiscard]] const char16_t* c_str() const noexcept { return m_text.c_str(); }
    operator const char16_t*() const noexcept { return m_text.c_str(); }
    [[nodiscard]] const std::u16string& str() const noexcept { return m_text; }
    [[nodiscard]] std::u16string_view view() const noexcept { return m_text; }

    [[nodiscard]] char16_t GetAt(int index) const noexcept {
        return index >= 0 && index < GetLength() ? m_text[static_cast<size_t>(index)] : u'\0';
    }
    void SetAt(int index, char16_t ch) noexcept {
        if (index >= 0 && index < GetLength()) m_text[static_cast<size_t>(index)] = ch;
    }

    CString& operator=(const char16_t* text) {
        m_text = text ? text : u"";
        return *this;
    }
    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    CString& operator+=(const char16_t* other) {
        if (other) m_text += other;
        return *this;
    }
    CString& operator+=(char16_t ch) {
        m_text += ch;
        return *this;
    }
    friend CString operator+(CString a, const CString& b) { return a += b; }
    friend CString operator+(CString a, const char16_t* b) { return a += b; }
    friend CString operator+(const char16_t* a, const CString& b) { return CString(a) += b; }

    friend bool operator==(const CString& a, const CString& b) noexcept { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char16_t* b) noexcept { return a.m_text == (b ? b : u""); }
    friend auto operator<=>(const CString& a, const CString& b) noexcept { return a.m_text <=> b.m_text; }

    // <0, 0, >0 as wcscmp; CompareNoCase folds ASCII letters only, as the
    // program's identifiers and file names are ASCII.
    [[nodiscard]] int Compare(const char16_t* other) const noexcept;
    [[nodiscard]] int CompareNoCase(const char16_t* other) const noexcept;

    // Index of the first match at or after start, -1 when none.
    [[nodiscard]] int Find(const char16_t* needle, int start = 0) const noexcept;
    [[nodiscard]] int Find(char16_t ch, int start = 0) const noexcept;
    [[nodiscard]] int ReverseFind(char16_t ch) const noexcept;
    [[nodiscard]] CString Mid(int first, int count = -1) const;
    [[nodiscard]] CString Left(int count) const;
    [[nodiscard]] CString Right(int count) const;
    // Replaces every occurrence; returns the count.
    int Replace(const char16_t* from, const char16_t* to);
    CString& MakeLower();
    CString& MakeUpper();
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();

private:
    std::u16string m_text;
};

// UTF-16 <-> UTF-8 on plain strings, for code that does not hold a CString.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view text);

template <>
struct std::hash<CString> {
    size_t operator()(const CString& s) const noexcept { return std::hash<std::u16string>()(s.str()); }
};
