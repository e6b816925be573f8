// Reading and writing XML files: byte-order marks, declarations, the UTF-8
// test, NUL removal, UTF-16 in both byte orders, code pages, unreadable
// paths.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "docs/XmlDoc.h"
#include "tests/support/TestEnv.h"

namespace {

CString Path(const std::string& p) { return CString::FromUtf8(p); }

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string out;
    for (char16_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        if (bigEndian)
            out += hi, out += lo;
        else
            out += lo, out += hi;
    }
    return out;
}

// Reads a file and hands back the text, log and flags.
struct ReadResult {
    bool ok = false;
    CString text;
    CString log;
    int flags = 0;
};
ReadResult Read(const std::string& path, int flags = 0) {
    ReadResult r;
    r.flags = flags;
    r.ok = XmlDoc::ReadDocumentFile(Path(path), r.text, &r.log, &r.flags);
    return r;
}

CString NameOfKeyboard(const CString& text) {
    XmlDoc doc(text.c_str());
    EXPECT_TRUE(doc.IsWellFormed()) << doc.ResultLog().ToUtf8();
    if (!doc.FindElement(u"config") || !doc.EnterElement() || !doc.FindElement(u"keyboard")) return u"(missing)";
    return doc.AttributeValue(u"name");
}

}  // namespace

