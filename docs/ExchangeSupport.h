// Helpers shared by the profile and macro exchange files: the file-title
// naming rule, the plain decimal conversion of attribute values, and reading
// and writing an exchange document safely.
#pragma once

#include <cstdint>

#include "docs/XmlDoc.h"
#include "ui/base/CString.h"

namespace exchange {

// The first line of every exchange file; the whole initial text of a new one.
inline constexpr const char16_t* kDeclaration = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

// Import files larger than this are refused before anything is read: an
// honest profile file is a few hundred KiB at most.
inline constexpr int64_t kMaxImportFileBytes = 16LL * 1024 * 1024;

// Bounds on what one import stores, so a hostile file cannot keep the store
// busy for minutes. An honest file holds far less: a keyboard has at most
// 256 key codes per layer, a macro at most 80 key steps and their pauses.
inline constexpr int kMaxImportKeyItems = 1024;
inline constexpr int kMaxImportMacros = 512;
inline constexpr int kMaxImportStepsPerMacro = 1024;
inline constexpr int kMaxImportStepsTotal = 65536;

// The name an imported profile or macro gets: the file name without its
// folder, up to its first "."; empty when the name has no ".".
// "/a/My keys.v2.xml" -> "My keys", "/a/keys" -> "".
[[nodiscard]] CString FileTitleName(const CString& path);

// Plain decimal conversion of an attribute value: leading blanks, an
// optional sign, then digits (read up to the first non-digit); text that
// does not start that way gives 0. Values beyond the int range are clamped.
[[nodiscard]] int PlainDecimal(const CString& text) noexcept;

// The path with ".xml" appended when its file name has no extension (a name
// typed without one in the save dialog).
[[nodiscard]] CString WithXmlExtension(const CString& path);

// Reads and parses an import file. False, with the document left empty,
// when the file is missing, not a regular file, larger than
// kMaxImportFileBytes, unreadable or not well formed.
[[nodiscard]] bool LoadExchangeDocument(const CString& path, XmlDoc& doc);

// Writes the document's text to path through a temporary file in the same
// folder that is renamed over the target, so a failed write leaves an
// earlier file as it was. False when any step failed.
[[nodiscard]] bool SaveExchangeDocument(const CString& path, const XmlDoc& doc);

}  // namespace exchange
