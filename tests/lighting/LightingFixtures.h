// Private sound and display servers for the lighting tests and benchmarks.
//
// Each fixture starts its own server in a fresh folder and stops it when it
// goes out of scope (also when a test fails half-way); the children are also
// told to die with this process, so a crashed test leaves nothing behind.
// Nothing here depends on the test library, so benchmarks can use it too.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace lightingtest {

// One child process, killed (SIGTERM, then SIGKILL) and reaped on Stop.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

    // keepFd: a descriptor of ours the child inherits (as the same number);
    // stdinPipe: give the child a pipe as its standard input (StdinFd()).
    bool Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {}, int keepFd = -1,
               bool stdinPipe = false, bool quiet = true) {
        std::vector<std::string> envStore;
        for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
        for (const auto& e : extraEnv) envStore.push_back(e);
        std::vector<char*> env;
        for (auto& e : envStore) env.push_back(e.data());
        env.push_back(nullptr);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        int in[2] = {-1, -1};
        if (stdinPipe && pipe2(in, O_CLOEXEC) != 0) return false;
        pid_t parent = getpid();
        m_pid = fork();
        if (m_pid < 0) return false;
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) _exit(127);
            if (stdinPipe) dup2(in[0], 0);
            if (quiet) {
                int null = open("/dev/null", O_WRONLY);
                if (null >= 0) {
                    dup2(null, 1);
                    dup2(null, 2);
                }
            }
            if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
            execvpe(args[0], args.data(), env.data());
            _exit(127);
        }
        if (stdinPipe) {
            close(in[0]);
            m_stdin = in[1];
        }
        return true;
    }

    [[nodiscard]] pid_t Pid() const { return m_pid; }
    // The child was reaped elsewhere.
    void Forget() { m_pid = -1; }
    [[nodiscard]] int StdinFd() const { return m_stdin; }

    // True while the child runs.
    bool Running() {
        if (m_pid <= 0) return false;
        int status = 0;
        pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_pid = -1;
            m_exitStatus = status;
            return false;
        }
        return r == 0;
    }

    // Waits for the child to end by itself; false (and kills it) on time-out.
    bool Wait(std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (Running()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                Stop();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    void CloseStdin() {
        if (m_stdin >= 0) close(m_stdin);
        m_stdin = -1;
    }

    void Stop() {
        CloseStdin();
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_exitStatus = 0;
};

inline std::string MakeFolder(const char* hint) {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/tastra-" + hint + "-XXXXXX";
    if (!mkdtemp(pattern.data())) return {};
    return pattern;
}

// Runs a program to its end; its exit code (-1 when it could not run or
// did not end within the time-out).
inline int RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    ChildProcess child;
    if (!child.Spawn(argv, extraEnv)) return -1;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(child.Pid(), &status, WNOHANG);
        if (r == child.Pid()) {
            // Reaped here: forget the pid so Stop does not signal a reused one.
            child.Forget();
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (r < 0 || std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// A private PulseAudio with one null sink as the default output. While it
// runs, PULSE_SERVER and HOME of this process point at it (restored on Stop).
class PulseServer {
public:
    PulseServer() = default;
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;
    ~PulseServer() { Stop(); }

    bool Start() {
        m_folder = MakeFolder("pulse");
        if (m_folder.empty()) return false;
        m_server = "unix:" + m_folder + "/native";
        SaveEnv("PULSE_SERVER", m_savedServer, m_hadServer);
        SaveEnv("HOME", m_savedHome, m_hadHome);
        setenv("PULSE_SERVER", m_server.c_str(), 1);
        setenv("HOME", m_folder.c_str(), 1);
        m_envSet = true;
        return SpawnDaemon();
    }

    // Ends the server and starts a new one on the same socket (the
    // environment stays as it is, so threads reading it are undisturbed).
    bool Restart() {
        m_players.clear();
        m_daemon.Stop();
        unlink((m_folder + "/native").c_str());
        return SpawnDaemon();
    }

    void Stop() {
        m_players.clear();
        m_daemon.Stop();
        if (m_envSet) {
            RestoreEnv("PULSE_SERVER", m_savedServer, m_hadServer);
            RestoreEnv("HOME", m_savedHome, m_hadHome);
            m_envSet = false;
        }
        if (!m_folder.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_folder, ec);
            m_folder.clear();
        }
    }

    [[nodiscard]] const std::string& Server() const { return m_server; }
    [[nodiscard]] const std::string& Folder() const { return m_folder; }
    [[nodiscard]] std::vector<std::string> Env() const { return {"PULSE_SERVER=" + m_server, "HOME=" + m_folder}; }

    int Pactl(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"pactl"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunToEnd(argv, Env());
    }

    // A stereo 48 kHz sine WAV made with sox; empty path on failure.
    std::string MakeTone(double frequency, double seconds, double volume = 0.5) {
        std::string path = m_folder + "/tone-" + std::to_string(static_cast<int>(frequency)) + "-" +
                           std::to_string(m_tones++) + ".wav";
        int rc = RunToEnd({"sox", "-n", "-r", "48000", "-c", "2", "-b", "16", path, "synth", std::to_string(seconds),
                           "sine", std::to_string(frequency), "vol", std::to_string(volume)});
        return rc == 0 ? path : std::string();
    }

    // Starts playing a WAV into the default output; the player keeps running
    // in the background until it ends or the server stops.
    ChildProcess* Play(const std::string& wav, const std::string& device = {}) {
        m_players.emplace_back(std::make_unique<ChildProcess>());
        std::vector<std::string> argv = {"paplay"};
        if (!device.empty()) argv.push_back("--device=" + device);
        argv.push_back(wav);
        if (!m_players.back()->Spawn(argv, Env())) return nullptr;
        return m_players.back().get();
    }

private:
    bool SpawnDaemon() {
        if (!m_daemon.Spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-L",
                             "module-native-protocol-unix socket=" + m_folder + "/native auth-anonymous=1", "-L",
                             "module-null-sink sink_name=tastra_null"},
                            Env()))
            return false;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!m_daemon.Running()) return false;
            if (access((m_folder + "/native").c_str(), F_OK) == 0 && Pactl({"info"}) == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    static void SaveEnv(const char* name, std::string& value, bool& had) {
        const char* v = getenv(name);
        had = v != nullptr;
        value = v ? v : "";
    }
    static void RestoreEnv(const char* name, const std::string& value, bool had) {
        if (had)
            setenv(name, value.c_str(), 1);
        else
            unsetenv(name);
    }

    std::string m_folder;
    std::string m_server;
    ChildProcess m_daemon;
    std::vector<std::unique_ptr<ChildProcess>> m_players;
    int m_tones = 0;
    bool m_envSet = false;
    bool m_hadServer = false, m_hadHome = false;
    std::string m_savedServer, m_savedHome;
};

// A private Xvfb on a free display (chosen by the server itself).
class XvfbServer {
public:
    XvfbServer() = default;
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer() { Stop(); }

    bool Start(int width = 1280, int height = 800) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return false;
        std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        bool spawned = m_server.Spawn(
            {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, {},
            fds[1]);
        close(fds[1]);
        if (!spawned) {
            close(fds[0]);
            return false;
        }
        std::string number;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 100) > 0) {
                char buf[32];
                ssize_t n = read(fds[0], buf, sizeof buf);
                if (n <= 0) break;
                number.append(buf, static_cast<size_t>(n));
                if (number.find('\n') != std::string::npos) break;
            }
            if (!m_server.Running()) break;
        }
        close(fds[0]);
        while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
        if (number.empty()) return false;
        m_display = ":" + number;
        return true;
    }

    void Stop() { m_server.Stop(); }

    [[nodiscard]] const std::string& Display() const { return m_display; }
    [[nodiscard]] pid_t Pid() const { return m_server.Pid(); }

    // Paints the root window one colour ("#rrggbb").
    bool SetRootColour(const std::string& colour) {
        return RunToEnd({"xsetroot", "-display", m_display, "-solid", colour}) == 0;
    }

private:
    ChildProcess m_server;
    std::string m_display;
};

}  // namespace lightingtest
