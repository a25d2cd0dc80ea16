#include "platform/posix/posix_sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace zepa::platform {

int WinsockErrorNumber(int posix_errno) {
  // Windows Sockets numbers are 10000 plus the BSD numbers, which Linux
  // does not share, so the mapping goes by name.
  // clang-format off
  switch (posix_errno) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case ENFILE: return 10024;
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS: return 10055;
    case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    // Writing to a connection the peer has shut is what Windows reports as
    // a send after shutdown.
    case EPIPE: return 10058;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default: return posix_errno;
  }
  // clang-format on
}

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), text.end() - tail.size(), [](char lower, char c) {
    return (c >= 'A' && c <= 'Z' ? c + 32 : c) == lower;
  });
}

// Names under "invalid" never resolve, and resolvers are asked to say so at
// once rather than ask the network; some would wait for a timeout instead.
bool NeverResolves(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return true;
  if (name.back() == '.') name.remove_suffix(1);
  return EndsWithNoCase(name, "invalid") && (name.size() == 7 || name[name.size() - 8] == '.');
}

// Shared between the lookup object and its worker, which may outlive it.
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

class PosixLookup : public NameLookup {
 public:
  PosixLookup(const std::string& name, const Resolver& resolver)
      : state_(std::make_shared<LookupState>()) {
    if (NeverResolves(name)) {
      state_->done = true;
      return;
    }
    try {
      std::thread([state = state_, name, resolver] {
        std::vector<NetAddress> found = resolver(name);
        std::lock_guard lock(state->mutex);
        state->addresses = std::move(found);
        state->done = true;
        state->done_cv.notify_all();
      }).detach();
    } catch (const std::system_error&) {
      state_->done = true;  // no thread, no answer: the lookup failed
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

// Polls one descriptor, sleeping up to `wait_ms`; returns the revents.
short PollFor(int fd, short events, uint32_t wait_ms) {
  pollfd p{fd, events, 0};
  const int n = poll(&p, 1, static_cast<int>(std::min<uint32_t>(wait_ms, 60000)));
  return n > 0 ? p.revents : 0;
}

NetResult Failed(int posix_errno) {
  return {NetStatus::kFailed, 0, WinsockErrorNumber(posix_errno)};
}

class PosixStream : public StreamSocket {
 public:
  explicit PosixStream(int fd) : fd_(fd) {}
  ~PosixStream() override { close(fd_); }
  PosixStream(const PosixStream&) = delete;
  PosixStream& operator=(const PosixStream&) = delete;

  NetResult WaitConnected(uint32_t wait_ms) override {
    if (connected_) return {NetStatus::kDone, 0, 0};
    if (PollFor(fd_, POLLOUT, wait_ms) == 0) return {NetStatus::kPending, 0, 0};
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    if (err != 0) return Failed(err);
    connected_ = true;
    return {NetStatus::kDone, 0, 0};
  }

  NetResult Send(std::string_view data) override {
    // MSG_NOSIGNAL: a peer that has gone must give an error, not SIGPIPE.
    const ssize_t n = send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return {NetStatus::kDone, static_cast<size_t>(n), 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
      return {NetStatus::kPending, 0, 0};
    return Failed(errno);
  }

  NetResult Receive(char* buffer, size_t capacity) override {
    const ssize_t n = recv(fd_, buffer, capacity, MSG_DONTWAIT);
    if (n > 0) return {NetStatus::kDone, static_cast<size_t>(n), 0};
    if (n == 0) return {NetStatus::kClosed, 0, 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
      return {NetStatus::kPending, 0, 0};
    return Failed(errno);
  }

  void WaitReadable(uint32_t wait_ms) override { PollFor(fd_, POLLIN, wait_ms); }
  void WaitWritable(uint32_t wait_ms) override { PollFor(fd_, POLLOUT, wait_ms); }

 private:
  int fd_;
  bool connected_ = false;
};

class PosixSockets : public Sockets {
 public:
  explicit PosixSockets(Resolver resolver)
      : resolver_(resolver ? std::move(resolver) : Resolver(SystemResolve)) {}

  uint64_t RealNowMs() override {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }

  std::unique_ptr<NameLookup> StartLookup(const std::string& name) override {
    return std::make_unique<PosixLookup>(name, resolver_);
  }

  std::unique_ptr<StreamSocket> StartConnect(const NetAddress& address, uint16_t port,
                                             int* error) override {
    const bool v6 = address.family == NetAddress::Family::kIPv6;
    const int fd = socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      *error = WinsockErrorNumber(errno);
      return nullptr;
    }
    // Closing abortively: the socket is reset at once and never lingers in
    // the kernel after the client is done with it.
    const linger abortive{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    auto stream = std::make_unique<PosixStream>(fd);

    sockaddr_storage storage{};
    socklen_t len = 0;
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
    if (connect(fd, reinterpret_cast<const sockaddr*>(&storage), len) != 0 &&
        errno != EINPROGRESS) {
      *error = WinsockErrorNumber(errno);
      return nullptr;
    }
    return stream;
  }

 private:
  Resolver resolver_;
};

}  // namespace

std::unique_ptr<Sockets> CreatePosixSockets(Resolver resolver) {
  return std::make_unique<PosixSockets>(std::move(resolver));
}

}  // namespace zepa::platform
