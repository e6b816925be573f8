#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/Settings.h"
#include "tests/support/TestEnv.h"
#include "ui/core/Manager.h"

// Readable failure messages for the UTF-16 strings.
void PrintTo(const CString& text, std::ostream* out) {
    *out << '"' << text.ToUtf8() << '"';
}

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_config = testenv::MakeTempDir("config");
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
        Manager::SetDeviceName(u"Tastra");
    }
    void TearDown() override { Manager::SetDeviceName(u"Tastra"); }

    std::string Folder() const { return m_config + "/Tastra"; }
    std::string File() const { return Folder() + "/settings.ini"; }
    void WriteRaw(const std::string& bytes) const {
        mkdir(Folder().c_str(), 0700);
        testenv::WriteFile(File(), bytes);
    }
    static CString Read(const char16_t* name) {
        CString value = u"<none>";
        settings::ReadValue(name, &value);
        return value;
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(Folder().c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') names.emplace_back(e->d_name);
            closedir(d);
        }
        return names;
    }

    std::string m_config;
};

TEST_F(SettingsTest, OpenCreatesAnEmptyStoreOnce) {
    EXPECT_EQ(settings::SettingsFilePath().ToUtf8(), File());
    EXPECT_EQ(settings::Open(), settings::OpenResult::Created);
    EXPECT_TRUE(testenv::FileExists(File()));
    EXPECT_EQ(testenv::ReadFile(File()), "");
    EXPECT_EQ(settings::Open(), settings::OpenResult::Opened);
}

TEST_F(SettingsTest, ValuesRoundTripAndKeepEachOther) {
    EXPECT_TRUE(settings::WriteValue(u"LCID", u"1036"));
    EXPECT_TRUE(settings::WriteValue(u"exit_mode", u"2"));
    EXPECT_TRUE(settings::WriteValue(u"lcid", u"1033"));  // same value, other case
    EXPECT_EQ(Read(u"LCID"), CString(u"1033"));
    EXPECT_EQ(Read(u"EXIT_MODE"), CString(u"2"));
    EXPECT_EQ(Read(u"missing"), CString(u"<none>"));
    EXPECT_EQ(testenv::ReadFile(File()), "LCID=1033\r\nexit_mode=2\r\n");
    // Replaced by rename: no temporary file is left beside it.
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.ini"});
}

TEST_F(SettingsTest, DamagedFilesLoseOnlyWhatIsDamaged) {
    struct {
        const char* what;
        std::string bytes;
        const char16_t* exitMode;  // what "exit_mode" reads as
    } cases[] = {
        {"binary garbage", std::string("\x01\xff\xfe\x00\x80garbage\n\x00\x00", 16), u"<none>"},
        {"NUL inside a line", std::string("exit_mode=1\r\nLC\0ID=5\r\n", 22), u"1"},
        {"no equals signs", "LCID\nexit_mode\n", u"<none>"},
        {"far too large", std::string(100000, 'x') + "\nexit_mode=1\n", u"<none>"},
        {"last line cut off", "exit_mode=1\r\nLCI", u"1"},
        {"section header and blanks", "[Tastra]\n  exit_mode =  1 \n", u"1"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteRaw(c.bytes);
        EXPECT_EQ(settings::Open(), settings::OpenResult::Opened);
        EXPECT_EQ(Read(u"LCID"), CString(u"<none>"));
        EXPECT_EQ(Read(u"exit_mode"), CString(c.exitMode));
        // Writing repairs the file and keeps what could be read.
        EXPECT_TRUE(settings::WriteValue(u"LCID", u"1033"));
        EXPECT_EQ(Read(u"LCID"), CString(u"1033"));
        EXPECT_EQ(Read(u"exit_mode"), CString(c.exitMode));
    }
}

TEST_F(SettingsTest, UnreadableStoreIsNeverOverwritten) {
    // A folder and a FIFO in place of the file: neither may be replaced, and
    // the FIFO must not block the read.
    for (bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "fifo" : "folder");
        mkdir(Folder().c_str(), 0700);
        ASSERT_EQ(fifo ? mkfifo(File().c_str(), 0600) : mkdir(File().c_str(), 0700), 0);
        EXPECT_EQ(settings::Open(), settings::OpenResult::Failed);
        EXPECT_EQ(Read(u"LCID"), CString(u"<none>"));
        EXPECT_FALSE(settings::WriteValue(u"LCID", u"1033"));
        struct stat st {};
        ASSERT_EQ(stat(File().c_str(), &st), 0);
        EXPECT_TRUE(fifo ? S_ISFIFO(st.st_mode) : S_ISDIR(st.st_mode));
        if (fifo)
            unlink(File().c_str());
        else
            rmdir(File().c_str());
    }
}

TEST_F(SettingsTest, TextThatWouldBreakTheLineFormatIsRefused) {
    ASSERT_TRUE(settings::WriteValue(u"exit_mode", u"1"));
    struct {
        const char16_t* name;
        CString text;
    } cases[] = {
        {u"", u"1"},
        {u"a=b", u"1"},
        {u"x\ny", u"1"},
        {u"exit_mode", u"0\r\nLCID=1036"},
        {u"exit_mode", CString(u"0\0LCID", 6)},
    };
    for (auto& c : cases) EXPECT_FALSE(settings::WriteValue(c.name, c.text)) << CString(c.name).ToUtf8();
    EXPECT_EQ(testenv::ReadFile(File()), "exit_mode=1\r\n");
}

TEST_F(SettingsTest, ProductNameChoosesTheFolder) {
    Manager::SetDeviceName(u"Tastra Pro");
    EXPECT_TRUE(settings::WriteValue(u"LCID", u"1036"));
    EXPECT_TRUE(testenv::FileExists(m_config + "/Tastra Pro/settings.ini"));
    Manager::SetDeviceName(u"../outside");
    EXPECT_EQ(settings::SettingsFilePath().ToUtf8(), File());
}

TEST_F(SettingsTest, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 4, kEach = 15;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i)
                settings::WriteValue(CString::FromUtf8("v" + std::to_string(t) + "_" + std::to_string(i)),
                                     CString::FromInt(i));
        });
    }
    for (auto& t : threads) t.join();
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(Read(CString::FromUtf8("v" + std::to_string(t) + "_" + std::to_string(i))), CString::FromInt(i));
}

TEST_F(SettingsTest, ReadersNeverSeeAHalfWrittenFile) {
    // Reads the file directly, without the store's lock, while it is being
    // rewritten: every snapshot must be one whole version.
    const CString padding(4000, u'p');
    ASSERT_TRUE(settings::WriteValue(u"padding", padding));
    const std::string whole = "padding=" + padding.ToUtf8() + "\r\n";
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            std::string bytes = testenv::ReadFile(File());
            if (bytes.compare(0, whole.size(), whole) != 0) ++torn;
        }
    });
    for (int i = 0; i < 100; ++i) settings::WriteValue(u"LCID", i % 2 ? u"1033" : u"1036");
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
