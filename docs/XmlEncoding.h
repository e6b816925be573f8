// Encodings of XML files: charset names to Windows code page numbers (the
// numbers the document flags and the files have always used), conversion
// through glibc's iconv, the UTF-8 test and the encoding declaration.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace xmlencoding {

constexpr int kCodePageUtf8 = 65001;
constexpr int kCodePageUtf16Le = 1200;
constexpr int kCodePageUtf16Be = 1201;
// What an empty or unknown charset name converts with: the "ANSI" code page
// of a Western system.
constexpr int kCodePageAnsi = 1252;

// The code page of a charset name (ASCII case folded), 0 when unknown.
[[nodiscard]] int CodePageOf(std::u16string_view name) noexcept;

// True when every byte with the high bit set begins a valid UTF-8 sequence;
// with truncatedEndOk a sequence cut off by the end of the bytes passes too.
[[nodiscard]] bool IsValidUtf8(std::string_view bytes, bool truncatedEndOk) noexcept;

// Bytes in a code page (0 = ANSI) to UTF-16. Undecodable bytes become
// U+FFFD; a code page iconv does not know decodes as ANSI.
[[nodiscard]] std::u16string Decode(std::string_view bytes, int codePage);
// UTF-16 to a code page (0 = ANSI); characters it cannot represent become
// "?" and set *lossy.
[[nodiscard]] std::string Encode(std::u16string_view text, int codePage, bool* lossy);

// The encoding the text declares: the encoding pseudo-attribute of a leading
// XML declaration, or for an html document the charset of a
// <meta http-equiv="Content-Type" content="...charset=..."> inside head.
// Empty when none.
[[nodiscard]] std::u16string DeclaredEncoding(std::u16string_view text);

}  // namespace xmlencoding
