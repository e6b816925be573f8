#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/SingleInstance.h"
#include "tests/support/TestEnv.h"

namespace {

using namespace std::chrono_literals;

// Counts raise requests and lets the test wait for them.
class RaiseCounter {
public:
    std::function<void()> Handler() {
        return [this] {
            std::lock_guard guard(m_lock);
            ++m_count;
            m_changed.notify_all();
        };
    }
    bool WaitFor(int count) {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, 10s, [&] { return m_count >= count; });
    }
    int Count() {
        std::lock_guard guard(m_lock);
        return m_count;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_count = 0;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_runtime = testenv::MakeTempDir("runtime");
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    }
    std::string m_runtime;
};

TEST_F(SingleInstanceTest, SecondInstanceRaisesTheFirst) {
    RaiseCounter raised;
    SingleInstance first(u"Tastra");
    EXPECT_EQ(first.LockPath().ToUtf8(), m_runtime + "/Tastra.lock");
    EXPECT_EQ(first.SocketPath().ToUtf8(), m_runtime + "/Tastra.sock");
    first.SetRaiseHandler(raised.Handler());
    ASSERT_EQ(first.Acquire(), SingleInstance::Outcome::First);

    for (int n = 1; n <= 2; ++n) {
        SingleInstance second(u"Tastra");
        EXPECT_EQ(second.Acquire(), SingleInstance::Outcome::Second);
        EXPECT_TRUE(raised.WaitFor(n));
    }
    // Another product name is another instance.
    SingleInstance other(u"Tastra Pro");
    EXPECT_EQ(other.Acquire(), SingleInstance::Outcome::First);
    EXPECT_EQ(raised.Count(), 2);
}

TEST_F(SingleInstanceTest, EndedOrDeadInstanceDoesNotBlockANewOne) {
    {
        SingleInstance first(u"Tastra");
        ASSERT_EQ(first.Acquire(), SingleInstance::Outcome::First);
    }
    EXPECT_FALSE(testenv::FileExists(m_runtime + "/Tastra.sock"));

    // What a killed process leaves: the lock file with its pid, and its socket
    // file, nobody listening.
    testenv::WriteFile(m_runtime + "/Tastra.lock", "99999\n");
    int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, (m_runtime + "/Tastra.sock").c_str());
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(stale);

    RaiseCounter raised;
    SingleInstance again(u"Tastra");
    again.SetRaiseHandler(raised.Handler());
    ASSERT_EQ(again.Acquire(), SingleInstance::Outcome::First);
    EXPECT_EQ(testenv::ReadFile(m_runtime + "/Tastra.lock"), std::to_string(getpid()) + "\n");
    SingleInstance second(u"Tastra");
    EXPECT_EQ(second.Acquire(), SingleInstance::Outcome::Second);
    EXPECT_TRUE(raised.WaitFor(1));
}

TEST_F(SingleInstanceTest, SilentOrForeignClientsDoNotStopTheListener) {
    RaiseCounter raised;
    SingleInstance first(u"Tastra");
    first.SetRaiseHandler(raised.Handler());
    ASSERT_EQ(first.Acquire(), SingleInstance::Outcome::First);

    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, first.SocketPath().ToUtf8().c_str());
    auto connectAndSend = [&](const char* text) {
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        if (text) {
            EXPECT_GT(send(fd, text, std::strlen(text), 0), 0);
        }
        return fd;
    };
    int silent = connectAndSend(nullptr);
    close(connectAndSend("rAiSe\n"));
    close(connectAndSend("quit\n"));
    close(connectAndSend("raise\n"));
    EXPECT_TRUE(raised.WaitFor(1));
    close(silent);
    EXPECT_EQ(raised.Count(), 1);
}

TEST_F(SingleInstanceTest, WithoutRuntimeDirTheLockGoesToTmpPerUser) {
    unsetenv("XDG_RUNTIME_DIR");
    const std::string name = "TastraTest" + std::to_string(getpid());
    const std::string base = "/tmp/" + name + "-" + std::to_string(getuid());
    {
        SingleInstance first(CString::FromUtf8(name));
        EXPECT_EQ(first.LockPath().ToUtf8(), base + ".lock");
        ASSERT_EQ(first.Acquire(), SingleInstance::Outcome::First);
        SingleInstance second(CString::FromUtf8(name));
        EXPECT_EQ(second.Acquire(), SingleInstance::Outcome::Second);
    }
    unlink((base + ".lock").c_str());
    setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
}

}  // namespace
