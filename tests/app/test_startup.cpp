#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/Startup.h"
#include "platform/Paths.h"
#include "tests/support/TestEnv.h"
#include "ui/core/Manager.h"

extern char** environ;

// Readable failure messages for the UTF-16 strings.
void PrintTo(const CString& text, std::ostream* out) {
    *out << '"' << text.ToUtf8() << '"';
}

namespace {

using namespace std::chrono_literals;
constexpr auto kPatience = 10s;

// A started tastra process with its standard output on a pipe.
class TastraProcess {
public:
    TastraProcess(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        std::string exe = testenv::BinDir() + "/tastra";
        std::vector<std::string> argStore{exe};
        argStore.insert(argStore.end(), args.begin(), args.end());
        // The environment of this test with the given variables replaced.
        std::vector<std::string> envStore;
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            if (!env.count(entry.substr(0, entry.find('=')))) envStore.push_back(entry);
        }
        for (auto& [name, value] : env) envStore.push_back(name + "=" + value);
        std::vector<char*> argv, envp;
        for (auto& a : argStore) argv.push_back(a.data());
        for (auto& e : envStore) envp.push_back(e.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        if (posix_spawn(&m_pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_out = fds[0];
    }
    ~TastraProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) close(m_out);
    }

    // Waits until the output holds `text`; false after kPatience or at the
    // end of the output.
    bool WaitForOutput(const std::string& text) {
        if (m_out < 0) return false;
        auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (m_output.find(text) == std::string::npos) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{m_out, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
            char buf[256];
            ssize_t n = read(m_out, buf, sizeof buf);
            if (n <= 0) return false;
            m_output.append(buf, static_cast<size_t>(n));
        }
        return true;
    }

    // The exit code once the process has ended (128 + signal when killed);
    // -1 when it is still running after kPatience.
    int WaitForExit() {
        auto deadline = std::chrono::steady_clock::now() + kPatience;
        int status = 0;
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(10ms);
        }
        m_pid = -1;
        WaitForOutput("\x01");  // collect what is left of the output
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    void Signal(int signal) const { kill(m_pid, signal); }
    void CloseOutput() {
        close(m_out);
        m_out = -1;
    }
    [[nodiscard]] bool Started() const { return m_pid > 0; }
    [[nodiscard]] const std::string& Output() const { return m_output; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_output;
};

constexpr char kStarted[] = "tastra: started";
constexpr char kRaised[] = "tastra: raise requested";

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string base = testenv::MakeTempDir("session");
        for (const char* sub : {"/data", "/config", "/runtime", "/root"}) mkdir((base + sub).c_str(), 0700);
        m_env = {{"XDG_DATA_HOME", base + "/data"},
                 {"XDG_CONFIG_HOME", base + "/config"},
                 {"XDG_RUNTIME_DIR", base + "/runtime"},
                 {"TASTRA_DATA_ROOT", base + "/root"},
                 {"LC_ALL", ""},
                 {"LC_MESSAGES", ""},
                 {"LANG", "en_US.UTF-8"}};
        m_base = base;
    }
    void WriteConfig(const std::string& xml) const { testenv::WriteFile(m_base + "/root/config.xml", xml); }

    std::string m_base;
    std::map<std::string, std::string> m_env;
};

TEST_F(StartupTest, SecondStartRaisesTheFirstAndEnds) {
    TastraProcess first({}, m_env);
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(first.WaitForOutput(kStarted)) << first.Output();

    for (int n = 0; n < 2; ++n) {
        TastraProcess second({}, m_env);
        EXPECT_EQ(second.WaitForExit(), 0);
        EXPECT_EQ(second.Output().find(kStarted), std::string::npos) << second.Output();
    }
    EXPECT_TRUE(first.WaitForOutput(std::string(kRaised) + "\n" + kRaised)) << first.Output();

    // A close by the session is a normal end.
    first.Signal(SIGTERM);
    EXPECT_EQ(first.WaitForExit(), 0);
}

TEST_F(StartupTest, LostOutputDoesNotEndTheFirstInstance) {
    // The session that started it has gone: announcing the raise request on
    // the closed output must not kill the program.
    TastraProcess first({}, m_env);
    ASSERT_TRUE(first.WaitForOutput(kStarted));
    first.CloseOutput();
    TastraProcess second({}, m_env);
    EXPECT_EQ(second.WaitForExit(), 0);
    std::this_thread::sleep_for(100ms);
    first.Signal(SIGTERM);
    EXPECT_EQ(first.WaitForExit(), 0);
}

TEST_F(StartupTest, KilledInstanceDoesNotBlockTheNextStart) {
    {
        TastraProcess crashed({}, m_env);
        ASSERT_TRUE(crashed.WaitForOutput(kStarted));
        crashed.Signal(SIGKILL);
        EXPECT_EQ(crashed.WaitForExit(), 128 + SIGKILL);
    }
    EXPECT_TRUE(testenv::FileExists(m_env["XDG_RUNTIME_DIR"] + "/Tastra.lock"));
    EXPECT_TRUE(testenv::FileExists(m_env["XDG_RUNTIME_DIR"] + "/Tastra.sock"));

    TastraProcess next({}, m_env);
    ASSERT_TRUE(next.WaitForOutput(kStarted)) << next.Output();
    TastraProcess second({}, m_env);
    EXPECT_EQ(second.WaitForExit(), 0);
    EXPECT_TRUE(next.WaitForOutput(kRaised));
    next.Signal(SIGINT);
    EXPECT_EQ(next.WaitForExit(), 0);
    EXPECT_FALSE(testenv::FileExists(m_env["XDG_RUNTIME_DIR"] + "/Tastra.sock"));
}

