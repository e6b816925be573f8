// XmlDoc: the XML document engine behind every XML file the program reads or
// writes (config.xml, the layout files, the profile and macro exchange files).
//
// The whole document is one UTF-16 text in memory plus an index of element
// positions into it. A cursor walks the index:
//   parent  the element whose children are being walked (0 = document level)
//   main    the current element among them (0 = none yet)
//   child   the remembered position inside main, used by EnterElement
// It is not a validating parser: it accepts what it can, records every
// problem in the result log and reports whether the document is well formed.
//
// Reading:
//     XmlDoc doc;
//     if (!doc.LoadDocumentFile(path)) return;           // read + Parse
//     while (doc.FindElement(u"keyboard")) {
//         int type = ...doc.AttributeValue(u"type")...;
//         doc.EnterElement(); ... doc.LeaveElement();
//     }
// Writing:
//     XmlDoc doc(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
//     doc.AppendElement(u"profiles"); doc.EnterElement();
//     doc.AppendElement(u"profile"); doc.SetAttributeValue(u"id", 3);
//     doc.LeaveElement();
//     XmlDoc::WriteDocumentFile(path, doc.DocumentText());
//
// A document belongs to the thread that made it; nothing is shared between
// documents.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "ui/base/CString.h"

class XmlDoc {
public:
    // Document flags (DocumentFlags(), the inout flags of the file calls).
    static constexpr int kUtf16LeFile = 0x01;    // file is UTF-16 little-endian
    static constexpr int kUtf8BomFile = 0x04;    // file has a UTF-8 byte-order mark
    // 0x08 (tag names compared ignoring case) is reserved: names always
    // compare exactly here.
    static constexpr int kReadFileMode = 0x10;   // streaming read (never entered here)
    static constexpr int kWriteFileMode = 0x20;  // streaming write (never entered here)
    static constexpr int kAppendFile = 0x40;     // WriteDocumentFile appends
    static constexpr int kUtf16BeFile = 0x80;    // file is UTF-16 big-endian

    // Files are held whole in memory; larger ones are refused ("file_error").
    static constexpr long long kMaxFileBytes = 64LL * 1024 * 1024;

    // Element position flags (ElementPos::flags).
    static constexpr uint32_t kElemUnended = 0x100000;     // start tag never ended
    static constexpr uint32_t kDocIllFormed = 0x800000;    // on entry 0 only

    // Empty text, empty log, cursor at the document level.
    XmlDoc();
    // The same, then SetDocumentText(text).
    explicit XmlDoc(const char16_t* text);

    // Replaces the text (null = empty), clears the result log and parses;
    // returns Parse()'s answer. Does nothing and returns false in read-file
    // or write-file mode.
    bool SetDocumentText(const char16_t* text);

    // Rebuilds the element index from the text, resets the cursor to the
    // document level and appends the parse problems to the result log. True
    // when the document is well formed: one root element, nothing after it but
    // comments, processing instructions and white space, no ill-formed element.
    bool Parse();

    // Reads a whole file into UTF-16 text, detecting the encoding from a
    // byte-order mark, the declaration or a UTF-8 test. False (with
    // "file_error" in the log) when the file cannot be opened or read, is not
    // a regular file or is larger than kMaxFileBytes. The flags given are
    // merged with read-file mode for the read; the encoding flags found
    // (kUtf8BomFile, kUtf16LeFile, kUtf16BeFile) are handed back.
    static bool ReadDocumentFile(const CString& path, CString& text, CString* resultLog = nullptr,
                                 int* documentFlags = nullptr);
    // Writes the text as a file in the encoding its declaration names (UTF-8
    // when none). A byte-order mark is written only when the flags ask for
    // one (kUtf8BomFile, else kUtf16LeFile, else kUtf16BeFile; the UTF-16
    // flags also choose that encoding) and the file is not appended to.
    static bool WriteDocumentFile(const CString& path, const CString& text, CString* resultLog = nullptr,
                                  int* documentFlags = nullptr);

    // ReadDocumentFile into this document's text, log and flags, then Parse.
    // False when either fails (an ill-formed document is still indexed).
    bool LoadDocumentFile(const CString& path);
    // WriteDocumentFile of this document's text with its flags, the records
    // going to its result log.
    bool SaveDocumentFile(const CString& path);

