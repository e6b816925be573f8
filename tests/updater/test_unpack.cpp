// Unpacking archives built here: hostile names stay inside the folder, only
// plain files and folders are made, times come from the entry, and the
// limits stop a zip bomb.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <set>

#include "tests/support/TestEnv.h"
#include "tests/updater/ZipBuilder.h"
#include "updater/Unpack.h"

namespace {

namespace fs = std::filesystem;
using testzip::Entry;
using testzip::File;

TEST(SafeEntryPath, StripsEveryWayOut) {
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"../../Windows\\x.exe", "Windows/x.exe"},
        {"C:\\x.exe", "x.exe"},
        {"..\\x.exe", "x.exe"},
        {"/etc/passwd", "etc/passwd"},
        {"\\\\server\\share\\z.txt", "server/share/z.txt"},
        {"a\\..\\..\\b.txt", "b.txt"},
        {"a/../b.txt", "b.txt"},
        {"..\\../.\\..//c.txt", "c.txt"},
        {"C:../D:\\..\\e.txt", "e.txt"},
        {"dir/./f.txt", "dir/f.txt"},
        {"sub\\dir\\", "sub/dir"},
        {"plain.txt", "plain.txt"},
        {"..", ""},
        {"a/..", ""},
        {"C:", ""},
        {"///", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, updater::SafeEntryPath(c.name)) << c.name;
}

// Every path below `root` (relative, "/" separated; folders end in "/").
std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> out;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        std::string relative = fs::relative(item.path(), root).string();
        if (item.is_symlink())
            relative += "@";
        else if (item.is_directory())
            relative += "/";
        out.insert(relative);
    }
    return out;
}

struct Unpacked {
    std::string root;    // holds nothing but out/
    std::string folder;  // root/out/
    bool result = false;
};

Unpacked UnpackEntries(const std::vector<Entry>& entries, const updater::UnpackLimits& limits = {}) {
    Unpacked u;
    u.root = testenv::MakeTempDir("root");
    u.folder = u.root + "/out/";
    const std::string zip = testenv::MakeTempDir("zip") + "/package.zip";
    EXPECT_TRUE(testzip::WriteZip(zip, entries));
    u.result = updater::Unpack(CString::FromUtf8(zip), CString::FromUtf8(u.folder), limits);
    return u;
}

TEST(Unpack, HostileNamesLandInsideTheFolder) {
    const Unpacked u = UnpackEntries({
        File("../../Windows\\x.exe", "1"),
        File("C:\\y.exe", "2"),
        File("..\\z.exe", "3"),
        File("/abs/path.txt", "4"),
        File("mixed\\sub/../..\\..//w.txt", "5"),
        File("a/b\\c.txt", "6"),
        File("empty\\folder\\", ""),
        File("a/..", "7"),
        File("..", "8"),
    });
    EXPECT_TRUE(u.result);
    for (const std::string& path : Tree(u.root)) EXPECT_EQ(0u, path.rfind("out/", 0)) << path << " is outside";
    EXPECT_EQ((std::set<std::string>{"Windows/", "Windows/x.exe", "y.exe", "z.exe", "abs/", "abs/path.txt", "w.txt",
                                     "a/", "a/b/", "a/b/c.txt", "empty/", "empty/folder/"}),
              Tree(u.folder));
    EXPECT_EQ("1", testenv::ReadFile(u.folder + "Windows/x.exe"));
    EXPECT_EQ("6", testenv::ReadFile(u.folder + "a/b/c.txt"));
}

