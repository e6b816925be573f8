// The main of every test executable: private XDG folders, then GoogleTest.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TestEnv.h"

namespace testenv {
std::string& TempRootStorage();
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string pattern = std::filesystem::temp_directory_path().string() + "/tastra-test-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        perror("mkdtemp");
        return 1;
    }
    testenv::TempRootStorage() = pattern;
    for (const char* sub : {"data", "config", "runtime"}) mkdir((pattern + "/" + sub).c_str(), 0700);
    setenv("XDG_DATA_HOME", (pattern + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (pattern + "/config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (pattern + "/runtime").c_str(), 1);
    setenv("HOME", pattern.c_str(), 1);
    int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
    return rc;
}
