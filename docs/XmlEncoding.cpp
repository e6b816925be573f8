#include "docs/XmlEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "docs/XmlText.h"
#include "ui/base/CString.h"

namespace xmlencoding {
namespace {

struct CharsetName {
    const char* name;
    int codePage;
};

// Charset names and aliases as Windows knows them, lower case.
constexpr CharsetName kCharsets[] = {
    {"utf-8", 65001}, {"utf8", 65001}, {"unicode-1-1-utf-8", 65001}, {"unicode-2-0-utf-8", 65001},
    {"x-unicode20utf8", 65001}, {"utf-16", 1200}, {"utf-16le", 1200}, {"unicode", 1200}, {"ucs-2", 1200},
    {"iso-10646-ucs-2", 1200}, {"unicodefffe", 1201}, {"utf-16be", 1201}, {"utf-32", 12000},
    {"utf-32le", 12000}, {"utf-32be", 12001}, {"utf-7", 65000}, {"csunicode11utf7", 65000},
    {"unicode-1-1-utf-7", 65000}, {"unicode-2-0-utf-7", 65000}, {"x-unicode20utf7", 65000},
    {"us-ascii", 20127}, {"ascii", 20127}, {"ansi_x3.4-1968", 20127}, {"ansi_x3.4-1986", 20127},
    {"cp367", 20127}, {"csascii", 20127}, {"ibm367", 20127}, {"iso-ir-6", 20127}, {"iso646-us", 20127},
    {"iso_646.irv:1991", 20127}, {"us", 20127},
    {"iso-8859-1", 28591}, {"latin1", 28591}, {"iso_8859-1", 28591}, {"iso_8859-1:1987", 28591},
    {"iso8859-1", 28591}, {"cp819", 28591}, {"csisolatin1", 28591}, {"ibm819", 28591}, {"iso-ir-100", 28591},
    {"l1", 28591},
    {"iso-8859-2", 28592}, {"iso_8859-2", 28592}, {"iso_8859-2:1987", 28592}, {"latin2", 28592},
    {"l2", 28592}, {"csisolatin2", 28592}, {"iso-ir-101", 28592},
    {"iso-8859-3", 28593}, {"iso_8859-3", 28593}, {"latin3", 28593}, {"l3", 28593}, {"csisolatin3", 28593},
    {"iso-8859-4", 28594}, {"iso_8859-4", 28594}, {"latin4", 28594}, {"l4", 28594}, {"csisolatin4", 28594},
    {"iso-8859-5", 28595}, {"iso_8859-5", 28595}, {"cyrillic", 28595}, {"csisolatincyrillic", 28595},
    {"iso-8859-6", 28596}, {"iso_8859-6", 28596}, {"arabic", 28596}, {"csisolatinarabic", 28596},
    {"ecma-114", 28596}, {"iso-8859-7", 28597}, {"iso_8859-7", 28597}, {"greek", 28597}, {"greek8", 28597},
    {"csisolatingreek", 28597}, {"ecma-118", 28597}, {"elot_928", 28597},
    {"iso-8859-8", 28598}, {"iso_8859-8", 28598}, {"hebrew", 28598}, {"csisolatinhebrew", 28598},
    {"iso-8859-8-i", 38598}, {"logical", 38598}, {"visual", 28598},
    {"iso-8859-9", 28599}, {"iso_8859-9", 28599}, {"latin5", 28599}, {"l5", 28599}, {"csisolatin5", 28599},
    {"iso-8859-11", 874}, {"iso-8859-13", 28603}, {"iso_8859-13", 28603}, {"iso-8859-15", 28605},
    {"iso_8859-15", 28605}, {"latin-9", 28605}, {"latin9", 28605}, {"l9", 28605}, {"csisolatin9", 28605},
    {"windows-1250", 1250}, {"x-cp1250", 1250}, {"cp1250", 1250}, {"windows-1251", 1251}, {"x-cp1251", 1251},
    {"cp1251", 1251}, {"windows-1252", 1252}, {"x-ansi", 1252}, {"cp1252", 1252}, {"windows-1253", 1253},
    {"cp1253", 1253}, {"windows-1254", 1254}, {"cp1254", 1254}, {"windows-1255", 1255}, {"cp1255", 1255},
    {"windows-1256", 1256}, {"cp1256", 1256}, {"windows-1257", 1257}, {"cp1257", 1257},
    {"windows-1258", 1258}, {"cp1258", 1258}, {"windows-874", 874}, {"tis-620", 874}, {"dos-874", 874},
    {"gb2312", 936}, {"gbk", 936}, {"cp936", 936}, {"chinese", 936}, {"csgb2312", 936},
    {"csiso58gb231280", 936}, {"gb2312-80", 936}, {"gb231280", 936}, {"gb_2312-80", 936}, {"iso-ir-58", 936},
    {"x-gbk", 936}, {"windows-936", 936}, {"gb18030", 54936}, {"euc-cn", 51936}, {"x-euc-cn", 51936},
    {"hz-gb-2312", 52936}, {"big5", 950}, {"big5-hkscs", 950}, {"cn-big5", 950}, {"csbig5", 950},
    {"x-x-big5", 950}, {"cp950", 950}, {"shift_jis", 932}, {"shift-jis", 932}, {"sjis", 932},
    {"x-sjis", 932}, {"csshiftjis", 932}, {"cswindows31j", 932}, {"ms_kanji", 932}, {"windows-31j", 932},
    {"cp932", 932}, {"euc-jp", 51932}, {"x-euc-jp", 51932}, {"x-euc", 51932}, {"cseucpkdfmtjapanese", 51932},
    {"extended_unix_code_packed_format_for_japanese", 51932}, {"iso-2022-jp", 50220},
    {"csiso2022jp", 50221}, {"ks_c_5601-1987", 949}, {"ks_c_5601", 949}, {"ks_c_5601-1989", 949},
    {"ks_c_5601_1987", 949}, {"ksc5601", 949}, {"ksc_5601", 949}, {"korean", 949}, {"csksc56011987", 949},
    {"iso-ir-149", 949}, {"ks-c-5601", 949}, {"uhc", 949}, {"cp949", 949}, {"euc-kr", 51949},
    {"cseuckr", 51949}, {"iso-2022-kr", 50225}, {"csiso2022kr", 50225}, {"johab", 1361},
    {"koi8-r", 20866}, {"koi8", 20866}, {"koi", 20866}, {"cskoi8r", 20866}, {"koi8r", 20866},
    {"koi8-u", 21866}, {"koi8-ru", 21866}, {"ibm437", 437}, {"cp437", 437}, {"437", 437},
    {"cspc8codepage437", 437}, {"ibm850", 850}, {"cp850", 850}, {"ibm852", 852}, {"cp852", 852},
    {"ibm855", 855}, {"cp855", 855}, {"ibm857", 857}, {"cp857", 857}, {"ibm860", 860}, {"cp860", 860},
    {"ibm861", 861}, {"cp861", 861}, {"ibm862", 862}, {"cp862", 862}, {"ibm863", 863}, {"cp863", 863},
    {"ibm864", 864}, {"cp864", 864}, {"ibm865", 865}, {"cp865", 865}, {"ibm866", 866}, {"cp866", 866},
    {"ibm869", 869}, {"cp869", 869}, {"macintosh", 10000}, {"x-mac-ce", 10029}, {"x-mac-cyrillic", 10007},
    {"tcvn", 1258}, {"viscii", 1258},
};

struct CodePageName {
    int codePage;
    const char* iconvName;
};

// Code pages to the names glibc's iconv knows them by.
constexpr CodePageName kIconvNames[] = {
    {65001, "UTF-8"}, {1200, "UTF-16LE"}, {1201, "UTF-16BE"}, {12000, "UTF-32LE"}, {12001, "UTF-32BE"},
    {65005, "UTF-32"}, {65000, "UTF-7"}, {20127, "ASCII"}, {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"}, {28598, "ISO-8859-8"}, {38598, "ISO-8859-8"}, {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"}, {1250, "WINDOWS-1250"}, {1251, "WINDOWS-1251"},
    {1252, "WINDOWS-1252"}, {1253, "WINDOWS-1253"}, {1254, "WINDOWS-1254"}, {1255, "WINDOWS-1255"},
    {1256, "WINDOWS-1256"}, {1257, "WINDOWS-1257"}, {1258, "WINDOWS-1258"}, {874, "WINDOWS-874"},
    {936, "GBK"}, {54936, "GB18030"}, {51936, "EUC-CN"}, {52936, "HZ"}, {950, "BIG5-HKSCS"},
    {932, "CP932"}, {51932, "EUC-JP"}, {50220, "ISO-2022-JP"}, {50221, "ISO-2022-JP"}, {949, "CP949"},
    {51949, "EUC-KR"}, {50225, "ISO-2022-KR"}, {1361, "JOHAB"}, {20866, "KOI8-R"}, {21866, "KOI8-U"},
    {437, "IBM437"}, {850, "IBM850"}, {852, "IBM852"}, {855, "IBM855"}, {857, "IBM857"}, {860, "IBM860"},
    {861, "IBM861"}, {862, "IBM862"}, {863, "IBM863"}, {864, "IBM864"}, {865, "IBM865"}, {866, "IBM866"},
    {869, "IBM869"}, {10000, "MACINTOSH"}, {10029, "MAC-CENTRALEUROPE"}, {10007, "MAC-CYRILLIC"},
};

// Code page for names that begin with this (exact case) and are not in
// the table.
constexpr std::u16string_view kUtf32Prefix = u"UTF-32";
constexpr int kCodePageUtf32Any = 65005;
constexpr char16_t kReplacement = 0xFFFD;

const char* IconvNameOf(int codePage) noexcept {
    if (codePage == 0) codePage = kCodePageAnsi;
    for (const auto& row : kIconvNames)
        if (row.codePage == codePage) return row.iconvName;
    return nullptr;
}

// One iconv conversion descriptor, closed with its owner.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (Ok()) iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    [[nodiscard]] bool Ok() const noexcept { return m_cd != reinterpret_cast<iconv_t>(-1); }
    [[nodiscard]] iconv_t Get() const noexcept { return m_cd; }

private:
    iconv_t m_cd;
};

}  // namespace

