#include "tests/ui/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace uitest {

namespace {

std::vector<std::string> Environment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& x : extra)
            if (entry.substr(0, entry.find('=') + 1) == x.substr(0, x.find('=') + 1)) replaced = true;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, int outFd,
            int keepFd = -1) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto env = Environment(extraEnv);
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    (void)keepFd;
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int WaitExit(pid_t pid, int graceMs) {
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return 128 + SIGKILL;
}

}  // namespace

XvfbServer::~XvfbServer() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        WaitExit(m_pid, 3000);
    }
}

bool XvfbServer::Start(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // The write end stays open in the server (not close-on-exec).
    m_pid = Spawn(
        {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, {}, -1);
    close(fds[1]);
    if (m_pid <= 0) {
        close(fds[0]);
        return false;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        if (poll(&p, 1, 100) <= 0) continue;
        char c = 0;
        if (read(fds[0], &c, 1) != 1) break;
        if (c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) return false;
    m_display = ":" + number;
    return true;
}

ChildProcess::~ChildProcess() {
    Stop();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    m_pid = Spawn(argv, extraEnv, fds[1]);
    close(fds[1]);
    m_out = fds[0];
    return m_pid > 0;
}

bool ChildProcess::ReadLine(std::string& line, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_out < 0) return false;
        pollfd p{m_out, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[512];
        const ssize_t n = read(m_out, buf, sizeof(buf));
        if (n <= 0) return false;
        m_buffer.append(buf, static_cast<size_t>(n));
    }
}

bool ChildProcess::WaitForLine(const std::string& prefix, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string line;
    while (std::chrono::steady_clock::now() < end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (!ReadLine(line, static_cast<int>(std::max<long>(1, left.count())))) return false;
        if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

int ChildProcess::Stop() {
    int rc = -1;
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        rc = WaitExit(m_pid, 3000);
        m_pid = -1;
    }
    if (m_out >= 0) close(m_out);
    m_out = -1;
    return rc;
}

int RunWithEnv(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
    const pid_t pid = Spawn(argv, extraEnv, -1);
    if (pid <= 0) return -1;
    return WaitExit(pid, 10000);
}

}  // namespace uitest
