// The document engine on in-memory text: parsing, the cursor, attribute
// reading and the writing operations.
#include <gtest/gtest.h>

#include <string>

#include "docs/XmlDoc.h"

namespace {

// Every element in document order as "path attr=value ...", walked with
// the cursor only.
std::string Outline(XmlDoc& doc) {
    std::string out;
    std::string prefix;
    std::vector<size_t> levels;
    while (true) {
        if (!doc.FindElement()) {
            if (!doc.LeaveElement()) break;
            prefix.resize(levels.back());
            levels.pop_back();
            continue;
        }
        out += prefix + doc.TagName().ToUtf8();
        for (const auto& [name, value] : doc.Attributes()) out += " " + name.ToUtf8() + "=" + value.ToUtf8();
        out += "\n";
        levels.push_back(prefix.size());
        prefix += doc.TagName().ToUtf8() + "/";
        EXPECT_TRUE(doc.EnterElement());
    }
    return out;
}

bool LogHas(const XmlDoc& doc, const char* word) {
    return doc.ResultLog().ToUtf8().find(std::string("<") + word) != std::string::npos;
}

}  // namespace

TEST(XmlDocParse, WellFormedDocumentsAndTheirIndex) {
    XmlDoc doc(
        u"<?xml version=\"1.0\"?>\r\n<!DOCTYPE config [ <!ENTITY x \"a>b\"> ]>\r\n<!-- head -->"
        u"<config version='2' note=\"a > b\">\r\n  <device.info name=\"K87\"><keyboard/></device.info>"
        u"<![CDATA[ <not_an_element/> ]]><?pi inside?><empty></empty></config>\r\n<!-- tail --><?pi?>\r\n");
    EXPECT_TRUE(doc.IsWellFormed()) << doc.ResultLog().ToUtf8();
    EXPECT_EQ(doc.ResultLog(), u"");
    EXPECT_EQ(Outline(doc),
              "config version=2 note=a > b\nconfig/device.info name=K87\nconfig/device.info/keyboard\nconfig/empty\n");
}

TEST(XmlDocParse, IllFormedDocumentsAreReportedAndStillIndexed) {
    struct Case {
        const char16_t* text;
        const char* logWord;
        const char* outline;
    } cases[] = {
        {u"<a/><b/>", "root_has_sibling", "a\nb\n"},
        {u"<r><a><b/><c></r>", "unended_start_tag", "r\nr/a\nr/b\nr/c\n"},
        {u"<r><a><b/></a></b></r>", "lone_end_tag", "r\nr/a\nr/a/b\n"},
        {u"<r><a>", "unended_start_tag", "r\na\n"},
        {u"", "no_root_element", ""},
        {u"just text", "no_root_element", ""},
        {u"<r/>trailing text", "text_outside_root", "r\n"},
        {u"<r>< b/></r>", "first_tag_syntax", "r\n"},
        {u"<r><!x></r>", "exclamation_tag_syntax", "r\n"},
        {u"<r><!-x></r>", "comment_tag_syntax", "r\n"},
        {u"<r><![CDAT[x]]></r>", "cdata_section_syntax", "r\n"},
        {u"<!DOCTYPEr><r/>", "doctype_tag_syntax", "r\n"},
        {u"<r><a x='>", "unterminated_tag_syntax type=\"start_tag\"", "r\n"},
        {u"<r></r", "unterminated_tag_syntax type=\"end_tag\"", "r\n"},
        {u"<r><![CDATA[x", "unterminated_tag_syntax type=\"cdata_section\"", "r\n"},
        {u"<r/><?pi", "unterminated_tag_syntax type=\"processing_instruction\"", "r\n"},
        {u"<r/><!-- x", "unterminated_tag_syntax type=\"comment\"", "r\n"},
        {u"<!DOCTYPE r [ <!ELEMENT r ANY> <r/>", "unterminated_tag_syntax type=\"document_type\"", ""},
        {u"<r/><", "unterminated_tag_syntax type=\"tag\"", "r\n"},
    };
    for (const auto& c : cases) {
        XmlDoc doc;
        EXPECT_FALSE(doc.SetDocumentText(c.text)) << c.logWord;
        EXPECT_FALSE(doc.IsWellFormed());
        EXPECT_NE(doc.ResultLog().ToUtf8().find(std::string("<") + c.logWord), std::string::npos)
            << c.logWord << ": " << doc.ResultLog().ToUtf8();
        EXPECT_EQ(Outline(doc), c.outline) << c.logWord;
    }
}

