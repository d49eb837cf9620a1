// The reachability check: address parsing and real connection attempts on
// 127.0.0.1.

#include "promo/promo_address.h"
#include "promo/reachability.h"
#include "test_http_server.h"

#include <gtest/gtest.h>


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
    const SilentListener silent;
    ASSERT_TRUE(silent.IsListening());
    EXPECT_TRUE(CanConnect("http://127.0.0.1:" + std::to_string(silent.Port()) + "/", 30s));
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
