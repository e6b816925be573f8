#include "tests/updater/TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace testhttp {
namespace {

constexpr size_t kMaxHeadBytes = 16384;
constexpr int kPollMs = 20;

std::string CollapseSlashes(const std::string& path) {
    std::string out;
    for (const char ch : path) {
        if (ch == '/' && !out.empty() && out.back() == '/') continue;
        out += ch;
    }
    return out;
}

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

}  // namespace

TestHttpServer::TestHttpServer() {
    m_listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_listenFd < 0 || bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listenFd, 16) != 0 || getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("test HTTP server cannot listen");
    }
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
    m_stop = true;
    m_acceptThread.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(m_mutex);
        connections.swap(m_connections);
    }
    for (std::thread& t : connections) t.join();
    close(m_listenFd);
}

std::string TestHttpServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

void TestHttpServer::Serve(const std::string& path, Response response) {
    std::lock_guard lock(m_mutex);
    m_routes[CollapseSlashes(path)] = std::move(response);
}

std::vector<std::string> TestHttpServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int TestHttpServer::RequestCount(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    int count = 0;
    for (const std::string& p : m_paths) count += p == CollapseSlashes(path) ? 1 : 0;
    return count;
}

bool TestHttpServer::Pause(int ms) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (m_stop) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !m_stop;
}

void TestHttpServer::AcceptLoop() {
    while (!m_stop) {
        pollfd p{m_listenFd, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0) continue;
        const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, fd] { Handle(fd); });
    }
}

void TestHttpServer::Handle(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHeadBytes && !m_stop) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0) continue;
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        head.append(buffer, static_cast<size_t>(got));
    }
    const size_t firstSpace = head.find(' ');
    const size_t secondSpace = firstSpace == std::string::npos ? firstSpace : head.find(' ', firstSpace + 1);
    if (secondSpace == std::string::npos) {
        close(fd);
        return;
    }
    const std::string path = CollapseSlashes(head.substr(firstSpace + 1, secondSpace - firstSpace - 1));
    Response response;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(head);
        m_paths.push_back(path);
        const auto found = m_routes.find(path);
        if (found != m_routes.end()) {
            response = found->second;
        } else {
            response.status = 404;
            response.body = "<html>not found</html>";
        }
    }
    std::string header = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n";
    if (response.sendLength) header += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    header += "Connection: close\r\n\r\n";
    bool ok = SendAll(fd, header.data(), header.size());
    if (ok && response.stallMs > 0) ok = Pause(response.stallMs);
    const size_t chunk = response.chunkBytes ? response.chunkBytes : response.body.size();
    for (size_t offset = 0; ok && offset < response.body.size(); offset += chunk) {
        if (offset > 0 && response.pauseMs > 0 && !Pause(response.pauseMs)) break;
        ok = SendAll(fd, response.body.data() + offset, std::min(chunk, response.body.size() - offset));
    }
    shutdown(fd, SHUT_WR);
    close(fd);
}

}  // namespace testhttp