TEST(Unpack, OnlyPlainFilesAndFoldersWithoutSetIdBits) {
    Entry link = File("link", "/etc/passwd");
    link.unixMode = 0120777;
    Entry fifo = File("fifo", "");
    fifo.unixMode = 0010644;
    Entry setuid = File("tool", "#!/bin/sh\n");
    setuid.unixMode = 0104755;
    Entry readOnly = File("notes.txt", "text");
    readOnly.unixMode = 0100444;
    Entry folder = File("unix-folder", "");
    folder.unixMode = 0040755;
    const Unpacked u = UnpackEntries({link, fifo, setuid, readOnly, folder});
    EXPECT_TRUE(u.result);
    EXPECT_EQ((std::set<std::string>{"tool", "notes.txt", "unix-folder/"}), Tree(u.folder));
    struct stat st {};
    ASSERT_EQ(0, stat((u.folder + "tool").c_str(), &st));
    EXPECT_EQ(0755u, st.st_mode & 07777);
    ASSERT_EQ(0, stat((u.folder + "notes.txt").c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 07777);  // kept writable, so the next package can replace it
}

TEST(Unpack, ALinkLeftInTheFolderIsNotFollowed) {
    const std::string outside = testenv::MakeTempDir("outside");
    const std::string root = testenv::MakeTempDir("root");
    const std::string folder = root + "/out/";
    fs::create_directories(folder);
    fs::create_directory_symlink(outside, folder + "escape");
    const std::string zip = testenv::MakeTempDir("zip") + "/package.zip";
    ASSERT_TRUE(
        testzip::WriteZip(zip, {File("escape/x.txt", "no"), File("escape\\y\\z.txt", "no"), File("ok.txt", "yes")}));
    EXPECT_TRUE(updater::Unpack(CString::FromUtf8(zip), CString::FromUtf8(folder)));
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ("yes", testenv::ReadFile(folder + "ok.txt"));
}

TEST(Unpack, AnEntryNamedLikeThePackageDoesNotOverwriteIt) {
    const std::string folder = testenv::MakeTempDir("temp") + "/";
    const std::string zip = folder + "Keyboard-Software-1.0.2.zip";
    ASSERT_TRUE(
        testzip::WriteZip(zip, {File("Keyboard-Software-1.0.2.zip", "not the package"), File("after.txt", "read")}));
    const std::string before = testenv::ReadFile(zip);
    EXPECT_TRUE(updater::Unpack(CString::FromUtf8(zip), CString::FromUtf8(folder)));
    EXPECT_EQ(before, testenv::ReadFile(zip));
    EXPECT_EQ("read", testenv::ReadFile(folder + "after.txt"));
}

TEST(Unpack, FileTimesComeFromTheEntry) {
    Entry dos = File("dos.txt", "d");
    dos.year = 2019;
    dos.month = 3;
    dos.day = 4;
    dos.hour = 5;
    dos.minute = 6;
    dos.second = 8;  // DOS times have two-second steps
    Entry unix = File("unix.txt", "u");
    unix.unixMtime = 1600000000;
    const Unpacked u = UnpackEntries({dos, unix});
    ASSERT_TRUE(u.result);

    std::tm local{};
    local.tm_year = 2019 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 4;
    local.tm_hour = 5;
    local.tm_min = 6;
    local.tm_sec = 8;
    local.tm_isdst = -1;
    struct stat st {};
    ASSERT_EQ(0, stat((u.folder + "dos.txt").c_str(), &st));
    EXPECT_EQ(std::mktime(&local), st.st_mtime);
    ASSERT_EQ(0, stat((u.folder + "unix.txt").c_str(), &st));
    EXPECT_EQ(1600000000, st.st_mtime);
}

TEST(Unpack, LimitsStopAZipBomb) {
    updater::UnpackLimits limits;
    limits.maxTotalBytes = 1 << 20;
    const Unpacked bomb =
        UnpackEntries({File("small.txt", "fine"), File("bomb.bin", std::string(2 << 20, '\0'))}, limits);
    EXPECT_FALSE(bomb.result);
    EXPECT_EQ((std::set<std::string>{"small.txt"}), Tree(bomb.folder));

    limits = {};
    limits.maxEntries = 3;
    std::vector<Entry> many;
    for (int i = 0; i < 5; ++i) many.push_back(File("f" + std::to_string(i), "x"));
    const Unpacked crowd = UnpackEntries(many, limits);
    EXPECT_FALSE(crowd.result);
    EXPECT_EQ(3u, Tree(crowd.folder).size());
}

TEST(Unpack, WhatIsNotAnArchiveFails) {
    const std::string dir = testenv::MakeTempDir("bad");
    testenv::WriteFile(dir + "/page.zip", "<html>error</html>");
    EXPECT_FALSE(updater::Unpack(CString::FromUtf8(dir + "/page.zip"), CString::FromUtf8(dir + "/out")));
    EXPECT_FALSE(updater::Unpack(CString::FromUtf8(dir + "/missing.zip"), CString::FromUtf8(dir + "/out")));
    EXPECT_FALSE(fs::exists(dir + "/out"));

    // A damaged entry is skipped; the others and the result stand.
    const std::string zip = dir + "/damaged.zip";
    std::string noise;
    for (uint32_t x = 1; noise.size() < 4000;) noise += static_cast<char>((x = x * 1103515245 + 12345) >> 24);
    ASSERT_TRUE(testzip::WriteZip(zip, {File("a.txt", noise), File("b.txt", "bee")}));
    std::string bytes = testenv::ReadFile(zip);
    bytes[60] = static_cast<char>(bytes[60] ^ 0x55);  // inside a.txt's stored noise
    testenv::WriteFile(zip, bytes);
    EXPECT_TRUE(updater::Unpack(CString::FromUtf8(zip), CString::FromUtf8(dir + "/out2")));
    EXPECT_EQ("bee", testenv::ReadFile(dir + "/out2/b.txt"));
    EXPECT_FALSE(testenv::FileExists(dir + "/out2/a.txt"));
}

}  // namespace
