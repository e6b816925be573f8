#include "tests/support/TestEnv.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testenv {

std::string& TempRootStorage() {
    static std::string root;
    return root;
}

const std::string& TempRoot() { return TempRootStorage(); }

std::string MakeTempDir(const std::string& hint) {
    static std::atomic<int> counter{0};
    std::string path = TempRoot() + "/" + hint + "-" + std::to_string(counter++);
    if (mkdir(path.c_str(), 0700) != 0) throw std::runtime_error("mkdir failed: " + path);
    return path;
}

static std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::string DataRoot() { return EnvOr("TASTRA_DATA_ROOT", ""); }
std::string SourceDir() { return EnvOr("TASTRA_SOURCE_DIR", ""); }
std::string BinDir() { return EnvOr("TASTRA_BIN_DIR", ""); }

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool FileExists(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0;
}

int RunProcess(const std::vector<std::string>& argv, std::string* out, std::string* err,
               const std::vector<std::string>& extraEnv) {
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // The extra variables replace those of the same name.
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (auto& x : extraEnv) replaced = replaced || nameOf(x) == nameOf(entry);
        if (!replaced) envStore.push_back(std::move(entry));
    }
    for (auto& e : extraEnv) envStore.push_back(e);
    std::vector<char*> env;
    for (auto& e : envStore) env.push_back(e.data());
    env.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    auto drain = [](int fd, std::string* sink) {
        char buf[4096];
        ssize_t n;
        while ((n = read(fd, buf, sizeof buf)) > 0)
            if (sink) sink->append(buf, static_cast<size_t>(n));
        close(fd);
    };
    std::thread errReader(drain, errPipe[0], err);
    drain(outPipe[0], out);
    errReader.join();
    if (rc != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace testenv
