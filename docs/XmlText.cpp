#include "docs/XmlText.h"

#include <algorithm>
#include <array>
#include <vector>

namespace xmltext {
namespace {

struct Entity {
    std::u16string_view name;
    char32_t code;
};

// The character entity names of HTML 4 (Latin-1, symbols, special) plus
// "apos".
constexpr Entity kEntities[] = {
    // Latin-1
    {u"nbsp", 160}, {u"iexcl", 161}, {u"cent", 162}, {u"pound", 163}, {u"curren", 164}, {u"yen", 165},
    {u"brvbar", 166}, {u"sect", 167}, {u"uml", 168}, {u"copy", 169}, {u"ordf", 170}, {u"laquo", 171},
    {u"not", 172}, {u"shy", 173}, {u"reg", 174}, {u"macr", 175}, {u"deg", 176}, {u"plusmn", 177},
    {u"sup2", 178}, {u"sup3", 179}, {u"acute", 180}, {u"micro", 181}, {u"para", 182}, {u"middot", 183},
    {u"cedil", 184}, {u"sup1", 185}, {u"ordm", 186}, {u"raquo", 187}, {u"frac14", 188}, {u"frac12", 189},
    {u"frac34", 190}, {u"iquest", 191}, {u"Agrave", 192}, {u"Aacute", 193}, {u"Acirc", 194},
    {u"Atilde", 195}, {u"Auml", 196}, {u"Aring", 197}, {u"AElig", 198}, {u"Ccedil", 199}, {u"Egrave", 200},
    {u"Eacute", 201}, {u"Ecirc", 202}, {u"Euml", 203}, {u"Igrave", 204}, {u"Iacute", 205}, {u"Icirc", 206},
    {u"Iuml", 207}, {u"ETH", 208}, {u"Ntilde", 209}, {u"Ograve", 210}, {u"Oacute", 211}, {u"Ocirc", 212},
    {u"Otilde", 213}, {u"Ouml", 214}, {u"times", 215}, {u"Oslash", 216}, {u"Ugrave", 217}, {u"Uacute", 218},
    {u"Ucirc", 219}, {u"Uuml", 220}, {u"Yacute", 221}, {u"THORN", 222}, {u"szlig", 223}, {u"agrave", 224},
    {u"aacute", 225}, {u"acirc", 226}, {u"atilde", 227}, {u"auml", 228}, {u"aring", 229}, {u"aelig", 230},
    {u"ccedil", 231}, {u"egrave", 232}, {u"eacute", 233}, {u"ecirc", 234}, {u"euml", 235}, {u"igrave", 236},
    {u"iacute", 237}, {u"icirc", 238}, {u"iuml", 239}, {u"eth", 240}, {u"ntilde", 241}, {u"ograve", 242},
    {u"oacute", 243}, {u"ocirc", 244}, {u"otilde", 245}, {u"ouml", 246}, {u"divide", 247}, {u"oslash", 248},
    {u"ugrave", 249}, {u"uacute", 250}, {u"ucirc", 251}, {u"uuml", 252}, {u"yacute", 253}, {u"thorn", 254},
    {u"yuml", 255},
    // Symbols and Greek letters
    {u"fnof", 402}, {u"Alpha", 913}, {u"Beta", 914}, {u"Gamma", 915}, {u"Delta", 916}, {u"Epsilon", 917},
    {u"Zeta", 918}, {u"Eta", 919}, {u"Theta", 920}, {u"Iota", 921}, {u"Kappa", 922}, {u"Lambda", 923},
    {u"Mu", 924}, {u"Nu", 925}, {u"Xi", 926}, {u"Omicron", 927}, {u"Pi", 928}, {u"Rho", 929},
    {u"Sigma", 931}, {u"Tau", 932}, {u"Upsilon", 933}, {u"Phi", 934}, {u"Chi", 935}, {u"Psi", 936},
    {u"Omega", 937}, {u"alpha", 945}, {u"beta", 946}, {u"gamma", 947}, {u"delta", 948}, {u"epsilon", 949},
    {u"zeta", 950}, {u"eta", 951}, {u"theta", 952}, {u"iota", 953}, {u"kappa", 954}, {u"lambda", 955},
    {u"mu", 956}, {u"nu", 957}, {u"xi", 958}, {u"omicron", 959}, {u"pi", 960}, {u"rho", 961},
    {u"sigmaf", 962}, {u"sigma", 963}, {u"tau", 964}, {u"upsilon", 965}, {u"phi", 966}, {u"chi", 967},
    {u"psi", 968}, {u"omega", 969}, {u"thetasym", 977}, {u"upsih", 978}, {u"piv", 982}, {u"bull", 8226},
    {u"hellip", 8230}, {u"prime", 8242}, {u"Prime", 8243}, {u"oline", 8254}, {u"frasl", 8260},
    {u"weierp", 8472}, {u"image", 8465}, {u"real", 8476}, {u"trade", 8482}, {u"alefsym", 8501},
    {u"larr", 8592}, {u"uarr", 8593}, {u"rarr", 8594}, {u"darr", 8595}, {u"harr", 8596}, {u"crarr", 8629},
    {u"lArr", 8656}, {u"uArr", 8657}, {u"rArr", 8658}, {u"dArr", 8659}, {u"hArr", 8660}, {u"forall", 8704},
    {u"part", 8706}, {u"exist", 8707}, {u"empty", 8709}, {u"nabla", 8711}, {u"isin", 8712}, {u"notin", 8713},
    {u"ni", 8715}, {u"prod", 8719}, {u"sum", 8721}, {u"minus", 8722}, {u"lowast", 8727}, {u"radic", 8730},
    {u"prop", 8733}, {u"infin", 8734}, {u"ang", 8736}, {u"and", 8743}, {u"or", 8744}, {u"cap", 8745},
    {u"cup", 8746}, {u"int", 8747}, {u"there4", 8756}, {u"sim", 8764}, {u"cong", 8773}, {u"asymp", 8776},
    {u"ne", 8800}, {u"equiv", 8801}, {u"le", 8804}, {u"ge", 8805}, {u"sub", 8834}, {u"sup", 8835},
    {u"nsub", 8836}, {u"sube", 8838}, {u"supe", 8839}, {u"oplus", 8853}, {u"otimes", 8855}, {u"perp", 8869},
    {u"sdot", 8901}, {u"lceil", 8968}, {u"rceil", 8969}, {u"lfloor", 8970}, {u"rfloor", 8971},
    {u"lang", 9001}, {u"rang", 9002}, {u"loz", 9674}, {u"spades", 9824}, {u"clubs", 9827}, {u"hearts", 9829},
    {u"diams", 9830},
    // Markup-significant and internationalisation characters
    {u"quot", 34}, {u"amp", 38}, {u"lt", 60}, {u"gt", 62}, {u"apos", 39}, {u"OElig", 338}, {u"oelig", 339},
    {u"Scaron", 352}, {u"scaron", 353}, {u"Yuml", 376}, {u"circ", 710}, {u"tilde", 732}, {u"ensp", 8194},
    {u"emsp", 8195}, {u"thinsp", 8201}, {u"zwnj", 8204}, {u"zwj", 8205}, {u"lrm", 8206}, {u"rlm", 8207},
    {u"ndash", 8211}, {u"mdash", 8212}, {u"lsquo", 8216}, {u"rsquo", 8217}, {u"sbquo", 8218},
    {u"ldquo", 8220}, {u"rdquo", 8221}, {u"bdquo", 8222}, {u"dagger", 8224}, {u"Dagger", 8225},
    {u"permil", 8240}, {u"lsaquo", 8249}, {u"rsaquo", 8250}, {u"euro", 8364},
};
constexpr size_t kHtml4EntityCount = 252;
static_assert(std::size(kEntities) == kHtml4EntityCount + 1, "HTML 4 entities plus apos");

// A named reference is at most this many characters between "&" and ";".
constexpr size_t kMaxEntityNameLength = 8;
// The largest code point a numeric reference may name.
constexpr char32_t kMaxCodePoint = 0x10FFFF;

const std::vector<Entity>& SortedEntities() {
    static const std::vector<Entity> sorted = [] {
        std::vector<Entity> v(std::begin(kEntities), std::end(kEntities));
        std::sort(v.begin(), v.end(), [](const Entity& a, const Entity& b) { return a.name < b.name; });
        return v;
    }();
    return sorted;
}

char32_t FindExact(std::u16string_view name) noexcept {
    const auto& v = SortedEntities();
    auto it = std::lower_bound(v.begin(), v.end(), name, [](const Entity& e, std::u16string_view n) { return e.name < n; });
    return it != v.end() && it->name == name ? it->code : 0;
}

constexpr char16_t FoldAscii(char16_t c) noexcept { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool IsAsciiAlnum(char16_t c) noexcept {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

int HexDigit(char16_t c) noexcept {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

void AppendCodePoint(std::u16string& out, char32_t cp) {
    if (cp > 0xFFFF) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

// Length of the reference at text[pos] ("&..." up to and including ";") and
// its code point; 0 when it is not one the engine resolves.
size_t ParseReference(std::u16string_view text, size_t pos, char32_t& cp) noexcept {
    const size_t n = text.size();
    size_t i = pos + 1;
    if (i < n && text[i] == u'#') {
        ++i;
        int base = 10;
        if (i < n && (text[i] == u'x' || text[i] == u'X')) base = 16, ++i;
        const size_t digitsBegin = i;
        char32_t value = 0;
        bool tooLarge = false;
        for (; i < n; ++i) {
            int d = base == 16 ? HexDigit(text[i]) : (text[i] >= u'0' && text[i] <= u'9' ? text[i] - u'0' : -1);
            if (d < 0) break;
            if (!tooLarge) {
                value = value * static_cast<char32_t>(base) + static_cast<char32_t>(d);
                if (value > kMaxCodePoint) tooLarge = true;
            }
        }
        if (i == digitsBegin || i >= n || text[i] != u';') return 0;
        if (tooLarge || value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return 0;
        cp = value;
        return i + 1 - pos;
    }
    const size_t nameBegin = i;
    while (i < n && i - nameBegin <= kMaxEntityNameLength && IsAsciiAlnum(text[i])) ++i;
    const size_t nameLength = i - nameBegin;
    if (nameLength == 0 || nameLength > kMaxEntityNameLength || i >= n || text[i] != u';') return 0;
    cp = LookupEntity(text.substr(nameBegin, nameLength));
    return cp ? i + 1 - pos : 0;
}

}  // namespace

bool IsValidName(std::u16string_view name) noexcept {
    if (name.empty()) return false;
    return std::all_of(name.begin(), name.end(), IsNameChar);
}

size_t SkipTagName(std::u16string_view tag) noexcept {
    size_t i = 0;
    if (i < tag.size() && tag[i] == u'<') ++i;
    if (i < tag.size() && (tag[i] == u'?' || tag[i] == u'/')) ++i;
    while (i < tag.size() && IsNameChar(tag[i])) ++i;
    return i;
}

bool NextAttribute(std::u16string_view tag, size_t& pos, Attribute& out) noexcept {
    const size_t n = tag.size();
    size_t i = pos;
    while (i < n) {
        const char16_t c = tag[i];
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            // A stray quoted string: skip it whole, it may hold anything.
            size_t close = tag.find(c, i + 1);
            i = close == std::u16string_view::npos ? n : close + 1;
            continue;
        }
        if (!IsNameChar(c)) {
            ++i;
            continue;
        }
        const size_t nameBegin = i;
        while (i < n && IsNameChar(tag[i])) ++i;
        const size_t nameEnd = i;
        size_t p = i;
        while (p < n && IsSpace(tag[p])) ++p;
        if (p >= n || tag[p] != u'=') continue;
        ++p;
        while (p < n && IsSpace(tag[p])) ++p;
        out.name = tag.substr(nameBegin, nameEnd - nameBegin);
        out.rawBegin = p;
        if (p < n && (tag[p] == u'"' || tag[p] == u'\'')) {
            size_t close = tag.find(tag[p], p + 1);
            if (close == std::u16string_view::npos) close = n;
            out.valueBegin = p + 1;
            out.valueEnd = close;
            out.rawEnd = close < n ? close + 1 : n;
        } else {
            // An unquoted value ends where a quote begins, as the parser
            // pairs quotes from the tag name on when it looks for the tag's end.
            size_t q = p;
            while (q < n && !IsSpace(tag[q]) && tag[q] != u'>' && tag[q] != u'"' && tag[q] != u'\'' &&
                   !(tag[q] == u'/' && q + 1 < n && tag[q + 1] == u'>') &&
                   !(tag[q] == u'?' && q + 1 < n && tag[q + 1] == u'>'))
                ++q;
            out.valueBegin = p;
            out.valueEnd = q;
            out.rawEnd = q;
        }
        pos = out.rawEnd;
        return true;
    }
    pos = n;
    return false;
}

bool FindAttribute(std::u16string_view tag, std::u16string_view name, Attribute& out) noexcept {
    size_t pos = SkipTagName(tag);
    while (NextAttribute(tag, pos, out))
        if (out.name == name) return true;
    return false;
}

char32_t LookupEntity(std::u16string_view name) noexcept {
    if (name.empty() || name.size() > kMaxEntityNameLength) return 0;
    // Where a capital and a small form both exist (Oslash, oslash) the
    // spelling decides; any other spelling is read with capitals folded.
    if (char32_t cp = FindExact(name)) return cp;
    std::array<char16_t, kMaxEntityNameLength> folded{};
    bool changed = false;
    for (size_t i = 0; i < name.size(); ++i) {
        folded[i] = FoldAscii(name[i]);
        changed |= folded[i] != name[i];
    }
    if (!changed) return 0;
    return FindExact(std::u16string_view(folded.data(), name.size()));
}

std::u16string Unescape(std::u16string_view text) {
    std::u16string out;
    size_t amp = text.find(u'&');
    if (amp == std::u16string_view::npos) return std::u16string(text);
    out.reserve(text.size());
    size_t done = 0;
    while (amp != std::u16string_view::npos) {
        out.append(text.substr(done, amp - done));
        char32_t cp = 0;
        size_t length = ParseReference(text, amp, cp);
        if (length) {
            AppendCodePoint(out, cp);
            done = amp + length;
        } else {
            out += u'&';
            done = amp + 1;
        }
        amp = text.find(u'&', done);
    }
    out.append(text.substr(done));
    return out;
}

std::u16string EscapeAttribute(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + 8);
    for (char16_t c : text) {
        switch (c) {
            case u'<': out += u"&lt;"; break;
            case u'&': out += u"&amp;"; break;
            case u'>': out += u"&gt;"; break;
            case u'\'': out += u"&apos;"; break;
            case u'"': out += u"&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::u16string EscapeText(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + 8);
    for (char16_t c : text) {
        switch (c) {
            case u'<': out += u"&lt;"; break;
            case u'&': out += u"&amp;"; break;
            case u'>': out += u"&gt;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace xmltext
