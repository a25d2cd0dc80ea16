#include "platform/posix/posix_sockets.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/socket_address.h"

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

// Polls one descriptor, sleeping up to `wait_ms`; returns the revents.
short PollFor(int fd, short events, uint32_t wait_ms) {
  pollfd p{fd, events, 0};
  const int n = poll(&p, 1, static_cast<int>(std::min(wait_ms, kMaxSocketWaitMs)));
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

class PosixSockets : public LookupSockets {
 public:
  explicit PosixSockets(Resolver resolver)
      : LookupSockets(resolver ? std::move(resolver) : Resolver(SystemResolve)) {}

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

    sockaddr_storage storage;
    const socklen_t len = ToSocketAddress(address, port, &storage);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&storage), len) != 0 &&
        errno != EINPROGRESS) {
      *error = WinsockErrorNumber(errno);
      return nullptr;
    }
    return stream;
  }
};

}  // namespace

std::unique_ptr<Sockets> CreatePosixSockets(Resolver resolver) {
  return std::make_unique<PosixSockets>(std::move(resolver));
}

}  // namespace zepa::platform
