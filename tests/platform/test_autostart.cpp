#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Autostart.h"
#include "tests/support/TestEnv.h"
#include "ui/core/Manager.h"

namespace {

TEST(AutostartTest, ExecIsQuotedAsDesktopEntriesRequire) {
    struct {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/usr/bin/tastra", "/usr/bin/tastra"},
        {"/opt/My Apps/tastra", "\"/opt/My Apps/tastra\""},
        {"/opt/100%/tastra", "/opt/100%%/tastra"},
        {"/opt/it's/tastra", "\"/opt/it's/tastra\""},
        // Inside quotes " ` $ \ take a backslash, and the string escapes
        // double every backslash again.
        {"/opt/a$b/tastra", "\"/opt/a\\\\$b/tastra\""},
        {"/opt/a\"b/tastra", "\"/opt/a\\\\\"b/tastra\""},
        {"/opt/a\\b/tastra", "\"/opt/a\\\\\\\\b/tastra\""},
        {"/opt/a\nb/tastra", "\"/opt/a\\nb/tastra\""},
        {"/opt/Ünïcode/tastra", "/opt/Ünïcode/tastra"},
    };
    for (auto& c : cases) EXPECT_EQ(autostart::ExecValue(CString::FromUtf8(c.path)).ToUtf8(), c.exec) << c.path;
}

TEST(AutostartTest, EnableDisableAndEnableAgain) {
    std::string config = testenv::MakeTempDir("config");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    Manager::SetDeviceName(u"Tastra");
    const std::string entry = config + "/autostart/Tastra.desktop";
    EXPECT_EQ(autostart::EntryPath().ToUtf8(), entry);
    EXPECT_FALSE(autostart::IsEnabled());

    ASSERT_TRUE(autostart::Enable(u"/opt/My Apps/tastra", u"Evil\nExec=rm -rf ~"));
    EXPECT_TRUE(autostart::IsEnabled());
    std::string text = testenv::ReadFile(entry);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nExec=\"/opt/My Apps/tastra\"\n"), std::string::npos) << text;
    // A line break in the name cannot add a line of its own.
    EXPECT_NE(text.find("\nName=Evil\\nExec=rm -rf ~\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\nExec=rm"), std::string::npos) << text;

    EXPECT_TRUE(autostart::Disable());
    EXPECT_FALSE(autostart::IsEnabled());
    EXPECT_FALSE(testenv::FileExists(entry));
    EXPECT_TRUE(autostart::Disable());  // nothing left to remove is fine

    ASSERT_TRUE(autostart::Enable(u"/usr/bin/tastra", u"Tastra"));
    EXPECT_TRUE(autostart::IsEnabled());
    EXPECT_NE(testenv::ReadFile(entry).find("\nExec=/usr/bin/tastra\n"), std::string::npos);
    autostart::Disable();
}

}  // namespace
