// The sockets of platform/sockets.h through Windows Sockets, whose error
// numbers are the ones the client reports in any case.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

#include "platform/socket_address.h"
#include "platform/socket_lookup.h"
#include "platform/system.h"

namespace zepa::platform {
namespace {

enum class Readiness { kNone, kReady, kFailed };

// select() rather than WSAPoll, which on older Windows never reports a
// connection that was refused.
Readiness WaitFor(SOCKET s, bool write, uint32_t wait_ms) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(s, &ready);
  FD_SET(s, &failed);
  const uint32_t ms = std::min(wait_ms, kMaxSocketWaitMs);
  timeval limit{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000 * 1000)};
  const int n = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &limit);
  if (n <= 0) return Readiness::kNone;
  return FD_ISSET(s, &failed) ? Readiness::kFailed : Readiness::kReady;
}

bool WouldBlock(int e) { return e == WSAEWOULDBLOCK || e == WSAEINTR || e == WSAEINPROGRESS; }

class Win32Stream : public StreamSocket {
 public:
  explicit Win32Stream(SOCKET s) : socket_(s) {}
  ~Win32Stream() override { closesocket(socket_); }
  Win32Stream(const Win32Stream&) = delete;
  Win32Stream& operator=(const Win32Stream&) = delete;

  NetResult WaitConnected(uint32_t wait_ms) override {
    if (connected_) return {NetStatus::kDone, 0, 0};
    const Readiness r = WaitFor(socket_, true, wait_ms);
    if (r == Readiness::kNone) return {NetStatus::kPending, 0, 0};
    int err = 0;
    int len = sizeof err;
    if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0)
      err = WSAGetLastError();
    if (err == 0 && r == Readiness::kFailed) err = WSAECONNREFUSED;
    if (err != 0) return {NetStatus::kFailed, 0, err};
    connected_ = true;
    return {NetStatus::kDone, 0, 0};
  }

  NetResult Send(std::string_view data) override {
    const int chunk = static_cast<int>(std::min<size_t>(data.size(), 1 << 30));
    const int n = send(socket_, data.data(), chunk, 0);
    if (n >= 0) return {NetStatus::kDone, static_cast<size_t>(n), 0};
    const int e = WSAGetLastError();
    if (WouldBlock(e)) return {NetStatus::kPending, 0, 0};
    return {NetStatus::kFailed, 0, e};
  }

  NetResult Receive(char* buffer, size_t capacity) override {
    const int n = recv(socket_, buffer, static_cast<int>(std::min<size_t>(capacity, 1 << 30)), 0);
    if (n > 0) return {NetStatus::kDone, static_cast<size_t>(n), 0};
    if (n == 0) return {NetStatus::kClosed, 0, 0};
    const int e = WSAGetLastError();
    if (WouldBlock(e)) return {NetStatus::kPending, 0, 0};
    return {NetStatus::kFailed, 0, e};
  }

  void WaitReadable(uint32_t wait_ms) override { WaitFor(socket_, false, wait_ms); }
  void WaitWritable(uint32_t wait_ms) override { WaitFor(socket_, true, wait_ms); }

 private:
  SOCKET socket_;
  bool connected_ = false;
};

class Win32Sockets : public LookupSockets {
 public:
  Win32Sockets() : LookupSockets(SystemResolve) {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~Win32Sockets() override {
    if (started_) WSACleanup();
  }
  Win32Sockets(const Win32Sockets&) = delete;
  Win32Sockets& operator=(const Win32Sockets&) = delete;

  std::unique_ptr<StreamSocket> StartConnect(const NetAddress& address, uint16_t port,
                                             int* error) override {
    const bool v6 = address.family == NetAddress::Family::kIPv6;
    const SOCKET s = WSASocketW(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
      *error = WSAGetLastError();
      return nullptr;
    }
    auto stream = std::make_unique<Win32Stream>(s);
    u_long non_blocking = 1;
    ioctlsocket(s, FIONBIO, &non_blocking);
    // Closing abortively, as on POSIX: a reset at once, nothing lingers.
    const linger abortive{1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof abortive);
    sockaddr_storage storage;
    const socklen_t len = ToSocketAddress(address, port, &storage);
    if (connect(s, reinterpret_cast<const sockaddr*>(&storage), len) != 0 &&
        !WouldBlock(WSAGetLastError())) {
      *error = WSAGetLastError();
      return nullptr;
    }
    return stream;
  }

 private:
  bool started_ = false;
};

}  // namespace

std::unique_ptr<Sockets> CreateSystemSockets() { return std::make_unique<Win32Sockets>(); }

}  // namespace zepa::platform
