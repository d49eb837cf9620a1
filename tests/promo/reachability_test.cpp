// The reachability check: address parsing and real connection attempts on
// 127.0.0.1.

#include "promo/promo_address.h"
#include "promo/reachability.h"
#include "test_http_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;

std::string Narrow(const wchar_t* wide)
{
    return std::string(wide, wide + std::wcslen(wide));
}

TEST(ParseUrlEndpointTest, TakesHostAndPort)
{
    const struct {
        const char* url;
        const char* host;
        const char* port;
    } cases[] = {
        {"http://promo.example.com/ads/tessaly/ads.php", "promo.example.com", "80"},
        {"http://127.0.0.1:8080/ads/tessaly/ads.php", "127.0.0.1", "8080"},
        {"HTTP://Example.com", "Example.com", "80"},
        {"https://example.com/", "example.com", "443"},
        {"http://example.com?x=1", "example.com", "80"},
        {"http://[::1]:81/x", "::1", "81"},
        {"http://[::1]/x", "::1", "80"},
        {"http://h:65535/", "h", "65535"},
    };
    for (const auto& c : cases) {
        const auto endpoint = ParseUrlEndpoint(c.url);
        ASSERT_TRUE(endpoint) << c.url;
        EXPECT_EQ(endpoint->host, c.host) << c.url;
        EXPECT_EQ(endpoint->port, c.port) << c.url;
    }
}

TEST(ParseUrlEndpointTest, RefusesOtherAddresses)
{
    for (const char* url : {"", "promo.example.com/ads.php", "ftp://example.com/", "http://", "http:///x",
                            "http://host:/x", "http://host:abc/", "http://host:0/", "http://host:65536/",
                            "http://host:123456/", "http://user@host/", "http://[::1/", "http://[::1]x/"}) {
        EXPECT_FALSE(ParseUrlEndpoint(url)) << url;
    }
}

TEST(CanConnectTest, ReachesAListeningServer)
{
    TestHttpServer server("/ads/tessaly/ads.php");
    ASSERT_TRUE(server.IsListening());
    EXPECT_TRUE(CanConnect(server.Url(), 30s));
    // A connection, and no request: the check asks nothing of the server.
    EXPECT_EQ(server.Requests(), 0);
}

TEST(CanConnectTest, ReachesASocketThatListensButNeverAccepts)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(fd, 4), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    EXPECT_TRUE(CanConnect("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/", 30s));
    close(fd);
}

TEST(CanConnectTest, FailsOnARefusingPort)
{
    EXPECT_FALSE(CanConnect("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/ads/tessaly/ads.php", 30s));
}

TEST(CanConnectTest, FailsOnANameThatNeverResolves)
{
    EXPECT_FALSE(CanConnect(Narrow(kDefaultPromoAddress), 30s));
    EXPECT_FALSE(CanConnect("http://nothing.invalid:80/", 30s));
}

TEST(CanConnectTest, FailsOnAMalformedAddress)
{
    EXPECT_FALSE(CanConnect("not an address", 30s));
    EXPECT_FALSE(CanConnect("gopher://127.0.0.1/", 30s));
}

}  // namespace
