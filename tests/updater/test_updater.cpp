// The update steps with a fake controller: version comparison, the software
// and firmware checks against an in-process server, the hand-over to a
// started program, and the failures that must leave the program running.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <mutex>

#include "tests/support/TestEnv.h"
#include "tests/updater/TestHttpServer.h"
#include "tests/updater/ZipBuilder.h"
#include "updater/Updater.h"
#include "updater/VersionText.h"

namespace {

using testhttp::Response;
using testhttp::TestHttpServer;
using updater::UpdateKind;

TEST(Versions, CompareAsNumbersPartByPart) {
    struct Case {
        const char16_t* current;
        const char16_t* latest;
        int expected;
    };
    const Case cases[] = {
        {u"1.0.1", u"1.0.2", updater::kLatestIsNewer},
        {u"1.0.10", u"1.0.9", updater::kCurrentIsNewer},
        {u"1.0", u"1.0.1", updater::kNotComparable},
        {u"1.0.1", u"1.0.1", updater::kVersionsEqual},
        {u"2.a", u"2.0", updater::kVersionsEqual},
        {u"1.9", u"1.10", updater::kLatestIsNewer},
        {u"", u"1", updater::kLatestIsNewer},
        {u"1.2b", u"1.3", updater::kLatestIsNewer},
        {u"99999999999", u"1", updater::kCurrentIsNewer},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, updater::CompareVersions(c.current, c.latest))
            << CString(c.current).ToUtf8() << " vs " << CString(c.latest).ToUtf8();
    }
}

TEST(Versions, OnlyShortPlainTextsAreUsable) {
    for (const char16_t* good : {u"1", u"1.0.2", u"1.0.2_beta", u"10-rc.1", u"0123456789"}) {
        EXPECT_TRUE(updater::IsUsableVersionText(good)) << CString(good).ToUtf8();
    }
    for (const char16_t* bad : {u"", u"1.0.2.3.4.5", u"12345678901", u".", u"..", u"../x", u"1/2", u"1.0 ", u"1.0\n",
                                u"1;rm", u"1\u00e9", u"a\\b"}) {
        EXPECT_FALSE(updater::IsUsableVersionText(bad)) << CString(bad).ToUtf8();
    }
}

class FakeHost : public updater::UpdaterHost {
public:
    void StopStartupTimer() override { Record("stop-timer"); }
    void SetUpgradeStatus(UpdateKind kind, int status) override {
        Record(std::string(kind == UpdateKind::Software ? "software" : "firmware") + "-status-" +
               std::to_string(status));
    }
    void QueueFirmwareUpdate() override { Record("queue-firmware"); }
    int QueryFirmwareVersion() override {
        Record("query-firmware");
        return m_firmwareVersion;
    }
    void CloseAllDevices() override { Record("close-all"); }
    void RescanDevices() override { Record("rescan"); }
    void EndProcess() override { Record("end"); }