TEST(XmlDocFile, EveryEncodingReadsToTheSameText) {
    const std::string dir = testenv::MakeTempDir("enc");
    // "K\u00E9\u20AC" for the Western files, "\u65E5\u672C" for Shift_JIS.
    const std::u16string body = u"<config>\r\n<keyboard name=\"K\u00E9\u20AC &amp; \U0001F600\"/>\r\n</config>\r\n";
    const std::string utf8 = Utf16ToUtf8(body);
    struct Case {
        const char* file;
        std::string bytes;
        int flags;
        const char* encodingLogged;
        std::u16string name;
    } cases[] = {
        {"bom.xml", "\xEF\xBB\xBF" + utf8, XmlDoc::kUtf8BomFile, "UTF-8", u"K\u00E9\u20AC & \U0001F600"},
        {"decl.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + utf8, 0, "utf-8", u"K\u00E9\u20AC & \U0001F600"},
        {"plain.xml", utf8, 0, "UTF-8", u"K\u00E9\u20AC & \U0001F600"},
        {"detected.xml", "\r\n  " + utf8, 0, "UTF-8", u"K\u00E9\u20AC & \U0001F600"},
        {"le.xml", "\xFF\xFE" + Utf16Bytes(body, false), XmlDoc::kUtf16LeFile, "UTF-16LE", u"K\u00E9\u20AC & \U0001F600"},
        {"be.xml", "\xFE\xFF" + Utf16Bytes(body, true), XmlDoc::kUtf16BeFile, "UTF-16BE", u"K\u00E9\u20AC & \U0001F600"},
        {"cp1252.xml",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<config>\r\n<keyboard name=\"K\xE9\x80 &amp; x\"/>\r\n</config>\r\n",
         0, "windows-1252", u"K\u00E9\u20AC & x"},
        {"sjis.xml",
         "<?xml version='1.0' encoding='Shift_JIS'?>\r\n<config>\r\n<keyboard name=\"\x93\xFA\x96\x7B\"/>\r\n</config>\r\n", 0,
         "Shift_JIS", u"\u65E5\u672C"},
        // No mark, no declaration, not UTF-8: the ANSI code page.
        {"ansi.xml", "\r\n<config><keyboard name=\"K\xE9\x80\"/></config>", 0, "ANSI", u"K\u00E9\u20AC"},
        // A name nobody knows converts as ANSI too.
        {"unknown.xml", "<?xml version=\"1.0\" encoding=\"x-nonsense\"?><config><keyboard name=\"\xE9\"/></config>", 0,
         "ANSI", u"\u00E9"},
        // A wide encoding declared in a file that reads as bytes is not
        // believed: the declaration itself proved the file a byte encoding.
        {"decl16.xml", "<?xml version='1.0' encoding='UTF-16'?><config><keyboard name=\"\xC3\xA9\"/></config>", 0,
         "UTF-8", u"\u00E9"},
        // The html rule: the charset of the Content-Type meta inside head.
        {"meta.xml",
         "<html><head><meta name=\"x\" content=\"charset=utf-8\"><meta http-equiv=\"content-type\" "
         "content=\"text/html; charset=iso-8859-1\"></head><config><keyboard name=\"\xE9\"/></config></html>",
         0, "iso-8859-1", u""},
    };
    for (const auto& c : cases) {
        const std::string path = dir + "/" + c.file;
        testenv::WriteFile(path, c.bytes);
        ReadResult r = Read(path, XmlDoc::kUtf16BeFile | XmlDoc::kAppendFile);  // stale flags are replaced
        ASSERT_TRUE(r.ok) << c.file;
        EXPECT_EQ(r.flags, c.flags | XmlDoc::kAppendFile) << c.file;
        EXPECT_NE(r.log.ToUtf8().find("encoding=\"" + std::string(c.encodingLogged) + "\""), std::string::npos)
            << c.file << ": " << r.log.ToUtf8();
        EXPECT_NE(r.log.ToUtf8().find("<read "), std::string::npos);
        if (std::string(c.file) == "meta.xml") {
            EXPECT_NE(r.text.Find(u"name=\"\u00E9\""), -1);
            continue;
        }
        EXPECT_EQ(NameOfKeyboard(r.text).str(), c.name) << c.file;
    }
    // The marks, the decoded units and the sizes are in the log.
    ReadResult be = Read(dir + "/be.xml");
    EXPECT_NE(be.log.ToUtf8().find("<bom encoding=\"UTF-16BE\"/>"), std::string::npos);
    EXPECT_NE(be.log.ToUtf8().find("<endian_swap/>"), std::string::npos);
    ReadResult plain = Read(dir + "/plain.xml");
    EXPECT_NE(plain.log.ToUtf8().find("<read encoding=\"UTF-8\" length=\"" + std::to_string(utf8.size()) + "\"/>"),
              std::string::npos)
        << plain.log.ToUtf8();
    EXPECT_EQ(plain.text.str(), body);
}

TEST(XmlDocFile, NulUnitsAreDropped) {
    const std::string dir = testenv::MakeTempDir("nul");
    testenv::WriteFile(dir + "/a.xml", std::string("<r\0 a='1\0'/>\0", 13));
    ReadResult r = Read(dir + "/a.xml");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.text, u"<r a='1'/>");
    EXPECT_NE(r.log.ToUtf8().find("<nulls_removed count=\"3\"/>"), std::string::npos) << r.log.ToUtf8();
    // A UTF-16 file loses whole zero units only.
    testenv::WriteFile(dir + "/b.xml", "\xFF\xFE" + Utf16Bytes(std::u16string(u"<r>\0\u0100</r>", 9), false));
    r = Read(dir + "/b.xml");
    EXPECT_EQ(r.text, u"<r>\u0100</r>");
}

TEST(XmlDocFile, UnreadablePathsFailWithFileError) {
    const std::string dir = testenv::MakeTempDir("bad");
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir + "/huge.xml";
    testenv::WriteFile(huge, "<r/>");
    ASSERT_EQ(truncate(huge.c_str(), XmlDoc::kMaxFileBytes + 1), 0);  // sparse
    const std::string paths[] = {dir + "/missing.xml", dir, fifo, huge, ""};
    for (const auto& p : paths) {
        ReadResult r = Read(p);
        EXPECT_FALSE(r.ok) << p;
        EXPECT_EQ(r.text, u"");
        EXPECT_EQ(r.log.Left(11), u"<file_error") << p;
        XmlDoc doc;
        EXPECT_FALSE(doc.LoadDocumentFile(Path(p)));
        EXPECT_FALSE(doc.FindElement());
    }
    // Exactly the limit is still read.
    ASSERT_EQ(truncate(huge.c_str(), XmlDoc::kMaxFileBytes), 0);
    EXPECT_TRUE(Read(huge).ok);
    // Writing where no file can be is refused the same way.
    CString log;
    EXPECT_FALSE(XmlDoc::WriteDocumentFile(Path(dir), u"<r/>", &log));
    EXPECT_NE(log.Find(u"<file_error"), -1);
    EXPECT_FALSE(XmlDoc::WriteDocumentFile(Path(fifo), u"<r/>", &log));  // no reader: no wait either
    EXPECT_FALSE(XmlDoc::WriteDocumentFile(Path(dir + "/no/such/folder.xml"), u"<r/>", &log));
}

