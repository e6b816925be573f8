// The desktop file dialog without a portal: the zenity and kdialog helpers,
// their arguments, their answers and a cancel.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "docs/ExchangeFiles.h"
#include "platform/FileDialog.h"
#include "tests/support/TestEnv.h"

namespace {

// A folder on PATH holding a fake helper that logs its arguments and prints
// what the test wants; no session bus, so the portal is skipped.
struct FakeHelper {
    std::string bin = testenv::MakeTempDir("bin");
    std::string log = bin + "/args";
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    FakeHelper(const std::string& name, const std::string& output, int exitCode) {
        const std::string script = bin + "/" + name;
        testenv::WriteFile(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + log +
                                       "'; done\nprintf '" + output + "'\nexit " + std::to_string(exitCode) + "\n");
        chmod(script.c_str(), 0755);
        setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + bin + "/no-bus").c_str(), 1);
    }
    ~FakeHelper() { setenv("PATH", oldPath.c_str(), 1); }
    // PATH only holds the fake and the system folders; a system zenity would
    // win over a fake kdialog.
    static bool SystemHas(const char* name) {
        return testenv::FileExists(std::string("/usr/bin/") + name) || testenv::FileExists(std::string("/bin/") + name);
    }
};

TEST(FileDialogHelpers, ZenitySaveAndOpen) {
    if (FakeHelper::SystemHas("zenity")) GTEST_SKIP() << "a real zenity is installed";
    FakeHelper helper("zenity", "/tmp/some where/keys.xml\\n", 0);
    auto dialog = CreateFileDialog();
    CString path;
    ASSERT_TRUE(dialog->ChooseFileToSave(ExchangeFiles::ExportProfileFilter(), path));
    EXPECT_EQ(path.ToUtf8(), "/tmp/some where/keys.xml");
    EXPECT_EQ(testenv::ReadFile(helper.log),
              "--file-selection\n--title=Profile (*.xml)\n--file-filter=Profile (*.xml) | *.xml\n--save\n"
              "--confirm-overwrite\n");
    ASSERT_TRUE(dialog->ChooseFileToOpen(ExchangeFiles::ImportMacroFilter(), path));
}

TEST(FileDialogHelpers, CancelAndGarbageAreNoChoice) {
    if (FakeHelper::SystemHas("zenity") || FakeHelper::SystemHas("kdialog")) GTEST_SKIP() << "a real helper";
    {
        FakeHelper cancelled("kdialog", "", 1);
        CString path = u"unchanged";
        EXPECT_FALSE(CreateFileDialog()->ChooseFileToOpen(ExchangeFiles::ImportProfileFilter(), path));
        EXPECT_EQ(path.ToUtf8(), "unchanged");
        EXPECT_EQ(testenv::ReadFile(cancelled.log),
                  "--title\nCustom Key (*.xml)\n--getopenfilename\n.\n*.xml|Custom Key (*.xml)\n");
    }
    {
        FakeHelper relative("kdialog", "keys.xml\\n", 0);
        CString path;
        EXPECT_FALSE(CreateFileDialog()->ChooseFileToSave(ExchangeFiles::ExportMacroFilter(), path));
    }
    {
        FakeHelper none("nothing-useful", "", 0);
        CString path;
        EXPECT_FALSE(CreateFileDialog()->ChooseFileToOpen(ExchangeFiles::ImportMacroFilter(), path));
    }
}

// A session bus of the test's own with no services on it: the portal call
// fails at once and the helper answers.
TEST(FileDialogHelpers, BusWithoutPortalFallsBack) {
    if (FakeHelper::SystemHas("zenity")) GTEST_SKIP() << "a real zenity is installed";
    if (!testenv::FileExists("/usr/bin/dbus-daemon")) GTEST_SKIP() << "no dbus-daemon";
    FakeHelper helper("zenity", "/tmp/chosen.xml\\n", 0);
    const std::string socket = helper.bin + "/bus";
    const std::string config = helper.bin + "/bus.conf";
    testenv::WriteFile(config, "<busconfig><type>session</type><listen>unix:path=" + socket +
                                   "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                   "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                   "<allow own=\"*\"/></policy></busconfig>");
    const std::string configArg = "--config-file=" + config;
    const pid_t daemon = fork();
    ASSERT_GE(daemon, 0);
    if (daemon == 0) {
        execl("/usr/bin/dbus-daemon", "dbus-daemon", configArg.c_str(), "--nofork", static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 500 && !testenv::FileExists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);
    CString path;
    const bool chosen = CreateFileDialog()->ChooseFileToOpen(ExchangeFiles::ImportProfileFilter(), path);
    kill(daemon, SIGTERM);
    waitpid(daemon, nullptr, 0);
    ASSERT_TRUE(testenv::FileExists(helper.log)) << "the helper was not asked";
    EXPECT_TRUE(chosen);
    EXPECT_EQ(path.ToUtf8(), "/tmp/chosen.xml");
}

}  // namespace