TEST(XmlDocParse, UnendedElementHandsItsContentToItsParent) {
    XmlDoc doc(u"<r><a x='1'><b/><c><d/></r>");
    EXPECT_FALSE(doc.IsWellFormed());
    ASSERT_TRUE(doc.FindElement(u"r"));
    ASSERT_TRUE(doc.EnterElement());
    // a and c lost their content; b and d follow them as siblings.
    std::string names;
    while (doc.FindElement()) names += doc.TagName().ToUtf8();
    EXPECT_EQ(names, "abcd");
    doc.LeaveElement();
    EXPECT_EQ(doc.TagName(), u"r");
    EXPECT_FALSE(doc.FindElement());  // still the only root
}

TEST(XmlDocCursor, FindElementWalksSiblingsOfOneNameThenStays) {
    XmlDoc doc(u"<r><k n='1'/><x/><k n='2'><k n='inner'/></k><k n='3'/></r>");
    ASSERT_TRUE(doc.FindElement(u"r"));
    EXPECT_FALSE(doc.LeaveElement());  // no parent at the document level
    ASSERT_TRUE(doc.EnterElement());
    std::string seen;
    while (doc.FindElement(u"k")) seen += doc.AttributeValue(u"n").ToUtf8();
    EXPECT_EQ(seen, "123");
    EXPECT_EQ(doc.AttributeValue(u"n"), u"3");
    EXPECT_FALSE(doc.FindElement(u"K"));  // names compare exactly
    EXPECT_EQ(doc.AttributeValue(u"n"), u"3");

    // LeaveElement remembers the child, so EnterElement returns to it.
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.TagName(), u"r");
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.AttributeValue(u"n"), u"3");

    XmlDoc empty;
    EXPECT_FALSE(empty.FindElement());
    EXPECT_FALSE(empty.EnterElement());
    EXPECT_EQ(empty.AttributeValue(u"n"), u"");
    EXPECT_EQ(empty.TagName(), u"");
}

TEST(XmlDocAttributes, ValuesAreUnescaped) {
    struct Case {
        const char16_t* raw;
        std::u16string value;
    } cases[] = {
        {u"&#65;&#x41;&#X41;&#0065;", u"AAAA"},
        {u"&nbsp;", u"\u00A0"},
        {u"&unknown;", u"&unknown;"},
        {u"&lt;&amp;&gt;&quot;&apos;", u"<&>\"'"},
        {u"&AMP;&Lt;&NBSP;", u"&<\u00A0"},            // other spellings fold capitals
        {u"&Oslash;&oslash;&OSLASH;", u"\u00D8\u00F8\u00F8"},  // both forms exist: spelling decides
        {u"&lArr;&larr;&Dagger;&dagger;", u"\u21D0\u2190\u2021\u2020"},
        {u"&thetasym;&euro;&hellip;", u"\u03D1\u20AC\u2026"},
        {u"&#x1F600;", u"\U0001F600"},
        {u"&#0;&#x110000;&#xD800;&#57343;", u"&#0;&#x110000;&#xD800;&#57343;"},
        {u"&#99999999999999999999999;&#x100000000041;", u"&#99999999999999999999999;&#x100000000041;"},
        {u"&#;&#x;&#65&amp&;& ;&abcdefghi;", u"&#;&#x;&#65&amp&;& ;&abcdefghi;"},
        {u"a\tb\nc", u"a\tb\nc"},
    };
    for (const auto& c : cases) {
        std::u16string text = u"<a v=\"" + std::u16string(c.raw) + u"\"/>";
        XmlDoc doc(text.c_str());
        ASSERT_TRUE(doc.FindElement());
        EXPECT_EQ(doc.AttributeValue(u"v").str(), c.value) << CString(c.raw).ToUtf8();
    }
}

