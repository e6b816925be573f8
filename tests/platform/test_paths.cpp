#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Paths.h"
#include "tests/support/TestEnv.h"
#include "ui/core/Manager.h"

TEST(PathsTest, RelativeNamesAreNormalised) {
    struct {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {
        {u"icon\\icon_keyboard.png", u"icon/icon_keyboard.png"},
        {u"icon//icon_pc.png", u"icon/icon_pc.png"},
        {u"keyboard\\\\k87.png", u"keyboard/k87.png"},
        {u"\\skins\\theme1\\x.png", u"skins/theme1/x.png"},
    };
    for (auto& c : cases) EXPECT_EQ(paths::NormalizeRelative(c.in), CString(c.out));
}

TEST(PathsTest, UnusableProductNamesFallBackForPaths) {
    const char16_t* bad[] = {u"", u".", u"..", u"a/b"};
    for (auto* name : bad) {
        Manager::SetDeviceName(name);
        EXPECT_EQ(paths::PathProductName(), CString(u"Tastra"));
        EXPECT_EQ(Manager::GetDeviceName(), CString(name));  // still shown as it is
    }
    // Too long for a file name once " Files" or ".desktop" is added.
    Manager::SetDeviceName(CString(201, u'x'));
    EXPECT_EQ(paths::PathProductName(), CString(u"Tastra"));
    Manager::SetDeviceName(CString(200, u'x'));
    EXPECT_EQ(paths::PathProductName(), CString(200, u'x'));
    Manager::SetDeviceName(u"Tastra Pro");
    EXPECT_EQ(paths::PathProductName(), CString(u"Tastra Pro"));
    Manager::SetDeviceName(u"Tastra");
}

TEST(PathsTest, DataFolderFollowsXdgAndRootEnvironment) {
    std::string home = testenv::MakeTempDir("xdg");
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    EXPECT_EQ(paths::DataFolder().ToUtf8(), home + "/Tastra Files/");
    setenv("TASTRA_DATA_ROOT", "/opt/x", 1);
    EXPECT_EQ(paths::DataPath(u"layouts\\k87.xml").ToUtf8(), "/opt/x/layouts/k87.xml");
    std::string nested = home + "/a/b/c";
    EXPECT_TRUE(paths::CreateFolderTree(CString::FromUtf8(nested)));
    EXPECT_TRUE(testenv::FileExists(nested));
}
