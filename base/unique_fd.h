// An owned file descriptor, closed when it goes out of scope.
#pragma once

#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_fd = other.Release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(m_fd, -1); }
    // Closes it now: what close returned, 0 when none was open.
    int Close()
    {
        if (m_fd < 0)
            return 0;
#ifdef _WIN32
        return _close(std::exchange(m_fd, -1));
#else
        return close(std::exchange(m_fd, -1));
#endif
    }

private:
    int m_fd = -1;
};
