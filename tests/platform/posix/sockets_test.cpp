#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/posix/posix_sockets.h"

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

TEST(PosixSockets, SystemLookupFindsLoopback) {
  auto sockets = CreatePosixSockets();
  const auto local = Resolve(*sockets, "localhost");
  NetAddress v4;
  v4.bytes = {127, 0, 0, 1};
  EXPECT_NE(std::find(local.begin(), local.end(), v4), local.end());
}

// A resolver that answers only when the test lets it, and says whom it was
// asked. It outlives the lookups' worker threads through the shared state.
struct GatedResolver {
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened_cv;
    bool open = false;
    std::vector<std::string> asked;
  };
  std::shared_ptr<Gate> gate = std::make_shared<Gate>();
  std::vector<NetAddress> answer;

  Resolver resolver() {
    return [gate = gate, answer = answer](const std::string& name) {
      std::unique_lock lock(gate->mutex);
      gate->asked.push_back(name);
      gate->opened_cv.wait_for(lock, std::chrono::seconds(10), [&] { return gate->open; });
      return answer;
    };
  }
  void Open() {
    std::lock_guard lock(gate->mutex);
    gate->open = true;
    gate->opened_cv.notify_all();
  }
  std::vector<std::string> Asked() {
    std::lock_guard lock(gate->mutex);
    return gate->asked;
  }
};

TEST(PosixSockets, LookupRunsBesideTheCallerAndInvalidNamesNeverReachTheResolver) {
  GatedResolver gated;
  NetAddress v6;
  v6.family = NetAddress::Family::kIPv6;
  v6.bytes[15] = 1;
  gated.answer = {v6};
  auto sockets = CreatePosixSockets(gated.resolver());

  // Names that cannot resolve are answered at once, empty, however long the
  // resolver would take.
  for (const std::string& name :
       {std::string("no-such-host.invalid"), std::string("INVALID"), std::string("x.invalid."),
        std::string(), std::string("a\0b", 3)}) {
    auto lookup = sockets->StartLookup(name);
    EXPECT_TRUE(lookup->Wait(0)) << name;
    EXPECT_TRUE(lookup->Addresses().empty()) << name;
  }
  EXPECT_TRUE(gated.Asked().empty());

  // Any other name waits for the resolver without blocking the caller, and
  // a lookup dropped before the answer leaves the worker to finish alone.
  auto lookup = sockets->StartLookup("notinvalid.example");
  auto dropped = sockets->StartLookup("dropped.example");
  std::vector<std::string> asked;
  for (int i = 0; i < 1000 && asked.size() < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    asked = gated.Asked();
  }
  std::sort(asked.begin(), asked.end());
  EXPECT_EQ(asked, (std::vector<std::string>{"dropped.example", "notinvalid.example"}));
  EXPECT_FALSE(lookup->Wait(0));
  dropped.reset();
  gated.Open();
  EXPECT_TRUE(lookup->Wait(5000));
  EXPECT_EQ(lookup->Addresses(), std::vector<NetAddress>{v6});
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

TEST(PosixSockets, WaitingForDataSleeps) {
  auto sockets = CreatePosixSockets();
  Listener listener;
  auto s = Connected(*sockets, listener.port);
  ASSERT_TRUE(s);
  const int peer = accept(listener.fd, nullptr, nullptr);
  ASSERT_GE(peer, 0);
  // Nothing arrives: the wait takes its whole time, asleep. A loaded
  // machine only makes it longer and leaves the process's own time small.
  const uint64_t start = sockets->RealNowMs();
  const std::clock_t cpu_before = std::clock();
  s->WaitReadable(200);
  const double cpu_ms = 1000.0 * static_cast<double>(std::clock() - cpu_before) / CLOCKS_PER_SEC;
  const uint64_t elapsed = sockets->RealNowMs() - start;
  EXPECT_GE(elapsed, 190u);
  EXPECT_LT(cpu_ms, static_cast<double>(elapsed) / 2);
  close(peer);
}

}  // namespace
}  // namespace zepa::platform
