#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/SingleInstance.h"

namespace {

constexpr char kRaiseMessage[] = "raise\n";
// How long a second instance keeps trying to reach a first one that holds the
// lock but may not be listening yet.
constexpr auto kConnectPatience = std::chrono::milliseconds(1000);
constexpr auto kConnectRetryPause = std::chrono::milliseconds(25);
// A client that connects and says nothing is dropped after this long.
constexpr int kClientTimeoutMs = 1000;

std::string RuntimeBase(const CString& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
        std::string base = runtime;
        if (base.back() != '/') base += '/';
        return base + name.ToUtf8();
    }
    return "/tmp/" + name.ToUtf8() + "-" + std::to_string(getuid());
}

bool FillAddress(const CString& path, sockaddr_un* addr) {
    std::string p = path.ToUtf8();
    *addr = {};
    addr->sun_family = AF_UNIX;
    if (p.size() >= sizeof addr->sun_path) return false;
    std::memcpy(addr->sun_path, p.c_str(), p.size() + 1);
    return true;
}

}  // namespace

SingleInstance::SingleInstance(const CString& name) {
    std::string base = RuntimeBase(name);
    m_lockPath = CString::FromUtf8(base + ".lock");
    m_socketPath = CString::FromUtf8(base + ".sock");
}

SingleInstance::~SingleInstance() {
    if (m_listener.joinable()) {
        uint64_t one = 1;
        ssize_t ignored = write(m_wakeFd, &one, sizeof one);
        (void)ignored;
        m_listener.join();
    }
    if (m_listenFd >= 0) close(m_listenFd);
    if (m_wakeFd >= 0) close(m_wakeFd);
    // The socket is removed while the lock is still held, so it can never
    // remove the socket of a newer instance.
    if (m_socketBound) unlink(m_socketPath.ToUtf8().c_str());
    if (m_lockFd >= 0) close(m_lockFd);
}

void SingleInstance::SetRaiseHandler(std::function<void()> handler) {
    std::lock_guard guard(m_handlerLock);
    m_raiseHandler = std::move(handler);
}

SingleInstance::Outcome SingleInstance::Acquire() {
    // Close-on-exec: a program started from here (an installer) must not
    // inherit the lock and keep it after this process ends.
    int fd = open(m_lockPath.ToUtf8().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Outcome::Unguarded;
    struct stat st {};
    // In a shared /tmp another user could have planted the file.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
        close(fd);
        return Outcome::Unguarded;
    }
    int rc;
    while ((rc = flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        bool held = errno == EWOULDBLOCK;
        close(fd);
        if (!held) return Outcome::Unguarded;
        SendRaise();
        return Outcome::Second;
    }
    m_lockFd = fd;
    // The holder's process id, for whoever looks at the file.
    std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) == 0) {
        ssize_t ignored = pwrite(fd, pid.data(), pid.size(), 0);
        (void)ignored;
    }

    sockaddr_un addr;
    if (!FillAddress(m_socketPath, &addr)) return Outcome::First;  // path too long: no raise channel
    m_listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    m_wakeFd = eventfd(0, EFD_CLOEXEC);
    if (m_listenFd < 0 || m_wakeFd < 0) return Outcome::First;
    // We hold the lock, so a socket file left here belongs to a dead instance.
    unlink(addr.sun_path);
    if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return Outcome::First;
    m_socketBound = true;
    chmod(addr.sun_path, 0600);
    if (listen(m_listenFd, 4) != 0) return Outcome::First;
    m_listener = std::thread([this] { Listen(); });
    return Outcome::First;
}

void SingleInstance::Listen() {
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int client = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        ServeOne(client);
        close(client);
    }
}

void SingleInstance::ServeOne(int client) {
    // Only processes of the same user may raise the window.
    ucred peer{};
    socklen_t len = sizeof peer;
    if (getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != geteuid()) return;
    char buf[16] = {};
    size_t got = 0;
    while (got < sizeof buf - 1) {
        pollfd p[2] = {{client, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (poll(p, 2, kClientTimeoutMs) <= 0 || p[1].revents) return;
        ssize_t n = read(client, buf + got, sizeof buf - 1 - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
        if (std::memchr(buf, '\n', got)) break;
    }
    if (std::strncmp(buf, kRaiseMessage, sizeof kRaiseMessage - 1) != 0) return;
    std::function<void()> handler;
    {
        std::lock_guard guard(m_handlerLock);
        handler = m_raiseHandler;
    }
    if (handler) handler();
}

void SingleInstance::SendRaise() const {
    sockaddr_un addr;
    if (!FillAddress(m_socketPath, &addr)) return;
    auto deadline = std::chrono::steady_clock::now() + kConnectPatience;
    for (;;) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return;
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            ssize_t ignored = send(fd, kRaiseMessage, sizeof kRaiseMessage - 1, MSG_NOSIGNAL);
            (void)ignored;
            close(fd);
            return;
        }
        bool notYet = errno == ENOENT || errno == ECONNREFUSED;
        close(fd);
        if (!notYet || std::chrono::steady_clock::now() >= deadline) return;
        std::this_thread::sleep_for(kConnectRetryPause);
    }
}
