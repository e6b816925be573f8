// tastra-xml FILE
//
// Output (UTF-8, LF line ends):
//   well-formed: yes|no
//   one line per element in document order, also in an ill-formed document:
//   its path from the root (tag names joined by "/"), then for each
//   attribute of its start tag, in order and duplicates included, a blank
//   and name="value" with the unescaped value written with \\, \" and
//   \xNN for control characters.
// Exit code: 0 the file was read, 1 it could not be read, 2 usage error.
#include <cstdio>
#include <string>
#include <vector>

#include "docs/XmlDoc.h"

namespace {

constexpr int kExitRead = 0;
constexpr int kExitUnreadable = 1;
constexpr int kExitUsage = 2;

// Backslash and double quote escaped, U+0000-U+001F and U+007F as \xNN,
// everything else UTF-8 (an unpaired surrogate as U+FFFD).
std::string QuoteValue(const CString& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    const std::u16string& s = value.str();
    size_t plainBegin = 0;
    auto flush = [&](size_t end) {
        if (end > plainBegin) out += Utf16ToUtf8(std::u16string_view(s).substr(plainBegin, end - plainBegin));
    };
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'\\' || c == u'"' || c < 0x20 || c == 0x7F) {
            flush(i);
            plainBegin = i + 1;
            if (c == u'\\') {
                out += "\\\\";
            } else if (c == u'"') {
                out += "\\\"";
            } else {
                out += "\\x";
                out += kHex[(c >> 4) & 0xF];
                out += kHex[c & 0xF];
            }
        }
    }
    flush(s.size());
    return out;
}

void WriteLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: tastra-xml FILE\n");
        return kExitUsage;
    }
    XmlDoc doc;
    CString text;
    CString log;
    if (!XmlDoc::ReadDocumentFile(CString::FromUtf8(argv[1]), text, &log)) {
        std::fprintf(stderr, "tastra-xml: cannot read %s\n", argv[1]);
        return kExitUnreadable;
    }
    const bool wellFormed = doc.SetDocumentText(text.c_str());
    WriteLine(wellFormed ? "well-formed: yes" : "well-formed: no");

    // Depth-first through the cursor, no recursion: the depth of a
    // document is only bounded by its size.
    // The path of the current parent ("a/b/") and where each level began.
    std::string prefix;
    std::vector<size_t> levels;
    while (true) {
        if (!doc.FindElement()) {
            if (!doc.LeaveElement()) break;
            prefix.resize(levels.back());
            levels.pop_back();
            continue;
        }
        const std::string tag = doc.TagName().ToUtf8();
        std::string line = prefix + tag;
        for (const auto& [name, value] : doc.Attributes()) {
            line += ' ';
            line += name.ToUtf8();
            line += "=\"";
            line += QuoteValue(value);
            line += '"';
        }
        WriteLine(line);
        levels.push_back(prefix.size());
        prefix += tag;
        prefix += '/';
        doc.EnterElement();
    }
    return std::fflush(stdout) == 0 ? kExitRead : kExitUnreadable;
}
