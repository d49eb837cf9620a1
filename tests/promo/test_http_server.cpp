#include "test_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <vector>

namespace {

// The server gives up by itself after this long, so a test that forgets it
// never leaves it running.
constexpr auto kLifetime = std::chrono::minutes(5);

int ListenOnLoopback(int& port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0
        || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::string Response(const char* status, const std::string& body)
{
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: "
           + std::to_string(body.size()) + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
}

void SendAll(int fd, const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

}  // namespace

TestHttpServer::TestHttpServer(std::string path) : m_path(std::move(path))
{
    m_listenFd = ListenOnLoopback(m_port);
    if (m_listenFd < 0 || pipe2(m_wakeFds, O_CLOEXEC) != 0)
        return;
    m_thread = std::thread([this] { Run(); });
}

TestHttpServer::~TestHttpServer()
{
    if (m_thread.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const ssize_t n = write(m_wakeFds[1], &stop, 1);
        m_thread.join();
    }
    for (int fd : {m_listenFd, m_wakeFds[0], m_wakeFds[1]}) {
        if (fd >= 0)
            close(fd);
    }
}

std::string TestHttpServer::Url() const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + m_path;
}

void TestHttpServer::Run()
{
    // Every connection is read until its request head is complete, answered
    // and closed; connections that send nothing (such as the reachability
    // check's) are closed when their peer closes.
    std::map<int, std::string> clients;
    const auto deadline = std::chrono::steady_clock::now() + kLifetime;
    while (std::chrono::steady_clock::now() < deadline) {
        std::vector<pollfd> fds{{m_wakeFds[0], POLLIN, 0}, {m_listenFd, POLLIN, 0}};
        for (const auto& [fd, request] : clients)
            fds.push_back({fd, POLLIN, 0});
        const int ready = poll(fds.data(), fds.size(), 1000);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            const int client = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                clients[client];
                ++m_connections;
            }
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            const int fd = fds[i].fd;
            std::string& request = clients[fd];
            char buffer[4096];
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n > 0)
                request.append(buffer, static_cast<size_t>(n));
            const bool headComplete = request.find("\r\n\r\n") != std::string::npos;
            if (n > 0 && !headComplete)
                continue;
            if (headComplete) {
                // "GET /path?query HTTP/1.1"
                const auto start = request.find(' ') + 1;
                const auto end = request.find_first_of(" ?", start);
                const std::string target = request.substr(start, end - start);
                if (target != m_path) {
                    SendAll(fd, Response("404 Not Found", "<html><body>Not here</body></html>"));
                } else {
                    ++m_requests;
                    switch (m_answer.load()) {
                    case Answer::Page:
                        SendAll(fd, Response("200 OK", "<html><head><title>Promotion</title></head>"
                                                       "<body>Promotion</body></html>"));
                        break;
                    case Answer::ServerError:
                        SendAll(fd, Response("500 Internal Server Error",
                                             "<html><body>Server error</body></html>"));
                        break;
                    case Answer::Close:
                        break;
                    }
                }
            }
            close(fd);
            clients.erase(fd);
        }
    }
    for (const auto& [fd, request] : clients)
        close(fd);
}

SilentListener::SilentListener()
{
    m_fd = ListenOnLoopback(m_port);
}

SilentListener::~SilentListener()
{
    if (m_fd >= 0)
        close(m_fd);
}

int RefusingPort()
{
    int port = 0;
    const int fd = ListenOnLoopback(port);
    if (fd >= 0)
        close(fd);  // nothing listens there any more
    return port;
}
