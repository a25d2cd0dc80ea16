#include "platform/sdl/posix_sockets.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zepa::platform {
namespace {

TEST(WinsockErrorNumber, MapsByNameNotByNumber) {
  const std::pair<int, int> cases[] = {
      {ECONNRESET, 10054},  {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},    {ENOTCONN, 10057},
      {EPIPE, 10058},       {EINTR, 10004},        {EHOSTUNREACH, 10065}, {EADDRINUSE, 10048},
      {ENETUNREACH, 10051}, {EMFILE, 10024},
  };
  for (const auto& [posix, winsock] : cases) EXPECT_EQ(WinsockErrorNumber(posix), winsock) << posix;
  EXPECT_EQ(WinsockErrorNumber(EIO), EIO);  // no Windows Sockets number: passed on
}

std::vector<NetAddress> Resolve(Sockets& sockets, const std::string& name) {
  auto lookup = sockets.StartLookup(name);
  for (int i = 0; i < 100 && !lookup->Wait(50); ++i) {
  }
  return lookup->Addresses();
}

TEST(PosixSockets, LookupFindsLoopbackAndRefusesInvalidNamesAtOnce) {
  auto sockets = CreatePosixSockets();
  const auto local = Resolve(*sockets, "localhost");
  NetAddress v4;
  v4.bytes = {127, 0, 0, 1};
  EXPECT_NE(std::find(local.begin(), local.end(), v4), local.end());

  for (const std::string& name :
       {std::string("no-such-host.invalid"), std::string("INVALID"), std::string("x.invalid."),
        std::string(), std::string("a\0b", 3)}) {
    const uint64_t start = sockets->RealNowMs();
    auto lookup = sockets->StartLookup(name);
    EXPECT_TRUE(lookup->Wait(0)) << name;
    EXPECT_TRUE(lookup->Addresses().empty()) << name;
    EXPECT_LT(sockets->RealNowMs() - start, 50u) << name;
  }
}

// A listening socket on 127.0.0.1.
struct Listener {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  uint16_t port = 0;
  explicit Listener(bool listening = true) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    if (listening) listen(fd, 4);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  ~Listener() { close(fd); }
};

NetAddress Loopback() {
  NetAddress a;
  a.bytes = {127, 0, 0, 1};
  return a;
}

std::unique_ptr<StreamSocket> Connected(Sockets& sockets, uint16_t port) {
  int error = 0;
  auto s = sockets.StartConnect(Loopback(), port, &error);
  if (!s) return nullptr;
  for (int i = 0; i < 100; ++i) {
    const NetResult r = s->WaitConnected(20);
    if (r.status == NetStatus::kDone) return s;
    if (r.status == NetStatus::kFailed) return nullptr;
  }
  return nullptr;
}

TEST(PosixSockets, RefusedConnectionReportsTheWinsockNumber) {
  auto sockets = CreatePosixSockets();
  Listener closed(/*listening=*/false);
  int error = 0;
  auto s = sockets->StartConnect(Loopback(), closed.port, &error);
  NetResult r{NetStatus::kPending, 0, 0};
  for (int i = 0; s && i < 50 && r.status == NetStatus::kPending; ++i) r = s->WaitConnected(20);
  EXPECT_TRUE(!s ? error == 10061 : r.status == NetStatus::kFailed && r.error == 10061);
}

TEST(PosixSockets, ReceivesUntilClosedAndClosesAbortively) {
  auto sockets = CreatePosixSockets();
  Listener listener;
  auto s = Connected(*sockets, listener.port);
  ASSERT_TRUE(s);
  const int peer = accept(listener.fd, nullptr, nullptr);
  ASSERT_GE(peer, 0);

  char buffer[16];
  EXPECT_EQ(s->Receive(buffer, sizeof buffer).status, NetStatus::kPending);
  ASSERT_EQ(write(peer, "hi", 2), 2);
  s->WaitReadable(1000);
  NetResult r = s->Receive(buffer, sizeof buffer);
  ASSERT_EQ(r.status, NetStatus::kDone);
  EXPECT_EQ(std::string(buffer, r.bytes), "hi");
  EXPECT_EQ(s->Send("ping").bytes, 4u);

  // Linger 0 makes the close a reset, which the peer sees after any data.
  s.reset();
  pollfd p{peer, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 1000), 1);
  char sink[16];
  ssize_t n = recv(peer, sink, sizeof sink, 0);  // "ping" may still be read first
  if (n > 0) n = recv(peer, sink, sizeof sink, 0);
  EXPECT_EQ(n, -1);
  EXPECT_EQ(errno, ECONNRESET);
  close(peer);

  Listener again;
  auto t = Connected(*sockets, again.port);
  ASSERT_TRUE(t);
  const int other = accept(again.fd, nullptr, nullptr);
  close(other);
  t->WaitReadable(1000);
  EXPECT_EQ(t->Receive(buffer, sizeof buffer).status, NetStatus::kClosed);
}

}  // namespace
}  // namespace zepa::platform