    std::vector<std::string> Calls() {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    bool Called(const std::string& call) {
        const auto calls = Calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    int m_firmwareVersion = -1;

private:
    void Record(std::string call) {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }
    std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

// A program that notes its own path in `marker`, as the installer or tool
// inside a package.
std::string MarkerScript(const std::string& marker) {
    return "#!/bin/sh\necho \"$0\" > '" + marker + "'\n";
}

std::string ZipBytes(const std::vector<testzip::Entry>& entries) {
    const std::string path = testenv::MakeTempDir("zip") + "/p.zip";
    EXPECT_TRUE(testzip::WriteZip(path, entries));
    return testenv::ReadFile(path);
}

// Waits for a started child, so no test leaves a process behind; false when
// none was started.
bool ReapChild() {
    int status = 0;
    return waitpid(-1, &status, 0) > 0;
}

class UpdaterFlow : public ::testing::Test {
protected:
    void SetUp() override {
        m_temp = testenv::MakeTempDir("temp") + "/";
        m_program = testenv::MakeTempDir("program") + "/";
        m_marker = testenv::MakeTempDir("marker") + "/started";
        updater::TransferLimits limits;
        limits.timeouts.connectMs = 2000;
        limits.timeouts.lowSpeedSeconds = 2;
        m_updater = std::make_unique<updater::Updater>(m_host, nullptr, limits);
        m_updater->SetFolders(CString::FromUtf8(m_temp), CString::FromUtf8(m_program));
        m_updater->SetRescanDelay(std::chrono::milliseconds(0));
        m_updater->SetSoftwareSource(CString::FromUtf8(m_server.BaseUrl() + "sw/"), u"1.0.1");
        m_updater->SetFirmwareSource(CString::FromUtf8(m_server.BaseUrl() + "fw/"), u"tool.sh");
    }

    void ServeSoftware(const std::string& version) {
        m_server.Serve("/sw/version", Response{200, version});
        m_server.Serve(
            "/sw/Keyboard-Software-" + version + ".zip",
            Response{200, ZipBytes({testzip::File("Keyboard-Software-" + version + ".exe", MarkerScript(m_marker)),
                                    testzip::File("readme.txt", "notes")})});
    }

    TestHttpServer m_server;
    FakeHost m_host;
    std::unique_ptr<updater::Updater> m_updater;
    std::string m_temp, m_program, m_marker;
};

TEST_F(UpdaterFlow, NewerOrIncomparableSoftwareIsInstalledAndTheProgramEnds) {
    for (const char16_t* current : {u"1.0.1", u"1.0"}) {
        SCOPED_TRACE(CString(current).ToUtf8());
        FakeHost host;
        updater::Updater updater(host, nullptr);
        updater.SetFolders(CString::FromUtf8(m_temp), CString::FromUtf8(m_program));
        updater.SetSoftwareSource(CString::FromUtf8(m_server.BaseUrl() + "sw/"), current);
        ServeSoftware("1.0.2");
        updater.CheckSoftwareVersion();
        ASSERT_TRUE(ReapChild());
        EXPECT_EQ(m_temp + "Keyboard-Software-1.0.2.exe\n", testenv::ReadFile(m_marker));
        EXPECT_EQ((std::vector<std::string>{"stop-timer", "end"}), host.Calls());
        EXPECT_EQ(CString(u"1.0.2"), updater.LatestSoftwareVersion());
        EXPECT_FALSE(testenv::FileExists(m_temp + "Keyboard-Software-1.0.2.zip"));  // unpacked, then removed
        EXPECT_EQ("notes", testenv::ReadFile(m_temp + "readme.txt"));
    }
}

TEST_F(UpdaterFlow, OlderOrUnusablePublishedVersionsChangeNothing) {
    for (const std::string& published : {std::string("1.0.0"), std::string("1.0.1"), std::string("1.0.1.2.3.4"),
                                         std::string("1.0.2\r\n"), std::string("../../x"), std::string("")}) {
        SCOPED_TRACE(published);
        m_server.Serve("/sw/version", Response{200, published});
        m_updater->CheckSoftwareVersion();
    }
    m_updater->SetSoftwareSource(CString::FromUtf8(m_server.BaseUrl() + "sw/"), u"1.0.10");
    ServeSoftware("1.0.9");
    m_updater->CheckSoftwareVersion();
    EXPECT_FALSE(ReapChild());
    EXPECT_EQ(std::vector<std::string>(7, "stop-timer"), m_host.Calls());
    for (const std::string& request : m_server.Requests()) EXPECT_NE(std::string::npos, request.find("/sw/version"));
}

TEST_F(UpdaterFlow, AFailedPackageLeavesTheProgramRunningWithTheButtonMarked) {
    struct Case {
        const char* name;
        Response package;
    };
    const Case cases[] = {
        {"404", Response{404, "<html>not here</html>"}},
        {"500", Response{500, "<html>oops</html>"}},
        {"not a zip", Response{200, "<html>a portal page</html>"}},
        {"no installer inside", Response{200, ZipBytes({testzip::File("other.exe", "#!/bin/sh\n")})}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host;
        updater::Updater updater(host, nullptr);
        updater.SetFolders(CString::FromUtf8(m_temp), CString::FromUtf8(m_program));
        updater.SetSoftwareSource(CString::FromUtf8(m_server.BaseUrl() + "sw/"), u"1.0.1");
        m_server.Serve("/sw/version", Response{200, "1.0.2"});
        m_server.Serve("/sw/Keyboard-Software-1.0.2.zip", c.package);
        updater.CheckSoftwareVersion();
        EXPECT_EQ((std::vector<std::string>{"stop-timer", "software-status-1"}), host.Calls());
        if (c.package.status != 200) {
            EXPECT_FALSE(testenv::FileExists(m_temp + "Keyboard-Software-1.0.2.zip"));
        }
    }
    EXPECT_FALSE(ReapChild());
    EXPECT_EQ(4, m_server.RequestCount("/sw/Keyboard-Software-1.0.2.zip"));
}

TEST_F(UpdaterFlow, FirmwareCheckReadsTheKeyboardsHexDigitsAsDecimal) {
    struct Case {
        int keyboard;
        const char* published;
        bool queued;
    };
    const Case cases[] = {
        {0x0102, "103", true},  {0x0103, "103", false},
        {0x0110, "103", false}, {0x001a, "2", true},  // "1a" reads as 1
        {-1, "103", false},     {0x0102, "12345678901", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.keyboard) + " vs " + c.published);
        FakeHost host;
        host.m_firmwareVersion = c.keyboard;
        updater::Updater updater(host, nullptr);
        updater.SetFirmwareSource(CString::FromUtf8(m_server.BaseUrl() + "fw/"), u"tool.sh");
        m_server.Serve("/fw/version", Response{200, c.published});
        updater.CheckFirmwareVersion();
        EXPECT_EQ(c.queued, host.Called("queue-firmware"));
        EXPECT_EQ(c.queued, host.Called("firmware-status-1"));
    }

    // Without a firmware url nothing is asked of the server or the keyboard.
    m_server.Serve("/fw/version", Response{200, "103"});
    m_updater->CheckFirmwareVersion();
    EXPECT_EQ(CString(u"103"), m_updater->LatestFirmwareVersion());
    const size_t requests = m_server.Requests().size();
    m_updater->SetFirmwareSource(u"", u"tool.sh");
    m_updater->CheckFirmwareVersion();
    EXPECT_TRUE(m_updater->LatestFirmwareVersion().IsEmpty());
    EXPECT_EQ(requests, m_server.Requests().size());
}

TEST_F(UpdaterFlow, FirmwarePackageStartsTheToolInside) {
    m_host.m_firmwareVersion = 0x0102;
    m_server.Serve("/fw/version", Response{200, "103"});
    m_server.Serve("/fw/FirmwareUpdateTool-103.zip",
                   Response{200, ZipBytes({testzip::File("FirmwareUpdateTool-103.exe", MarkerScript(m_marker))})});
    m_updater->CheckFirmwareVersion();
    EXPECT_TRUE(m_updater->InstallFirmwareUpdate());
    ASSERT_TRUE(ReapChild());
    EXPECT_EQ(m_temp + "FirmwareUpdateTool-103.exe\n", testenv::ReadFile(m_marker));
    EXPECT_TRUE(m_host.Called("end"));

    // Without a checked version there is no package name to ask for.
    FakeHost host;
    updater::Updater fresh(host, nullptr);
    fresh.SetFirmwareSource(CString::FromUtf8(m_server.BaseUrl() + "fw/"), u"tool.sh");
    EXPECT_FALSE(fresh.InstallFirmwareUpdate());
    EXPECT_TRUE(host.Calls().empty());
}

TEST_F(UpdaterFlow, LocalFirmwareToolReleasesTheKeyboardAndStarts) {
    // Missing tool, or a name that climbs out of the firmware folder: nothing.
    testenv::WriteFile(m_program + "outside.sh", MarkerScript(m_marker));
    for (const char16_t* tool : {u"tool.sh", u"../outside.sh", u"/etc/hostname", u""}) {
        m_updater->SetFirmwareSource(u"", tool);
        m_updater->RunLocalFirmwareTool();
    }
    EXPECT_TRUE(m_host.Calls().empty());

    // A file that cannot run: keyboard released, then scanned again.
    mkdir((m_program + "firmware").c_str(), 0700);
    testenv::WriteFile(m_program + "firmware/broken.bin", std::string("\x01\x02garbage", 9));
    m_updater->SetFirmwareSource(u"", u"broken.bin");
    m_updater->RunLocalFirmwareTool();
    EXPECT_EQ((std::vector<std::string>{"close-all", "rescan"}), m_host.Calls());

    testenv::WriteFile(m_program + "firmware/tool.sh", MarkerScript(m_marker));
    m_updater->SetFirmwareSource(u"", u"tool.sh");
    m_updater->RunLocalFirmwareTool();
    ASSERT_TRUE(ReapChild());
    EXPECT_EQ(m_program + "firmware/tool.sh\n", testenv::ReadFile(m_marker));
    EXPECT_EQ((std::vector<std::string>{"close-all", "rescan", "close-all", "end"}), m_host.Calls());
}

}  // namespace
