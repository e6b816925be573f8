#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "app/IniFile.h"
#include "app/Language.h"
#include "tests/support/TestEnv.h"

// Readable failure messages for the UTF-16 strings.
void PrintTo(const CString& text, std::ostream* out) {
    *out << '"' << text.ToUtf8() << '"';
}

namespace {

TEST(IniFileTest, LookupFollowsTheProfileRules) {
    const std::string bom = "\xEF\xBB\xBF";
    struct {
        const char* what;
        std::string content;
        const char16_t* key;
        const char16_t* expected;  // nullptr = not found
    } cases[] = {
        {"plain", "[KB.DIALOG]\r\n1=Hello\r\n", u"1", u"Hello"},
        {"section without case", "[kb.Dialog]\n1=Hello\n", u"1", u"Hello"},
        {"byte-order mark", bom + "[KB.DIALOG]\n1=Hello\n", u"1", u"Hello"},
        {"blanks trimmed", "  [ KB.DIALOG ]  \n  1  =  Hello world \t\r\n", u"1", u"Hello world"},
        {"double quotes removed once", "[KB.DIALOG]\n1=\"  padded \"\n", u"1", u"  padded "},
        {"single quotes removed", "[KB.DIALOG]\n1='x'\n", u"1", u"x"},
        {"unmatched quotes kept", "[KB.DIALOG]\n1=\"x'\n", u"1", u"\"x'"},
        {"one quote kept", "[KB.DIALOG]\n1=\"\n", u"1", u"\""},
        {"first duplicate wins", "[KB.DIALOG]\n1=first\n1=second\n", u"1", u"first"},
        {"equals in the value", "[KB.DIALOG]\n1=a=b\n", u"1", u"a=b"},
        {"empty value", "[KB.DIALOG]\n1=\n", u"1", u""},
        {"UTF-8 text", "[KB.DIALOG]\n7=Paramètres 设置\n", u"7", u"Paramètres 设置"},
        {"later section of the same name", "[KB.DIALOG]\n1=a\n[X]\n[KB.DIALOG]\n2=b\n", u"2", u"b"},
        {"key of another section", "[OTHER]\n1=x\n[KB.DIALOG]\n2=y\n", u"1", nullptr},
        {"key before any section", "1=x\n[KB.DIALOG]\n", u"1", nullptr},
        {"no such key", "[KB.DIALOG]\n10=x\n", u"1", nullptr},
        {"comment line", "[KB.DIALOG]\n;1=x\n", u";1", nullptr},
        {"binary garbage", std::string("\0\xff[KB.DIALOG\x01\n1=\xc3", 18), u"1", nullptr},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        CString value = u"<unset>";
        bool found = FindIniValue(c.content, u"KB.DIALOG", c.key, &value);
        EXPECT_EQ(found, c.expected != nullptr);
        if (c.expected) {
            EXPECT_EQ(value, CString(c.expected));
        }
    }
}

TEST(IniFileTest, LongTextsAreCutWithoutSplittingACharacter) {
    CString value;
    ASSERT_TRUE(FindIniValue("[S]\n1=" + std::string(300, 'x') + "\n", u"S", u"1", &value));
    EXPECT_EQ(value, CString(259, u'x'));
    // An emoji (two UTF-16 units) that would straddle the limit is dropped.
    ASSERT_TRUE(FindIniValue("[S]\n1=" + std::string(258, 'x') + "\xF0\x9F\x98\x80\n", u"S", u"1", &value));
    EXPECT_EQ(value, CString(258, u'x'));
}

class LanguageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_shippedRoot = testenv::DataRoot();
        m_root = testenv::MakeTempDir("root");
        mkdir((m_root + "/language").c_str(), 0755);
        setenv("TASTRA_DATA_ROOT", m_root.c_str(), 1);
    }
    void TearDown() override {
        setenv("TASTRA_DATA_ROOT", m_shippedRoot.c_str(), 1);
        g_languageId = kLanguageEnglish;
    }
    std::string m_shippedRoot;
    std::string m_root;
};

TEST_F(LanguageFileTest, TextsComeFromTheCurrentLanguageFileEachTime) {
    const std::string french = m_root + "/language/1036.lan";
    testenv::WriteFile(french, "[KB.DIALOG]\r\n1=Fermer\r\n");
    EXPECT_EQ(LanguageFilePath(1036).ToUtf8(), french);

    g_languageId = kLanguageFrench;
    EXPECT_EQ(LoadLanguageString(kDialogSection, 1), CString(u"Fermer"));
    EXPECT_EQ(LoadLanguageString(kDialogSection, 2), CString());
    EXPECT_EQ(LoadLanguageString(u"OTHER", 1), CString());
    // Not cached: an edited file is seen at the next lookup.
    testenv::WriteFile(french, "[KB.DIALOG]\r\n1=Quitter\r\n");
    EXPECT_EQ(LoadLanguageString(kDialogSection, 1), CString(u"Quitter"));

    // A language without a file, and a FIFO in place of a file (which must
    // not block), read as empty texts.
    g_languageId = 2052;
    EXPECT_EQ(LoadLanguageString(kDialogSection, 1), CString());
    ASSERT_EQ(mkfifo((m_root + "/language/2052.lan").c_str(), 0600), 0);
    EXPECT_EQ(LoadLanguageString(kDialogSection, 1), CString());
}

TEST_F(LanguageFileTest, ShippedFilesHoldTheCommonTexts) {
    // The real language files of the build, read through the same path.
    setenv("TASTRA_DATA_ROOT", m_shippedRoot.c_str(), 1);
    for (int id : {kLanguageEnglish, kLanguageFrench}) {
        g_languageId = id;
        EXPECT_FALSE(LoadLanguageString(kDialogSection, 1).IsEmpty()) << id;
    }
}

}  // namespace