TEST(XmlDocFile, WritingFollowsTheDeclarationAndTheFlags) {
    const std::string dir = testenv::MakeTempDir("write");
    const std::u16string value = u"<\"&'> \u00E9\u20AC\u65E5";

    XmlDoc doc(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    ASSERT_TRUE(doc.AppendElement(u"r"));
    ASSERT_TRUE(doc.SetAttributeValue(u"v", value.c_str()));
    CString log;
    ASSERT_TRUE(XmlDoc::WriteDocumentFile(Path(dir + "/u8.xml"), doc.DocumentText(), &log));
    const std::string u8 = testenv::ReadFile(dir + "/u8.xml");
    EXPECT_EQ(u8, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r v=\"&lt;&quot;&amp;&apos;&gt; \xC3\xA9\xE2\x82\xAC\xE6\x97\xA5\"/>\r\n");
    EXPECT_NE(log.ToUtf8().find("<write encoding=\"UTF-8\" length=\"" + std::to_string(u8.size()) + "\"/>"),
              std::string::npos);

    XmlDoc back;
    ASSERT_TRUE(back.LoadDocumentFile(Path(dir + "/u8.xml")));
    ASSERT_TRUE(back.FindElement(u"r"));
    EXPECT_EQ(back.AttributeValue(u"v").str(), value);

    // A code page: what it cannot hold becomes "?", and the log says so.
    XmlDoc west(u"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n");
    ASSERT_TRUE(west.AppendElement(u"r"));
    ASSERT_TRUE(west.SetAttributeValue(u"v", u"\u00E9\u20AC\u65E5\U0001F600"));
    log.Empty();
    ASSERT_TRUE(XmlDoc::WriteDocumentFile(Path(dir + "/west.xml"), west.DocumentText(), &log));
    EXPECT_NE(testenv::ReadFile(dir + "/west.xml").find("v=\"\xE9\x80??\""), std::string::npos);
    EXPECT_NE(log.Find(u"<conversion_loss"), -1);
    ReadResult r = Read(dir + "/west.xml");
    EXPECT_EQ(r.text, west.DocumentText().Left(west.DocumentText().Find(u"v=\"")) + u"v=\"\u00E9\u20AC??\"/>\r\n");

    // The UTF-16 flags choose that encoding and write its mark; the file
    // reads back to the same text with the same flag.
    for (int flag : {XmlDoc::kUtf16LeFile, XmlDoc::kUtf16BeFile, XmlDoc::kUtf8BomFile}) {
        int flags = flag;
        const std::string path = dir + "/flag" + std::to_string(flag) + ".xml";
        ASSERT_TRUE(XmlDoc::WriteDocumentFile(Path(path), doc.DocumentText(), nullptr, &flags));
        const std::string bytes = testenv::ReadFile(path);
        const char* mark = flag == XmlDoc::kUtf16LeFile ? "\xFF\xFE" : flag == XmlDoc::kUtf16BeFile ? "\xFE\xFF" : "\xEF\xBB\xBF";
        EXPECT_EQ(bytes.substr(0, std::string(mark).size()), mark);
        ReadResult again = Read(path);
        EXPECT_EQ(again.flags, flag);
        EXPECT_EQ(again.text, doc.DocumentText());
    }

    // Appending adds no mark.
    int flags = XmlDoc::kAppendFile | XmlDoc::kUtf8BomFile;
    ASSERT_TRUE(XmlDoc::WriteDocumentFile(Path(dir + "/u8.xml"), u"<!-- more -->", nullptr, &flags));
    EXPECT_EQ(testenv::ReadFile(dir + "/u8.xml"), u8 + "<!-- more -->");
}