TEST(XmlDocAttributes, QuotingDuplicatesAndLookups) {
    XmlDoc doc(u"<a one='x\"y' two=\"p'q\" three = bare dup='1' flag dup='2' x:y='ns'/>");
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.AttributeValue(u"one"), u"x\"y");
    EXPECT_EQ(doc.AttributeValue(u"two"), u"p'q");
    EXPECT_EQ(doc.AttributeValue(u"three"), u"bare");
    EXPECT_EQ(doc.AttributeValue(u"dup"), u"1");
    EXPECT_EQ(doc.AttributeValue(u"flag"), u"");
    EXPECT_EQ(doc.AttributeValue(u"x:y"), u"ns");
    EXPECT_EQ(doc.AttributeValue(u"missing"), u"");
    EXPECT_EQ(doc.AttributeValue(u""), u"");
    auto all = doc.Attributes();
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[4].first, u"dup");
    EXPECT_EQ(all[4].second, u"2");
    EXPECT_EQ(doc.AttributeName(4), u"dup");
    EXPECT_EQ(doc.AttributeValueAt(4), u"2");
    EXPECT_EQ(doc.AttributeName(6), u"");
}

TEST(XmlDocWrite, DocumentIsOneElementPerLineWithCrLf) {
    XmlDoc doc(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    ASSERT_TRUE(doc.AppendElement(u"profiles"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AppendElement(u"profile"));
    ASSERT_TRUE(doc.SetAttributeValue(u"id", 1));
    ASSERT_TRUE(doc.SetAttributeValue(u"name", u"Game"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AppendElement(u"key"));
    ASSERT_TRUE(doc.SetAttributeValue(u"key_code", 41));
    ASSERT_TRUE(doc.AppendElement(u"key"));
    ASSERT_TRUE(doc.SetAttributeValue(u"key_code", -7));
    ASSERT_TRUE(doc.LeaveElement());
    // Replacing values of an element moves its content and what follows.
    ASSERT_TRUE(doc.SetAttributeValue(u"name", u"A much longer name"));
    ASSERT_TRUE(doc.SetAttributeValue(u"id", u""));
    // The index followed the edits: the remembered child is read in place.
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.TagName(), u"key");
    EXPECT_EQ(doc.AttributeValue(u"key_code"), u"-7");
    ASSERT_TRUE(doc.LeaveElement());
    ASSERT_TRUE(doc.AppendElement(u"profile"));
    ASSERT_TRUE(doc.SetAttributeValue(u"id", 2));
    EXPECT_EQ(doc.DocumentText(),
              u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              u"<profiles>\r\n"
              u"<profile id=\"\" name=\"A much longer name\">\r\n"
              u"<key key_code=\"41\"/>\r\n"
              u"<key key_code=\"-7\"/>\r\n"
              u"</profile>\r\n"
              u"<profile id=\"2\"/>\r\n"
              u"</profiles>\r\n");
    EXPECT_EQ(doc.AttributeValue(u"id"), u"2");
    XmlDoc fresh(doc.DocumentText());
    EXPECT_TRUE(fresh.IsWellFormed());
    EXPECT_EQ(Outline(fresh), "profiles\nprofiles/profile id= name=A much longer name\nprofiles/profile/key key_code=41\n"
                              "profiles/profile/key key_code=-7\nprofiles/profile id=2\n");
}

TEST(XmlDocWrite, EveryEscapedCharacterRoundTrips) {
    const std::u16string value = u"<tag attr=\"v\" other='w'> & &amp; &#65; \u00E9\u20AC\U0001F600 \t";
    XmlDoc doc(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    ASSERT_TRUE(doc.AppendElement(u"r"));
    ASSERT_TRUE(doc.SetAttributeValue(u"v", value.c_str()));
    const std::string text = doc.DocumentText().ToUtf8();
    EXPECT_NE(text.find("&lt;tag attr=&quot;v&quot; other=&apos;w&apos;&gt; &amp; &amp;amp; &amp;#65;"),
              std::string::npos)
        << text;
    XmlDoc back(doc.DocumentText());
    ASSERT_TRUE(back.FindElement(u"r"));
    EXPECT_EQ(back.AttributeValue(u"v").str(), value);
}

TEST(XmlDocWrite, AppendInsideParsedDocuments) {
    // After main in the middle of siblings, into an element with an end tag
    // and no children, and into an element with text content.
    XmlDoc doc(u"<r>\r\n<a/>\r\n<c/>\r\n<e></e>\r\n</r>\r\n");
    ASSERT_TRUE(doc.FindElement(u"r"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindElement(u"a"));
    ASSERT_TRUE(doc.AppendElement(u"b"));
    ASSERT_TRUE(doc.FindElement(u"c"));
    ASSERT_TRUE(doc.FindElement(u"e"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AppendElement(u"f", u"x<y"));
    ASSERT_TRUE(doc.SetAttributeValue(u"n", 1));
    EXPECT_EQ(doc.DocumentText(), u"<r>\r\n<a/>\r\n<b/>\r\n<c/>\r\n<e>\r\n<f n=\"1\">x&lt;y</f>\r\n</e>\r\n</r>\r\n");
    EXPECT_TRUE(XmlDoc(doc.DocumentText()).IsWellFormed());

    EXPECT_FALSE(doc.AppendElement(u""));
    EXPECT_FALSE(doc.AppendElement(u"bad name"));
    EXPECT_FALSE(doc.SetAttributeValue(u"a=b", u"x"));
    XmlDoc none;
    EXPECT_FALSE(none.SetAttributeValue(u"a", u"x"));  // no main element

    // Odd start tags keep every attribute readable after an edit: a
    // dangling "=" does not take the new attribute, and an unquoted value
    // ends where a quote begins.
    for (const char16_t* odd : {u"<a x= >", u"<a x=/>", u"<a x=t\"y z\" w='1'/>"}) {
        XmlDoc d(odd);
        ASSERT_TRUE(d.FindElement()) << CString(odd).ToUtf8();
        ASSERT_TRUE(d.SetAttributeValue(u"n", u"v"));
        EXPECT_EQ(d.AttributeValue(u"n"), u"v") << d.DocumentText().ToUtf8();
        EXPECT_TRUE(d.Attributes().front().first == u"x");
    }
}

TEST(XmlDocHostile, DeepNestingLongTagsAndManyLoneEndTags) {
    // Nesting deeper than any call stack would survive.
    constexpr int kDepth = 1'000'000;
    std::u16string deep;
    for (int i = 0; i < kDepth; ++i) deep += u"<a>";
    for (int i = 0; i < kDepth; ++i) deep += u"</a>";
    XmlDoc doc(deep.c_str());
    EXPECT_TRUE(doc.IsWellFormed());
    int depth = 0;
    while (doc.FindElement(u"a") && doc.EnterElement()) ++depth;
    EXPECT_EQ(depth, kDepth);

    // A start and an end tag longer than 22 and 10 bits of length.
    const std::u16string longValue((1u << 22) + 5, u'v');
    const std::u16string longName((1u << 10) + 5, u'n');
    std::u16string text = u"<r><" + longName + u" v=\"" + longValue + u"\"></" + longName + u"><after x='1'/></r>";
    XmlDoc big(text.c_str());
    EXPECT_TRUE(big.IsWellFormed()) << big.ResultLog().ToUtf8();
    ASSERT_TRUE(big.FindElement(u"r"));
    ASSERT_TRUE(big.EnterElement());
    ASSERT_TRUE(big.FindElement(longName.c_str()));
    EXPECT_EQ(big.AttributeValue(u"v").GetLength(), static_cast<int>(longValue.size()));
    ASSERT_TRUE(big.FindElement());
    EXPECT_EQ(big.TagName(), u"after");
    EXPECT_EQ(big.AttributeValue(u"x"), u"1");

    // Deep open elements and a flood of unmatched end tags: each end tag
    // must find its element (or none) without walking the whole nesting.
    constexpr int kOpen = 300'000;
    std::u16string flood;
    for (int i = 0; i < kOpen; ++i) flood += u"<a>";
    for (int i = 0; i < kOpen; ++i) flood += u"</b>";
    XmlDoc lone(flood.c_str());
    EXPECT_FALSE(lone.IsWellFormed());
    EXPECT_TRUE(LogHas(lone, "lone_end_tag"));
    EXPECT_LE(lone.ResultLog().GetLength(), 1000 + 200);  // the log stops growing
    int count = 0;
    while (lone.FindElement()) ++count;
    EXPECT_EQ(count, kOpen);  // every unended element ends at the document level
}