TEST_F(StartupTest, FirstRunStoresTheLanguageAndMakesTheDataFolder) {
    m_env["LANG"] = "de_DE.UTF-8";
    TastraProcess run({"--exit-after-start"}, m_env);
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_EQ(testenv::ReadFile(m_env["XDG_CONFIG_HOME"] + "/Tastra/settings.ini"), "LCID=1036\r\n");
    struct stat st {};
    EXPECT_EQ(stat((m_env["XDG_DATA_HOME"] + "/Tastra Files/db").c_str(), &st), 0);
}

TEST_F(StartupTest, ProductNameFromConfigNamesEveryFile) {
    WriteConfig(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n<software name=\"Tastra Pro\" "
        "version=\"1.0\"/>\r\n</config>\r\n");
    TastraProcess first({}, m_env);
    ASSERT_TRUE(first.WaitForOutput(kStarted)) << first.Output();
    EXPECT_TRUE(testenv::FileExists(m_env["XDG_RUNTIME_DIR"] + "/Tastra Pro.lock"));
    EXPECT_TRUE(testenv::FileExists(m_env["XDG_CONFIG_HOME"] + "/Tastra Pro/settings.ini"));
    EXPECT_TRUE(testenv::FileExists(m_env["XDG_DATA_HOME"] + "/Tastra Pro Files/db"));
    first.Signal(SIGTERM);
    EXPECT_EQ(first.WaitForExit(), 0);
}

TEST_F(StartupTest, AutostartEntryStartsThisProgram) {
    setenv("XDG_CONFIG_HOME", m_env["XDG_CONFIG_HOME"].c_str(), 1);
    Manager::SetDeviceName(u"Tastra");
    const std::string exe = testenv::BinDir() + "/tastra";
    const std::string entry = m_env["XDG_CONFIG_HOME"] + "/autostart/Tastra.desktop";
    EXPECT_EQ(AutostartExecutable().ToUtf8(), exe);
    EXPECT_FALSE(IsAutostartEnabled());
    for (int round = 0; round < 2; ++round) {
        SetAutostart(true);
        EXPECT_TRUE(IsAutostartEnabled());
        EXPECT_NE(testenv::ReadFile(entry).find("\nExec=" + exe + "\n"), std::string::npos);
        SetAutostart(false);
        EXPECT_FALSE(IsAutostartEnabled());
        EXPECT_FALSE(testenv::FileExists(entry));
    }
}

// In-process: what ReadProductName hands to the toolkit.
TEST_F(StartupTest, ProductNameRules) {
    const std::string shippedRoot = testenv::DataRoot();
    setenv("TASTRA_DATA_ROOT", m_env["TASTRA_DATA_ROOT"].c_str(), 1);
    struct {
        const char* what;
        const char* xml;  // nullptr = no config.xml
        const char16_t* name;
        const char16_t* pathName;
    } cases[] = {
        {"named", "<config><software name=\"Keyboard &amp; Co\"/></config>", u"Keyboard & Co", u"Keyboard & Co"},
        {"no file", nullptr, u"Tastra", u"Tastra"},
        {"not XML", "\x01\x02 garbage <<", u"Tastra", u"Tastra"},
        {"cut off", "<config><software name=\"Half", u"Tastra", u"Tastra"},
        {"other root", "<configuration><software name=\"X\"/></configuration>", u"Tastra", u"Tastra"},
        {"no software", "<config><device/></config>", u"Tastra", u"Tastra"},
        // Shown as it is, but never used to build a path.
        {"no name attribute", "<config><software version=\"1\"/></config>", u"", u"Tastra"},
        {"name with a slash", "<config><software name=\"../../etc\"/></config>", u"../../etc", u"Tastra"},
        {"dot dot", "<config><software name=\"..\"/></config>", u"..", u"Tastra"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        Manager::SetDeviceName(u"Tastra");
        std::string path = m_env["TASTRA_DATA_ROOT"] + "/config.xml";
        unlink(path.c_str());
        if (c.xml) testenv::WriteFile(path, c.xml);
        ReadProductName();
        EXPECT_EQ(Manager::GetDeviceName(), CString(c.name));
        EXPECT_EQ(paths::PathProductName(), CString(c.pathName));
    }
    Manager::SetDeviceName(u"Tastra");
    setenv("TASTRA_DATA_ROOT", shippedRoot.c_str(), 1);
}

}  // namespace

TEST(StartupDeviceLinkTest, SimulateListIsCheckedAtStart) {
    const std::string exe = testenv::BinDir() + "/tastra";
    struct Case {
        std::vector<std::string> args;
        std::string env;
        int exitCode;
    } cases[] = {
        {{"--simulate", "k87", "--exit-after-start"}, "", 0},
        {{"--simulate=k104,k68:receiver", "--exit-after-start"}, "", 0},
        {{"--simulate", "nosuch", "--exit-after-start"}, "", 2},
        {{"--exit-after-start"}, "TASTRA_SIMULATE=nosuch", 2},
        {{"--simulate", "k87", "--exit-after-start"}, "TASTRA_SIMULATE=nosuch", 0},  // the option wins
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{exe};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::vector<std::string> env{"TASTRA_DATA_ROOT=" + testenv::MakeTempDir("root")};
        if (!c.env.empty()) env.push_back(c.env);
        std::string out, err;
        EXPECT_EQ(testenv::RunProcess(argv, &out, &err, env), c.exitCode) << argv[1] << " " << c.env << ": " << err;
        if (c.exitCode == 2) {
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        }
    }
}
