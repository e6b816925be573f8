// libFuzzer target for the XML engine. The first input byte picks how the
// rest becomes text (UTF-8, raw UTF-16 units, or a code page through the
// file decoder); the document is then parsed, walked whole with the cursor,
// every attribute read, and edited, checking what must hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "docs/XmlDoc.h"
#include "docs/XmlEncoding.h"

namespace {

constexpr int kCodePages[] = {0, 65001, 1252, 932, 936, 950, 949, 51949, 20866, 54936, 28591, 1200, 50220};

void Check(bool condition) {
    if (!condition) std::abort();
}

void Walk(XmlDoc& doc) {
    // Depth-first through the cursor; every step must be undoable.
    long steps = 0;
    while (true) {
        if (!doc.FindElement()) {
            if (!doc.LeaveElement()) break;
            continue;
        }
        ++steps;
        const CString tag = doc.TagName();
        Check(!tag.IsEmpty());
        const auto attributes = doc.Attributes();
        for (size_t k = 0; k < attributes.size() && k < 4; ++k) {
            Check(doc.AttributeName(static_cast<int>(k)) == attributes[k].first);
            Check(doc.AttributeValueAt(static_cast<int>(k)) == attributes[k].second);
        }
        if (!attributes.empty()) (void)doc.AttributeValue(attributes.front().first.c_str());
        (void)doc.AttributeValue(u"name");
        Check(doc.EnterElement());
    }
    (void)steps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    std::u16string text;
    switch (mode % 3) {
        case 0:
            text = Utf8ToUtf16(bytes);
            break;
        case 1:
            for (size_t k = 0; k + 1 < bytes.size(); k += 2)
                text += static_cast<char16_t>(static_cast<uint8_t>(bytes[k]) | (static_cast<uint8_t>(bytes[k + 1]) << 8));
            break;
        default: {
            (void)xmlencoding::IsValidUtf8(bytes, true);
            const std::u16string declared = xmlencoding::DeclaredEncoding(Utf8ToUtf16(bytes.substr(0, 1024)));
            int codePage = xmlencoding::CodePageOf(declared);
            if (!codePage) codePage = kCodePages[(mode / 3) % std::size(kCodePages)];
            text = xmlencoding::Decode(bytes, codePage);
            bool lossy = false;
            (void)xmlencoding::Encode(text, codePage, &lossy);
            break;
        }
    }

    // Text reaches the engine as C strings, and files lose their NULs.
    std::erase(text, u'\0');

    XmlDoc doc;
    const bool wellFormed = doc.SetDocumentText(text.c_str());
    Check(wellFormed == doc.IsWellFormed());
    Check(doc.ResultLog().GetLength() < 1000 + 512);
    Walk(doc);

    // Edits: a value set on the root reads back, and a well-formed document
    // stays well formed and indexed as a fresh parse would index it.
    XmlDoc edit(text.c_str());
    if (edit.FindElement()) {
        const std::u16string value = text.substr(0, 40);
        Check(edit.SetAttributeValue(u"fz", value.c_str()));
        Check(edit.AttributeValue(u"fz").str() == value);
        Check(edit.EnterElement());
        Check(edit.AppendElement(u"fz_child"));
        Check(edit.SetAttributeValue(u"n", static_cast<int>(size)));
        Check(edit.AttributeValue(u"n") == CString::FromInt(static_cast<long long>(size)));
        if (wellFormed) {
            XmlDoc again(edit.DocumentText().c_str());
            Check(again.IsWellFormed());
        }
    }
    return 0;
}
