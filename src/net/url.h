#pragma once
// Taking an address apart into what one request needs.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sockets.h"

namespace zepa::net {

constexpr size_t kMaxPathChars = 256;
constexpr int kHttpPort = 80;

/// Where the next request goes. The client keeps it from one request to
/// the next: an address without a host, such as "/story.kvs", goes to the
/// host and port of the one before.
struct Target {
  std::string url;
  std::string host;
  int port = 0;  // 0 until the first address sets one
  std::string path;
};

/// Reads `target.url` into `target`: the path (at most 256 characters, "/"
/// when there is none, which also gains the URL a "/"), the host (kept when
/// the URL names none) and the port (the scheme's, or the one after the
/// host's ":"). On failure `target` is left as it was and the error text is
/// returned: "HTTP Secure Socket is not supported" for https, "Connection
/// Failed" for a scheme other than http, a number-conversion text for a
/// port that is not a number. A host in brackets is an IPv6 address and
/// keeps its brackets.
std::optional<std::string> ParseURL(Target& target);

/// A host written as four dotted decimal numbers from 0 to 255.
std::optional<platform::NetAddress> DottedIPv4(std::string_view host);

/// A host written as an IPv6 address in brackets, "[::1]".
std::optional<platform::NetAddress> BracketedIPv6(std::string_view host);

/// An address without "//" that begins with a host name, a ":" and a port
/// ("localhost:8080/x"): the text before the ":" is no scheme.
bool StartsWithHostAndPort(std::string_view url);

}  // namespace zepa::net
