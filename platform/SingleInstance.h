// One running program per product name and user.
//
// The first process takes an exclusive lock on <runtime dir>/<name>.lock
// ($XDG_RUNTIME_DIR, or /tmp/<name>-<uid>.lock when that is not set) and
// listens on a Unix socket beside it (<name>.sock). A later process finds the
// lock taken, sends "raise" on the socket and is expected to exit. The lock
// goes with the process that holds it, so the files a crashed process leaves
// behind never block a new start.
#pragma once

#include <functional>
#include <mutex>
#include <thread>

#include "ui/base/CString.h"

class SingleInstance {
public:
    enum class Outcome {
        First,      // this process is the instance; raise requests reach the handler
        Second,     // another process is; it has been asked to raise its window
        Unguarded,  // the lock file could not be used; run without the guard
    };

    // `name` is the product name as used in paths (no "/").
    explicit SingleInstance(const CString& name);
    // Stops listening, removes the socket and releases the lock.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Call once. On Second the raise request has been sent (or could not be,
    // which is not reported: the other process may be on its way out).
    Outcome Acquire();

    // Runs on the listener thread for every raise request, so it must only
    // hand the request over (e.g. post an event to the UI thread).
    void SetRaiseHandler(std::function<void()> handler);

    [[nodiscard]] const CString& LockPath() const noexcept { return m_lockPath; }
    [[nodiscard]] const CString& SocketPath() const noexcept { return m_socketPath; }

private:
    void Listen();
    void ServeOne(int client);
    void SendRaise() const;

    CString m_lockPath;
    CString m_socketPath;
    int m_lockFd = -1;
    int m_listenFd = -1;
    int m_wakeFd = -1;  // eventfd that ends the listener
    bool m_socketBound = false;
    std::thread m_listener;
    std::mutex m_handlerLock;
    std::function<void()> m_raiseHandler;
};
