// Character-level helpers of the XML engine: tag-name characters, the
// attribute token scanner of a start tag, character references and escaping.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace xmltext {

[[nodiscard]] constexpr bool IsSpace(char16_t c) noexcept {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}
// A tag or attribute name runs up to white space or one of these delimiters.
[[nodiscard]] constexpr bool IsNameChar(char16_t c) noexcept {
    switch (c) {
        case u' ': case u'\t': case u'\n': case u'\r': case u'<': case u'>': case u'=': case u'\\':
        case u'/': case u'?': case u'!': case u'"': case u'\'': case u';': case u'\0':
            return false;
        default:
            return true;
    }
}
// True when every character can be part of a name and there is at least one.
[[nodiscard]] bool IsValidName(std::u16string_view name) noexcept;

// One attribute of a start tag, as offsets into the tag's text.
struct Attribute {
    std::u16string_view name;
    size_t valueBegin = 0;  // the value without its quotes
    size_t valueEnd = 0;
    size_t rawBegin = 0;    // the value with its quotes (equal to value when unquoted)
    size_t rawEnd = 0;
};

// Offset just after the tag name of a start tag ("<name" or "<?name").
[[nodiscard]] size_t SkipTagName(std::u16string_view tag) noexcept;
// The next "name = value" of a start tag from pos (start with SkipTagName);
// advances pos past it. A name without "=" is no attribute and is skipped.
[[nodiscard]] bool NextAttribute(std::u16string_view tag, size_t& pos, Attribute& out) noexcept;
// The first attribute called name (exact), or false.
[[nodiscard]] bool FindAttribute(std::u16string_view tag, std::u16string_view name, Attribute& out) noexcept;

// Resolves "&#N;", "&#xH;" and the named references of HTML 4 plus "apos".
// A reference to 0, to a surrogate, above U+10FFFF, with too many digits or
// to an unknown name stays as written.
[[nodiscard]] std::u16string Unescape(std::u16string_view text);
// The code point of a named reference (name without "&" and ";"), 0 if none.
[[nodiscard]] char32_t LookupEntity(std::u16string_view name) noexcept;
// Attribute values escape < & > ' "; element text only < & >.
[[nodiscard]] std::u16string EscapeAttribute(std::u16string_view text);
[[nodiscard]] std::u16string EscapeText(std::u16string_view text);

}  // namespace xmltext
