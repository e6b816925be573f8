#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "app/AppSettings.h"
#include "app/Language.h"
#include "tests/support/TestEnv.h"
#include "ui/core/Manager.h"

// Readable failure messages for the UTF-16 strings.
void PrintTo(const CString& text, std::ostream* out) {
    *out << '"' << text.ToUtf8() << '"';
}

namespace {

class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_config = testenv::MakeTempDir("config");
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
        Manager::SetDeviceName(u"Tastra");
        for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(var);
    }
    void TearDown() override { g_languageId = kLanguageEnglish; }

    std::string File() const { return m_config + "/Tastra/settings.ini"; }
    void WriteRaw(const std::string& bytes) const {
        mkdir((m_config + "/Tastra").c_str(), 0700);
        testenv::WriteFile(File(), bytes);
    }
    std::string m_config;
};

TEST_F(AppSettingsTest, IntegersReadAsDecimalText) {
    struct {
        const char16_t* text;
        int value;
    } cases[] = {
        {u"2", 2},
        {u"  12abc", 12},
        {u"abc", 0},
        {u"-3", -3},
        {u"+7", 7},
        {u"", 0},
        {u"0x10", 0},
        {u"99999999999", INT_MAX},
        {u"-99999999999", INT_MIN},
    };
    for (auto& c : cases) EXPECT_EQ(ParseDecimal(c.text), c.value) << CString(c.text).ToUtf8();

    // A missing store is created on the first read.
    EXPECT_EQ(ReadRegistryInt(u"exit_mode"), 0);
    EXPECT_TRUE(testenv::FileExists(File()));
    WriteRegistryString(u"exit_mode", u"2");
    EXPECT_EQ(ReadRegistryInt(u"exit_mode"), 2);
    WriteRegistryString(u"exit_mode", u"x");
    EXPECT_EQ(ReadRegistryInt(u"exit_mode"), 0);
}

TEST_F(AppSettingsTest, FirstRunStoresTheLanguageOfTheLocale) {
    struct {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        int expected;
    } cases[] = {
        {nullptr, nullptr, "en_US.UTF-8", kLanguageEnglish},
        {nullptr, nullptr, "de_DE.UTF-8", kLanguageFrench},
        {nullptr, nullptr, "fr_FR.UTF-8", kLanguageFrench},
        {nullptr, nullptr, "zh_CN.UTF-8", kLanguageFrench},
        {nullptr, nullptr, "C", kLanguageEnglish},
        {nullptr, nullptr, "C.UTF-8", kLanguageEnglish},
        {nullptr, nullptr, "POSIX", kLanguageEnglish},
        {nullptr, nullptr, nullptr, kLanguageEnglish},
        {"de_DE.UTF-8", "en_US.UTF-8", "en_US.UTF-8", kLanguageFrench},  // LC_ALL first
        {"", "en_GB.UTF-8", "fr_FR.UTF-8", kLanguageEnglish},            // empty means unset
        {nullptr, "", "es_ES.UTF-8", kLanguageFrench},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string(c.lcAll ? c.lcAll : "-") + "/" + (c.lcMessages ? c.lcMessages : "-") + "/" +
                     (c.lang ? c.lang : "-"));
        unlink(File().c_str());
        const char* vars[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
        const char* values[] = {c.lcAll, c.lcMessages, c.lang};
        for (int i = 0; i < 3; ++i) values[i] ? setenv(vars[i], values[i], 1) : unsetenv(vars[i]);
        EXPECT_EQ(ReadLanguageSetting(), 0);
        EXPECT_EQ(ChooseStartupLanguage(), c.expected);
        EXPECT_EQ(g_languageId.load(), c.expected);
        EXPECT_EQ(ReadRegistryInt(u"LCID"), c.expected);
        // The next start keeps it, whatever the locale says then.
        setenv("LC_ALL", c.expected == kLanguageEnglish ? "fr_FR" : "en_US", 1);
        EXPECT_EQ(ChooseStartupLanguage(), c.expected);
    }
}

TEST_F(AppSettingsTest, StoredLanguageIsUsedAsItIs) {
    setenv("LANG", "en_US.UTF-8", 1);
    struct {
        const char* file;
        int expected;
        const char* after;  // file content after start-up
    } cases[] = {
        {"LCID=1036\r\n", 1036, "LCID=1036\r\n"},
        {"LCID=2052\r\n", 2052, "LCID=2052\r\n"},  // not checked against the known two
        // A store without the value, or with a damaged one, is a first run.
        {"exit_mode=1\r\n", 1033, "exit_mode=1\r\nLCID=1033\r\n"},
        {"LCID=abc\r\nexit_mode=1\r\n", 1033, "LCID=1033\r\nexit_mode=1\r\n"},
        {"", 1033, "LCID=1033\r\n"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.file);
        WriteRaw(c.file);
        EXPECT_EQ(ChooseStartupLanguage(), c.expected);
        EXPECT_EQ(testenv::ReadFile(File()), c.after);
    }
}

TEST_F(AppSettingsTest, UnopenableStoreMeansEnglishAndNoWrites) {
    setenv("LANG", "de_DE.UTF-8", 1);
    mkdir((m_config + "/Tastra").c_str(), 0700);
    mkdir(File().c_str(), 0700);  // a folder where the file should be
    EXPECT_EQ(ReadLanguageSetting(), kLanguageEnglish);
    EXPECT_EQ(ChooseStartupLanguage(), kLanguageEnglish);
    EXPECT_EQ(ReadRegistryInt(u"exit_mode"), 0);
    WriteRegistryString(u"exit_mode", u"1");
    struct stat st {};
    ASSERT_EQ(stat(File().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    // A store that cannot even be created (its folder's place is taken by a
    // file) also means English.
    testenv::WriteFile(m_config + "/Blocked", "");
    Manager::SetDeviceName(u"Blocked");
    EXPECT_EQ(ChooseStartupLanguage(), kLanguageEnglish);
    Manager::SetDeviceName(u"Tastra");
}

}  // namespace
