#include "reachability.h"

#include "base/ascii.h"

#include <algorithm>
#include <cctype>

#ifdef _WIN32
// TODO(windows): not yet built or tried on Windows. The same calls through
// winsock: WSAStartup once per process (done here on every check, which is
// allowed and reference-counted), WSAPoll instead of poll, closesocket, and
// ioctlsocket(FIONBIO) instead of fcntl. Link ws2_32.
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
void CloseSocket(Socket s) { closesocket(s); }
bool SetNonBlocking(Socket s)
{
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
bool ConnectPending() { return WSAGetLastError() == WSAEWOULDBLOCK; }
int PollOne(WSAPOLLFD* fd, int timeoutMs) { return WSAPoll(fd, 1, timeoutMs); }
using PollFd = WSAPOLLFD;

// Winsock is started for the life of one check.
class NetworkSession {
public:
    NetworkSession() { m_bStarted = WSAStartup(MAKEWORD(2, 2), &m_data) == 0; }
    ~NetworkSession()
    {
        if (m_bStarted)
            WSACleanup();
    }
    NetworkSession(const NetworkSession&) = delete;
    NetworkSession& operator=(const NetworkSession&) = delete;
    bool Started() const { return m_bStarted; }

private:
    WSADATA m_data{};
    bool m_bStarted = false;
};
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
void CloseSocket(Socket s) { close(s); }
bool SetNonBlocking(Socket s)
{
    const int flags = fcntl(s, F_GETFL, 0);
    return flags != -1 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
bool ConnectPending() { return errno == EINPROGRESS; }
using PollFd = pollfd;
int PollOne(PollFd* fd, int timeoutMs)
{
    int rc;
    do
        rc = poll(fd, 1, timeoutMs);
    while (rc < 0 && errno == EINTR);
    return rc;
}

class NetworkSession {
public:
    bool Started() const { return true; }
};
#endif

class SocketHolder {
public:
    explicit SocketHolder(Socket s) : m_socket(s) {}
    ~SocketHolder()
    {
        if (m_socket != kNoSocket)
            CloseSocket(m_socket);
    }
    SocketHolder(const SocketHolder&) = delete;
    SocketHolder& operator=(const SocketHolder&) = delete;
    Socket Get() const { return m_socket; }

private:
    Socket m_socket;
};

class AddrInfoHolder {
public:
    AddrInfoHolder() = default;
    ~AddrInfoHolder()
    {
        if (m_pList)
            freeaddrinfo(m_pList);
    }
    AddrInfoHolder(const AddrInfoHolder&) = delete;
    AddrInfoHolder& operator=(const AddrInfoHolder&) = delete;
    addrinfo** Out() { return &m_pList; }
    const addrinfo* Get() const { return m_pList; }

private:
    addrinfo* m_pList = nullptr;
};

// One non-blocking connection attempt, waited for at most `timeout`.
bool TryConnect(const addrinfo& address, std::chrono::milliseconds timeout)
{
    SocketHolder s(socket(address.ai_family, address.ai_socktype, address.ai_protocol));
    if (s.Get() == kNoSocket || !SetNonBlocking(s.Get()))
        return false;
    if (connect(s.Get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0)
        return true;
    if (!ConnectPending())
        return false;

    PollFd fd{};
    fd.fd = s.Get();
    fd.events = POLLOUT;
    const auto ms = std::clamp<long long>(timeout.count(), 0, 24LL * 60 * 60 * 1000);
    if (PollOne(&fd, static_cast<int>(ms)) <= 0)
        return false;  // timed out or failed
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(s.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
        return false;
    return error == 0;
}

bool IsDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

std::optional<UrlEndpoint> ParseUrlEndpoint(const std::string& url)
{
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos)
        return std::nullopt;
    const std::string scheme = ToAsciiLower(std::string_view(url).substr(0, schemeEnd));
    UrlEndpoint endpoint;
    if (scheme == "http")
        endpoint.port = "80";
    else if (scheme == "https")
        endpoint.port = "443";
    else
        return std::nullopt;

    const auto authorityStart = schemeEnd + 3;
    const auto authorityEnd = url.find_first_of("/?#", authorityStart);
    std::string authority = url.substr(authorityStart, authorityEnd == std::string::npos
                                                           ? std::string::npos
                                                           : authorityEnd - authorityStart);
    if (authority.find('@') != std::string::npos)
        return std::nullopt;  // user names have no place in this address

    std::string portText;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        endpoint.host = authority.substr(1, close - 1);
        const std::string rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            portText = rest.substr(1);
            if (portText.empty())
                return std::nullopt;
        }
    } else {
        const auto colon = authority.find(':');
        endpoint.host = authority.substr(0, colon);
        if (colon != std::string::npos) {
            portText = authority.substr(colon + 1);
            if (portText.empty())
                return std::nullopt;
        }
    }
    if (endpoint.host.empty())
        return std::nullopt;
    if (!portText.empty()) {
        if (!IsDigits(portText) || portText.size() > 5 || std::stoi(portText) < 1 || std::stoi(portText) > 65535)
            return std::nullopt;
        endpoint.port = portText;
    }
    return endpoint;
}

bool CanConnect(const std::string& url, std::chrono::milliseconds timeout)
{
    const auto endpoint = ParseUrlEndpoint(url);
    if (!endpoint)
        return false;
    NetworkSession session;
    if (!session.Started())
        return false;

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    AddrInfoHolder addresses;
    if (getaddrinfo(endpoint->host.c_str(), endpoint->port.c_str(), &hints, addresses.Out()) != 0)
        return false;
    for (const addrinfo* a = addresses.Get(); a; a = a->ai_next) {
        if (TryConnect(*a, timeout))
            return true;
    }
    return false;
}
