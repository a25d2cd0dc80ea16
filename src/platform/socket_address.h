#pragma once
// The address structures of the BSD socket interface, which POSIX systems
// and Windows Sockets spell alike. Only the two systems' socket files
// include this: it brings in the system's own socket headers, which the
// rest of the program never sees.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include "platform/sockets.h"

namespace zepa::platform {

/// Looks `name` up with the system's resolver, blocking as long as it
/// takes: the IPv4 and IPv6 addresses in its order, each once (an answer
/// may name one more than once).
inline std::vector<NetAddress> SystemResolve(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  std::vector<NetAddress> found;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0) return found;
  for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
    NetAddress a;
    if (ai->ai_family == AF_INET && ai->ai_addrlen >= sizeof(sockaddr_in)) {
      const auto* sin = reinterpret_cast<const sockaddr_in*>(ai->ai_addr);
      a.family = NetAddress::Family::kIPv4;
      std::memcpy(a.bytes.data(), &sin->sin_addr, 4);
    } else if (ai->ai_family == AF_INET6 && ai->ai_addrlen >= sizeof(sockaddr_in6)) {
      const auto* sin6 = reinterpret_cast<const sockaddr_in6*>(ai->ai_addr);
      a.family = NetAddress::Family::kIPv6;
      std::memcpy(a.bytes.data(), &sin6->sin6_addr, 16);
    } else {
      continue;
    }
    if (std::find(found.begin(), found.end(), a) == found.end()) found.push_back(a);
  }
  freeaddrinfo(list);
  return found;
}

/// `address` and `port` as connect() takes them; the length of `storage`
/// that holds it.
inline socklen_t ToSocketAddress(const NetAddress& address, uint16_t port,
                                 sockaddr_storage* storage) {
  *storage = {};
  if (address.family == NetAddress::Family::kIPv6) {
    auto* sin6 = reinterpret_cast<sockaddr_in6*>(storage);
    sin6->sin6_family = AF_INET6;
    sin6->sin6_port = htons(port);
    std::memcpy(&sin6->sin6_addr, address.bytes.data(), 16);
    return sizeof *sin6;
  }
  auto* sin = reinterpret_cast<sockaddr_in*>(storage);
  sin->sin_family = AF_INET;
  sin->sin_port = htons(port);
  std::memcpy(&sin->sin_addr, address.bytes.data(), 4);
  return sizeof *sin;
}

}  // namespace zepa::platform
