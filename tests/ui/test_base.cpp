#include <gtest/gtest.h>

#include "ui/base/CString.h"
#include "ui/base/Geometry.h"

TEST(CStringTest, Utf8RoundTripKeepsEveryPlane) {
    const std::string text = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z";  // a é 中 😀 z
    CString s = CString::FromUtf8(text);
    EXPECT_EQ(s.GetLength(), 6);  // the emoji is a surrogate pair
    EXPECT_EQ(s.ToUtf8(), text);
}

TEST(CStringTest, InvalidInputBecomesReplacementCharacters) {
    struct Case {
        std::string in;
        std::u16string out;
    } cases[] = {
        {"\xFF", u"\uFFFD"},
        {"a\xC3", u"a\uFFFD"},            // truncated sequence
        {"\xC0\xAF", u"\uFFFD"},          // overlong form of "/"
        {"\xED\xA0\x80", u"\uFFFD"},      // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},  // above U+10FFFF
    };
    for (const auto& c : cases) EXPECT_EQ(CString::FromUtf8(c.in).str(), c.out) << c.in.size();
    // An unpaired surrogate in UTF-16 becomes U+FFFD in UTF-8.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(CStringTest, SearchAndSlicing) {
    CString s(u"VID_1209&PID_0002&MI_03");
    EXPECT_EQ(s.Find(u"&MI_03"), 17);
    EXPECT_EQ(s.Find(u"nothing"), -1);
    EXPECT_EQ(s.Find(u'&', 9), 17);
    EXPECT_EQ(s.Mid(4, 4), CString(u"1209"));
    EXPECT_EQ(s.Mid(100), CString());
    EXPECT_EQ(s.Right(2), CString(u"03"));
    EXPECT_EQ(s.Left(3), CString(u"VID"));
    EXPECT_EQ(CString(u"AbC").CompareNoCase(u"aBc"), 0);
    CString t(u"  x y  ");
    EXPECT_EQ(t.Trim(), CString(u"x y"));
    CString r(u"a\\b\\\\c");
    EXPECT_EQ(r.Replace(u"\\", u"/"), 3);
    EXPECT_EQ(r, CString(u"a/b//c"));
}

TEST(GeometryTest, RightAndBottomAreExclusive) {
    CRect r(10, 20, 30, 40);
    EXPECT_EQ(r.Width(), 20);
    EXPECT_TRUE(r.PtInRect({10, 20}));
    EXPECT_FALSE(r.PtInRect({30, 25}));
    EXPECT_FALSE(r.PtInRect({15, 40}));
    CRect i;
    EXPECT_FALSE(i.IntersectRect(r, CRect(30, 20, 40, 40)));
    EXPECT_TRUE(i.IsRectNull());
    EXPECT_TRUE(i.IntersectRect(r, CRect(25, 35, 50, 50)));
    EXPECT_EQ(i, CRect(25, 35, 30, 40));
    CRect u;
    u.UnionRect(r, CRect());
    EXPECT_EQ(u, r);
}