    // Cursor. Moves main to the next sibling after main (the first child of
    // parent when main is 0) whose tag name equals name (exact; empty or null
    // matches any element). On success child is reset to 0; on failure the
    // cursor does not move.
    bool FindElement(const char16_t* name = nullptr);
    // parent := main, main := child, child := 0. Needs a main element.
    bool EnterElement();
    // child := main, main := parent, parent := parent's parent. Needs a parent.
    bool LeaveElement();

    // The unescaped value of attribute name of main (the first one when it is
    // repeated); empty when main is 0 or the attribute is absent.
    [[nodiscard]] CString AttributeValue(const char16_t* name) const;
    // The tag name of main; empty when main is 0.
    [[nodiscard]] CString TagName() const;
    // Main's attributes in the order of its start tag, duplicates included:
    // the name and unescaped value of the index-th (from 0); empty past the end.
    [[nodiscard]] CString AttributeName(int index) const;
    [[nodiscard]] CString AttributeValueAt(int index) const;
    // All of main's attributes (name, unescaped value) in one pass.
    [[nodiscard]] std::vector<std::pair<CString, CString>> Attributes() const;

    // Adds an empty element inside parent, right after main (after parent's
    // last child when main is 0) and makes it main: the element on a line of
    // its own ended by CR LF; an empty parent is opened into a start tag, the
    // new line and its end tag. An optional content becomes the element's
    // escaped text. False in read-file mode or for a name that cannot be a
    // tag name.
    bool AppendElement(const char16_t* name, const char16_t* content = nullptr);
    // Sets an attribute of main, replacing the first existing value or adding
    // it at the end of the start tag; the value is escaped and double-quoted.
    // False when main is 0 or the name cannot be an attribute name.
    bool SetAttributeValue(const char16_t* name, const char16_t* text);
    bool SetAttributeValue(const char16_t* name, int value);

    [[nodiscard]] const CString& DocumentText() const noexcept { return m_text; }
    [[nodiscard]] const CString& ResultLog() const noexcept { return m_resultLog; }
    [[nodiscard]] int DocumentFlags() const noexcept { return m_documentFlags; }
    // Whether the last Parse found the document well formed.
    [[nodiscard]] bool IsWellFormed() const noexcept;

    // Text helpers shared with the exchange-file code and the tests.
    // The five attribute escapes (&lt; &amp; &gt; &apos; &quot;).
    [[nodiscard]] static CString EscapeAttribute(const char16_t* text);
    // Numeric and named character references resolved; anything not
    // recognised stays as written.
    [[nodiscard]] static CString UnescapeText(std::u16string_view text);

private:
    // One element of the index. The tag lengths have fields of their own (not
    // packed), so a very long start or end tag can never wrap into another.
    struct ElementPos {
        int32_t start = 0;          // offset of the element's "<" in the text
        int32_t length = 0;         // up to and including the end tag
        int32_t startTagLength = 0;
        int32_t endTagLength = 0;   // 0 for an empty or unended element
        uint32_t flags = 0;
        int32_t parent = 0;
        int32_t firstChild = 0;
        int32_t nextSibling = 0;    // 0 = last
        int32_t prevSibling = 0;    // 0 = first
    };

    // The element index: pages of kPageSize entries, so growing it never
    // moves the pages already filled. Index = (page << 16) + slot.
    static constexpr int kPageBits = 16;
    static constexpr int kPageSize = 1 << kPageBits;
    [[nodiscard]] ElementPos& Elem(int index) noexcept {
        return m_pages[static_cast<size_t>(index >> kPageBits)][static_cast<size_t>(index & (kPageSize - 1))];
    }
    [[nodiscard]] const ElementPos& Elem(int index) const noexcept {
        return m_pages[static_cast<size_t>(index >> kPageBits)][static_cast<size_t>(index & (kPageSize - 1))];
    }
    void ResetIndex(int capacity);
    [[nodiscard]] int NewElement();

    [[nodiscard]] std::u16string_view StartTagView(int index) const;
    [[nodiscard]] bool NameMatches(int index, std::u16string_view name) const;
    void AdjustForEdit(int editPos, int oldLength, int newLength, int except);

    CString m_text;
    CString m_resultLog;
    int m_documentFlags = 0;
    int m_parent = 0;
    int m_main = 0;
    int m_child = 0;
    std::vector<std::vector<ElementPos>> m_pages;
    int m_elementCount = 0;
    int m_capacity = 0;
};
