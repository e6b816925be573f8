// A small HTTP/1.1 server for the updater tests, run on a thread of the
// test process on 127.0.0.1 with a port the system picks. One thread per
// connection; every answer closes its connection.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testhttp {

struct Response {
    int status = 200;
    std::string body;
    bool sendLength = true;  // Content-Length header; without it the body ends at close
    size_t chunkBytes = 0;   // body written in pieces of this size (0 = at once) ...
    int pauseMs = 0;         // ... with this pause between them
    int stallMs = 0;         // pause after the header, before the body
};

class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // "http://127.0.0.1:<port>/"
    [[nodiscard]] std::string BaseUrl() const;
    // Answers GET `path` (repeated slashes count as one) with `response`;
    // anything not served gets 404.
    void Serve(const std::string& path, Response response);
    // The request heads received so far, in order.
    [[nodiscard]] std::vector<std::string> Requests() const;
    // How many requests asked for `path` (after collapsing slashes).
    [[nodiscard]] int RequestCount(const std::string& path) const;

private:
    void AcceptLoop();
    void Handle(int fd);
    bool Pause(int ms) const;  // false when the server is stopping

    int m_listenFd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;  // guards everything below
    std::map<std::string, Response> m_routes;
    std::vector<std::string> m_requests;
    std::vector<std::string> m_paths;
    std::vector<std::thread> m_connections;
};

}  // namespace testhttp
