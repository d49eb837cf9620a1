// Whether a web server can be reached: a real TCP connection attempt to the
// host and port of an address, given up after a time-out.
#pragma once

#include <chrono>
#include <optional>
#include <string>

// Host and port of an http:// or https:// address.
struct UrlEndpoint {
    std::string host;  // without the brackets of an IPv6 literal
    std::string port;  // decimal; 80 or 443 when the address names none
};

// Splits "http://host[:port][/path]" (or https, any letter case; "[::1]" for
// an IPv6 host); nullopt for anything else.
std::optional<UrlEndpoint> ParseUrlEndpoint(const std::string& url);

// Resolves the address's host and tries to connect to each of its addresses
// in turn until one accepts; true when one did within `timeout` (which bounds
// each connection attempt, not the name lookup). Blocks: call it from a
// thread of its own.
bool CanConnect(const std::string& url, std::chrono::milliseconds timeout);