int CodePageOf(std::u16string_view name) noexcept {
    if (name.empty() || name.size() > 64) return 0;
    std::string folded;
    for (char16_t c : name) {
        if (c >= 0x80) return 0;
        folded += static_cast<char>(c >= u'A' && c <= u'Z' ? c + 32 : c);
    }
    for (const auto& row : kCharsets)
        if (folded == row.name) return row.codePage;
    if (name.substr(0, kUtf32Prefix.size()) == kUtf32Prefix) return kCodePageUtf32Any;
    return 0;
}

bool IsValidUtf8(std::string_view bytes, bool truncatedEndOk) noexcept {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t extra = 0;
        if (b >= 0xC2 && b <= 0xDF)
            extra = 1;
        else if (b >= 0xE0 && b <= 0xEF)
            extra = 2;
        else if (b >= 0xF0 && b <= 0xF4)
            extra = 3;
        else
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            if (i + k >= n) return truncatedEndOk;
            const unsigned char t = s[i + k];
            if ((t & 0xC0) != 0x80) return false;
            // No overlong forms, no surrogates, nothing above U+10FFFF.
            if (k == 1 && ((b == 0xE0 && t < 0xA0) || (b == 0xED && t > 0x9F) || (b == 0xF0 && t < 0x90) ||
                           (b == 0xF4 && t > 0x8F)))
                return false;
        }
        i += extra + 1;
    }
    return true;
}

