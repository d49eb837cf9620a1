// A tiny HTTP server on 127.0.0.1 for the promotion panel's tests: one thread,
// an ephemeral port, one page whose answer the test chooses, and a count of
// the requests for that page.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class TestHttpServer {
public:
    enum class Answer {
        Page,         // 200 with a small HTML page
        ServerError,  // 500 with a small HTML page
        Close,        // the connection is closed without an answer
    };

    // Starts listening for `path` (e.g. "/ads/tessaly/ads.php").
    explicit TestHttpServer(std::string path);
    // Stops the thread and closes every connection.
    ~TestHttpServer();

    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool IsListening() const { return m_listenFd >= 0; }
    int Port() const { return m_port; }
    std::string Url() const;  // http://127.0.0.1:port/path

    void SetAnswer(Answer answer) { m_answer = answer; }
    int Requests() const { return m_requests; }  // requests for the path so far
    int Connections() const { return m_connections; }

private:
    void Run();

    std::string m_path;
    int m_listenFd = -1;
    int m_wakeFds[2] = {-1, -1};
    int m_port = 0;
    std::atomic<Answer> m_answer{Answer::Page};
    std::atomic<int> m_requests{0};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

// A port on 127.0.0.1 where nothing listens: connections are refused.
int RefusingPort();

// A socket on 127.0.0.1 that listens and never accepts: connections succeed
// and then nothing is ever answered. Closed when it goes out of scope.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    bool IsListening() const { return m_fd >= 0; }
    int Port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};
