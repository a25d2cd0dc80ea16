// The sockets of platform/sockets.h through Windows Sockets, whose error
// numbers are the ones the client reports in any case.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/system.h"

namespace zepa::platform {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), text.end() - tail.size(), [](char lower, char c) {
    return (c >= 'A' && c <= 'Z' ? c + 32 : c) == lower;
  });
}

// Names under "invalid" never resolve, and are answered at once, as on POSIX.
bool NeverResolves(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return true;
  if (name.back() == '.') name.remove_suffix(1);
  return EndsWithNoCase(name, "invalid") && (name.size() == 7 || name[name.size() - 8] == '.');
}

struct LookupState {
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
  std::vector<NetAddress> addresses;
};

std::vector<NetAddress> SystemResolve(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  std::vector<NetAddress> found;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0) return found;
  for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
    NetAddress a;
    if (ai->ai_family == AF_INET && ai->ai_addrlen >= sizeof(sockaddr_in)) {
      a.family = NetAddress::Family::kIPv4;
      std::memcpy(a.bytes.data(), &reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr, 4);
    } else if (ai->ai_family == AF_INET6 && ai->ai_addrlen >= sizeof(sockaddr_in6)) {
      a.family = NetAddress::Family::kIPv6;
      std::memcpy(a.bytes.data(), &reinterpret_cast<const sockaddr_in6*>(ai->ai_addr)->sin6_addr,
                  16);
    } else {
      continue;
    }
    if (std::find(found.begin(), found.end(), a) == found.end()) found.push_back(a);
  }
  freeaddrinfo(list);
  return found;
}

class Win32Lookup : public NameLookup {
 public:
  explicit Win32Lookup(const std::string& name) : state_(std::make_shared<LookupState>()) {
    if (NeverResolves(name)) {
      state_->done = true;
      return;
    }
    try {
      std::thread([state = state_, name] {
        std::vector<NetAddress> found = SystemResolve(name);
        std::lock_guard lock(state->mutex);
        state->addresses = std::move(found);
        state->done = true;
        state->done_cv.notify_all();
      }).detach();
    } catch (const std::system_error&) {
      state_->done = true;
    }
  }

  bool Wait(uint32_t wait_ms) override {
    std::unique_lock lock(state_->mutex);
    return state_->done_cv.wait_for(lock, std::chrono::milliseconds(wait_ms),
                                    [&] { return state_->done; });
  }

  std::vector<NetAddress> Addresses() const override {
    std::lock_guard lock(state_->mutex);
    return state_->addresses;
  }

 private:
  std::shared_ptr<LookupState> state_;
};

enum class Readiness { kNone, kReady, kFailed };

// select() rather than WSAPoll, which on older Windows never reports a
// connection that was refused.
Readiness WaitFor(SOCKET s, bool write, uint32_t wait_ms) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(s, &ready);
  FD_SET(s, &failed);
  const uint32_t ms = std::min<uint32_t>(wait_ms, 60000);
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

class Win32Sockets : public Sockets {
 public:
  Win32Sockets() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~Win32Sockets() override {
    if (started_) WSACleanup();
  }
  Win32Sockets(const Win32Sockets&) = delete;
  Win32Sockets& operator=(const Win32Sockets&) = delete;

  uint64_t RealNowMs() override {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }

  std::unique_ptr<NameLookup> StartLookup(const std::string& name) override {
    return std::make_unique<Win32Lookup>(name);
  }

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
    sockaddr_storage storage{};
    int len = 0;
    if (v6) {
      auto* sin6 = reinterpret_cast<sockaddr_in6*>(&storage);
      sin6->sin6_family = AF_INET6;
      sin6->sin6_port = htons(port);
      std::memcpy(&sin6->sin6_addr, address.bytes.data(), 16);
      len = sizeof *sin6;
    } else {
      auto* sin = reinterpret_cast<sockaddr_in*>(&storage);
      sin->sin_family = AF_INET;
      sin->sin_port = htons(port);
      std::memcpy(&sin->sin_addr, address.bytes.data(), 4);
      len = sizeof *sin;
    }
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