std::u16string Decode(std::string_view bytes, int codePage) {
    if (codePage == kCodePageUtf8) return Utf8ToUtf16(bytes);
    const char* from = IconvNameOf(codePage);
    IconvHandle cd("UTF-16LE", from ? from : IconvNameOf(kCodePageAnsi));
    if (!cd.Ok()) return Utf8ToUtf16(bytes);
    std::u16string out;
    std::vector<char> buffer(bytes.size() * 4 + 16);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (true) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        size_t rc = iconv(cd.Get(), inLeft ? &in : nullptr, &inLeft, &outPtr, &outLeft);
        const size_t produced = buffer.size() - outLeft;
        for (size_t k = 0; k + 1 < produced; k += 2)
            out += static_cast<char16_t>(static_cast<unsigned char>(buffer[k]) |
                                         (static_cast<unsigned char>(buffer[k + 1]) << 8));
        if (rc != static_cast<size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) continue;
        // An invalid or incomplete sequence: one replacement, skip a byte.
        if (inLeft == 0) break;
        out += kReplacement;
        ++in;
        --inLeft;
        iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::string Encode(std::u16string_view text, int codePage, bool* lossy) {
    if (lossy) *lossy = false;
    if (codePage == kCodePageUtf8) return Utf16ToUtf8(text);
    if (codePage == kCodePageUtf16Le || codePage == kCodePageUtf16Be) {
        std::string out;
        out.reserve(text.size() * 2);
        for (char16_t c : text) {
            const char lo = static_cast<char>(c & 0xFF);
            const char hi = static_cast<char>(c >> 8);
            if (codePage == kCodePageUtf16Le)
                out += lo, out += hi;
            else
                out += hi, out += lo;
        }
        return out;
    }
    const char* to = IconvNameOf(codePage);
    IconvHandle cd(to ? to : IconvNameOf(kCodePageAnsi), "UTF-16LE");
    if (!cd.Ok()) return Utf16ToUtf8(text);
    std::string input;
    input.reserve(text.size() * 2);
    for (char16_t c : text) input += static_cast<char>(c & 0xFF), input += static_cast<char>(c >> 8);
    std::string out;
    std::vector<char> buffer(input.size() * 2 + 64);
    char* in = input.data();
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        size_t rc = iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // Not representable (or an unpaired surrogate): "?" for the
        // character, both units of a pair.
        if (lossy) *lossy = true;
        out += '?';
        size_t skip = 2;
        if (inLeft >= 4) {
            const unsigned unit = static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8);
            const unsigned next = static_cast<unsigned char>(in[2]) | (static_cast<unsigned char>(in[3]) << 8);
            if (unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) skip = 4;
        }
        skip = std::min(skip, inLeft);
        in += skip;
        inLeft -= skip;
        iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    // Flush a shift state (ISO-2022 encodings).
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    iconv(cd.Get(), nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    return out;
}

namespace {

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

size_t FindNoCase(std::u16string_view text, std::u16string_view needle) noexcept {
    if (needle.size() > text.size()) return std::u16string_view::npos;
    for (size_t i = 0; i + needle.size() <= text.size(); ++i)
        if (EqualsNoCase(text.substr(i, needle.size()), needle)) return i;
    return std::u16string_view::npos;
}

// The tag at text[pos] ("<" ... ">"), quotes honoured; empty when unended.
std::u16string_view TagAt(std::u16string_view text, size_t pos) noexcept {
    for (size_t j = pos + 1; j < text.size(); ++j) {
        if (text[j] == u'"' || text[j] == u'\'') {
            size_t close = text.find(text[j], j + 1);
            if (close == std::u16string_view::npos) return {};
            j = close;
        } else if (text[j] == u'>') {
            return text.substr(pos, j + 1 - pos);
        }
    }
    return {};
}

std::u16string_view TagNameOf(std::u16string_view tag) noexcept {
    size_t end = xmltext::SkipTagName(tag);
    return end > 1 ? tag.substr(1, end - 1) : std::u16string_view();
}

std::u16string_view AttributeOf(std::u16string_view tag, std::u16string_view name) noexcept {
    size_t pos = xmltext::SkipTagName(tag);
    xmltext::Attribute a;
    while (xmltext::NextAttribute(tag, pos, a))
        if (EqualsNoCase(a.name, name)) return tag.substr(a.valueBegin, a.valueEnd - a.valueBegin);
    return {};
}

std::u16string CharsetFromMeta(std::u16string_view html) {
    constexpr std::u16string_view kCharset = u"charset=";
    size_t pos = 0;
    while ((pos = html.find(u'<', pos)) != std::u16string_view::npos) {
        if (html.substr(pos, 4) == u"<!--") {
            size_t end = html.find(u"-->", pos + 4);
            if (end == std::u16string_view::npos) return {};
            pos = end + 3;
            continue;
        }
        const std::u16string_view tag = TagAt(html, pos);
        if (tag.empty()) return {};
        if (tag.size() >= 6 && EqualsNoCase(tag.substr(0, 6), u"</head")) return {};
        const std::u16string_view name = TagNameOf(tag);
        if (EqualsNoCase(name, u"body")) return {};
        if (EqualsNoCase(name, u"meta") && EqualsNoCase(AttributeOf(tag, u"http-equiv"), u"Content-Type")) {
            const std::u16string_view content = AttributeOf(tag, u"content");
            const size_t at = FindNoCase(content, kCharset);
            if (at != std::u16string_view::npos) {
                std::u16string_view value = content.substr(at + kCharset.size());
                size_t end = 0;
                while (end < value.size() && value[end] != u';' && !xmltext::IsSpace(value[end]) &&
                       value[end] != u'"' && value[end] != u'\'')
                    ++end;
                return std::u16string(value.substr(0, end));
            }
        }
        pos += tag.size();
    }
    return {};
}

}  // namespace

std::u16string DeclaredEncoding(std::u16string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && xmltext::IsSpace(text[pos])) ++pos;
        if (pos >= text.size() || text[pos] != u'<') return {};
        if (text.substr(pos, 5) == u"<?xml" && pos + 5 < text.size() &&
            (xmltext::IsSpace(text[pos + 5]) || text[pos + 5] == u'?')) {
            // Only a declaration that opens the text counts.
            if (pos != 0 && !std::all_of(text.begin(), text.begin() + static_cast<long>(pos), xmltext::IsSpace))
                return {};
            size_t end = text.find(u"?>", pos);
            if (end == std::u16string_view::npos) return {};
            return std::u16string(AttributeOf(text.substr(pos, end + 2 - pos), u"encoding"));
        }
        if (text.substr(pos, 4) == u"<!--") {
            size_t end = text.find(u"-->", pos + 4);
            if (end == std::u16string_view::npos) return {};
            pos = end + 3;
            continue;
        }
        if (text.substr(pos, 2) == u"<?" || text.substr(pos, 2) == u"<!") {
            size_t end = text.find(u'>', pos);
            if (end == std::u16string_view::npos) return {};
            pos = end + 1;
            continue;
        }
        const std::u16string_view tag = TagAt(text, pos);
        if (tag.empty()) return {};
        if (!EqualsNoCase(TagNameOf(tag), u"html")) return {};
        return CharsetFromMeta(text.substr(pos + tag.size()));
    }
    return {};
}

}  // namespace xmlencoding
