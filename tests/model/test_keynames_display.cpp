// Key names with a display: the character keys are named by the current
// layout (through SDL), the others keep their English names. The test starts
// its own Xvfb and stops it.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/KeyNames.h"

namespace {

class PrivateDisplay {
public:
    PrivateDisplay() {
        int fds[2];
        if (pipe(fds) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c = 0;
        while (m_pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) m_display = ":" + number;
    }
    ~PrivateDisplay() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }
    [[nodiscard]] const std::string& Name() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

TEST(KeyNamesWithDisplay, CharacterKeysFollowTheLayoutOthersStayEnglish) {
    PrivateDisplay display;
    if (display.Name().empty()) GTEST_SKIP() << "Xvfb could not be started";
    setenv("DISPLAY", display.Name().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();

    // The private server's default map is US.
    EXPECT_EQ(keynames::KeyNameText(0x1EL << 16), u"A");
    EXPECT_EQ(keynames::KeyNameText(0x27L << 16), u";");
    EXPECT_EQ(keynames::KeyNameText(0x02L << 16), u"1");
    // Keys that type no character keep the system's English names.
    EXPECT_EQ(keynames::KeyNameText(0x1CL << 16), u"Enter");
    EXPECT_EQ(keynames::KeyNameText(0x39L << 16), u"Space");
    EXPECT_EQ(keynames::KeyNameText(0x147L << 16), u"Home");
    SDL_Quit();
    // Without the display again: the built-in names.
    EXPECT_EQ(keynames::KeyNameText(0x1EL << 16), u"A");
}

}  // namespace
