// Starting a program: made executable first, started without this
// process's blocked signals, not waited for.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "platform/Process.h"
#include "tests/support/TestEnv.h"

namespace {

TEST(StartProgram, RunsAnUnpackedFileWithCleanSignals) {
    const std::string dir = testenv::MakeTempDir("spawn");
    const std::string marker = dir + "/status";
    const std::string program = dir + "/installer.exe";
    testenv::WriteFile(program, "#!/bin/sh\nexec grep -E '^SigBlk' /proc/self/status > '" + marker + "'\n");
    chmod(program.c_str(), 0644);  // as unpacked: no execute bit

    sigset_t terminate, previous;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    sigaddset(&terminate, SIGINT);
    ASSERT_EQ(0, pthread_sigmask(SIG_BLOCK, &terminate, &previous));
    const bool started = process::StartProgram(CString::FromUtf8(program));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(started);
    int status = -1;
    ASSERT_GT(waitpid(-1, &status, 0), 0);
    EXPECT_EQ(0, status);
    EXPECT_EQ("SigBlk:\t0000000000000000\n", testenv::ReadFile(marker));  // SIGTERM reaches the installer

    struct stat st {};
    ASSERT_EQ(0, stat(program.c_str(), &st));
    EXPECT_EQ(0755u, st.st_mode & 0777);
}

TEST(StartProgram, WhatCannotRunIsReported) {
    const std::string dir = testenv::MakeTempDir("spawn");
    const char garbage[] = "\x7f\x01\x02\x03 not a program";
    testenv::WriteFile(dir + "/data.bin", std::string(garbage, sizeof garbage - 1));
    for (const std::string& path : {dir + "/data.bin", dir + "/missing.exe", dir, std::string()}) {
        EXPECT_FALSE(process::StartProgram(CString::FromUtf8(path))) << path;
    }
    int status = 0;
    EXPECT_EQ(-1, waitpid(-1, &status, WNOHANG));  // nothing was left running
}

}  // namespace
