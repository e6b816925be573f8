// A writer killed with SIGKILL at random moments, many times over: after
// each kill the file opens, passes SQLite's integrity check, holds every
// row the writer reported as stored, and holds no half of a bulk insert.
// Some rounds start on an empty folder, so kills also land in the middle of
// creating the file.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "store/DataStore.h"
#include "tests/store/StoreTestUtil.h"
#include "tests/support/TestEnv.h"

extern char** environ;

namespace {

constexpr int kRounds = 36;
constexpr int kFreshFolderEvery = 4;

// Starts the writer with its stdout on a pipe; the pid, or -1.
pid_t StartWriter(const std::string& folder, int& readEnd) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const std::string program = testenv::BinDir() + "/store_crash_child";
    std::string model = "Crash";
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(folder.c_str()), model.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    readEnd = fds[0];
    return pid;
}

std::string ReadAll(int fd) {
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return out;
}

int CollectText(void* context, int columns, char** values, char**) {
    auto* text = static_cast<std::string*>(context);
    if (columns > 0) *text += values[0] ? values[0] : "";
    return 0;
}

std::string QueryOnStore(DataStore& store, const char* sql) {
    std::string text;
    if (store.Execute(sql, CollectText, &text) != 0) return "error";
    return text;
}

}  // namespace

TEST(StoreCrash, KilledWriterNeverCorruptsOrLosesCommittedRows) {
    std::mt19937 random(12345);
    std::string folder;
    int reportedTotal = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const bool fresh = round % kFreshFolderEvery == 0;
        if (fresh) folder = storetest::MakeDataFolder();
        const std::string path = folder + "db/Crash_data_v1.db";

        int readEnd = -1;
        const pid_t pid = StartWriter(folder, readEnd);
        ASSERT_GT(pid, 0);
        // Fresh folders die early, during or right after creating the file.
        const int delayUs = fresh ? static_cast<int>(random() % 200000) : 2000 + static_cast<int>(random() % 60000);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        const std::string reported = ReadAll(readEnd);
        if (!WIFSIGNALED(status)) FAIL() << "writer ended on its own, status " << status << ": " << reported;

        // The file is whole or absent, never a file without its schema.
        const bool existed = testenv::FileExists(path);
        DataStore store;
        ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(folder), u"Crash"));
        EXPECT_EQ(QueryOnStore(store, "PRAGMA integrity_check"), "ok");
        EXPECT_EQ(QueryOnStore(store, "SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite_%'"), "17")
            << (existed ? "existing file" : "created now");

        std::istringstream lines(reported);
        std::string line;
        while (std::getline(lines, line)) {
            if (lines.eof()) break;  // a line cut short by the kill
            std::istringstream fields(line);
            char kind = 0;
            int id = 0;
            fields >> kind >> id;
            ++reportedTotal;
            if (kind == 'P') {
                CString name;
                EXPECT_TRUE(store.GetProfileName(id, name)) << line;
            } else if (kind == 'L') {
                std::vector<KeyLightRecord> lights;
                EXPECT_EQ(store.ListKeyLights(id, lights), 20) << line;
            } else if (kind == 'M') {
                std::vector<MacroStepRecord> steps;
                EXPECT_EQ(store.ListMacroSteps(id, steps), 16) << line;
            }
        }
        // Bulk inserts are all or nothing.
        EXPECT_EQ(QueryOnStore(store, "SELECT count(*) FROM (SELECT light_id FROM t_key_light_data "
                                      "GROUP BY light_id HAVING count(*) != 20)"),
                  "0");
        EXPECT_EQ(QueryOnStore(store, "SELECT count(*) FROM (SELECT macro_id FROM t_macrorecord "
                                      "GROUP BY macro_id HAVING count(*) != 16)"),
                  "0");
        store.Close();
        // Half-built files of killed writers do not pile up.
        if (!existed) {
            for (const auto& entry : std::filesystem::directory_iterator(folder + "db"))
                EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos);
        }
    }
    // The kills were not all before the first write.
    EXPECT_GT(reportedTotal, kRounds);
}

TEST(StoreCrash, WritersInSeveralProcessesShareOneNewFile) {
    // The program and its command-line tool may create and write the same
    // model's file at once: one file comes out, every reported row is in it.
    constexpr int kWriters = 3;
    const std::string folder = storetest::MakeDataFolder();
    pid_t pids[kWriters];
    int pipes[kWriters];
    for (int i = 0; i < kWriters; ++i) {
        pids[i] = StartWriter(folder, pipes[i]);
        ASSERT_GT(pids[i], 0);
    }
    // Each writer says "open" once it holds the file (or ends on failure).
    std::string firstLines[kWriters];
    for (int i = 0; i < kWriters; ++i) {
        char ch = 0;
        while (::read(pipes[i], &ch, 1) == 1 && ch != '\n') firstLines[i] += ch;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::string reported;
    for (int i = 0; i < kWriters; ++i) {
        ::kill(pids[i], SIGKILL);
        int status = 0;
        ::waitpid(pids[i], &status, 0);
        const std::string out = ReadAll(pipes[i]);
        EXPECT_EQ(firstLines[i], "open") << "writer " << i << " could not open the file";
        reported += out.substr(0, out.rfind('\n') + 1);
    }
    DataStore store;
    ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(folder), u"Crash"));
    EXPECT_EQ(QueryOnStore(store, "PRAGMA integrity_check"), "ok");
    int profiles = 0;
    std::istringstream lines(reported);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] != 'P') continue;
        CString name;
        EXPECT_TRUE(store.GetProfileName(std::stoi(line.substr(2)), name)) << line;
        ++profiles;
    }
    EXPECT_GT(profiles, 0);
    store.Close();
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder + "db"))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"Crash_data_v1.db"});
}
