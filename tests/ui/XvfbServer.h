// A private X server for window tests: Xvfb on a display it picks itself
// (-displayfd), killed when the object goes. Also starts child programs with
// a pipe on their stdout.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace uitest {

class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts the server; false when Xvfb is missing or does not come up.
    bool Start(int width = 1280, int height = 800);
    // ":N".
    [[nodiscard]] const std::string& Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

// A child program with its stdout readable line by line.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv);
    // The next line of stdout, waiting at most timeoutMs; false at the end
    // or on time-out.
    bool ReadLine(std::string& line, int timeoutMs);
    // Waits for a line starting with prefix.
    bool WaitForLine(const std::string& prefix, int timeoutMs);
    // SIGTERM, then SIGKILL after a grace period; returns the exit status.
    int Stop();

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
};

// Runs a program to its end with extra environment; returns its exit code.
int RunWithEnv(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv);

}  // namespace uitest
