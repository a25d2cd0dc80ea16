#include "net/http_client.h"

#include <gtest/gtest.h>
#include <netinet/tcp.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include "net/test_server.h"
#include "platform/headless/headless_host.h"
#include "platform/posix/posix_sockets.h"

namespace zepa::net {
namespace {

using testing::Connection;
using testing::MonotonicMs;
using testing::PythonServer;
using testing::TestServer;

constexpr const char* kAccept =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
constexpr const char* kContentType = "Content-type: application/x-www-form-urlencoded\r\n";

std::string Request(const std::string& path, const std::string& host,
                    const std::string& cookie = "") {
  std::string r = "GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\n" + kAccept;
  if (!cookie.empty()) r += "Cookie: " + cookie + "\r\n";
  return r + kContentType + "\r\n";
}

// A client on the real sockets, with a pump that counts its calls and a
// failure event that counts its runs.
struct Fetcher {
  std::unique_ptr<platform::Sockets> sockets = platform::CreatePosixSockets();
  TNMHTTP client{sockets.get()};
  FetchOptions options;
  int failures = 0;
  int pumps = 0;
  int64_t elapsed_ms = 0;

  Fetcher() {
    options.on_failure = [this] { ++failures; };
    options.pump = [this] {
      ++pumps;
      return true;
    };
    options.timeout_ms = 2000;
  }
  FetchResult Get(std::string_view url) {
    const int64_t start = MonotonicMs();
    FetchResult r = client.Get(url, options);
    elapsed_ms = MonotonicMs() - start;
    return r;
  }
};

TestServer::Script Answer(std::string response) {
  return [response](Connection& c, const std::string&, int) { c.Send(response); };
}

TEST(HttpGet, SendsTheRequestLinesAndReadsTheBodyUntilClose) {
  // Content-Length is not used: the body is all the server sends.
  TestServer server(Answer("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n[text]hello\r\n\x82\xa0"));
  Fetcher f;
  const FetchResult r = f.Get(server.base() + "/dir/story.kvs");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "[text]hello\r\n\x82\xa0");
  EXPECT_EQ(f.failures, 0);
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0], Request("/dir/story.kvs", "127.0.0.1"));
}

TEST(HttpGet, BodyInOneBytePieces) {
  std::string body;
  for (int i = 0; i < 300; ++i) body += static_cast<char>(i * 7);
  TestServer server([body](Connection& c, const std::string&, int) {
    for (char ch : "HTTP/1.0 200 OK\r\nX: y\r\n\r\n" + body) {
      if (!c.Send(std::string(1, ch)) || !c.Pause(1)) return;
    }
  });
  Fetcher f;
  const FetchResult r = f.Get(server.base() + "/s.kvs");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body, body);
}

TEST(HttpGet, EmptyStatusLineCountsAsSuccess) {
  // A server that closes without a word: status 0, empty body, no failure.
  TestServer server([](Connection&, const std::string&, int) {});
  Fetcher f;
  const FetchResult r = f.Get(server.base() + "/");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.body, "");
}

TEST(HttpGet, RelativeRedirectKeepsHostPortAndTheCookie) {
  TestServer server([](Connection& c, const std::string&, int index) {
    if (index == 0) {
      c.Send("HTTP/1.0 302 Found\r\nSet-Cookie: sid=42\r\nLocation: other.kvs\r\n\r\nmoved");
    } else {
      c.Send("HTTP/1.0 200 OK\r\n\r\nsecond");
    }
  });
  Fetcher f;
  const FetchResult r = f.Get(server.base() + "/game/story.kvs");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body, "second");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], Request("/game/story.kvs", "127.0.0.1"));
  EXPECT_EQ(requests[1], Request("/other.kvs", "127.0.0.1", "sid=42"));
  EXPECT_EQ(f.client.cookie(), "sid=42");
}

TEST(HttpGet, HeldCookieComesOnlyFromRedirectsAndStays) {
  TestServer server([](Connection& c, const std::string&, int index) {
    if (index == 0) c.Send("HTTP/1.0 200 OK\r\nSet-Cookie: ignored=1\r\n\r\na");
    if (index == 1) c.Send("HTTP/1.0 301 Moved\r\nSet-Cookie: kept=2\r\nLocation: /b\r\n\r\n");
    if (index >= 2) c.Send("HTTP/1.0 200 OK\r\n\r\nb");
  });
  Fetcher f;
  EXPECT_TRUE(f.Get(server.base() + "/a").ok());
  EXPECT_TRUE(f.Get(server.base() + "/a").ok());
  EXPECT_TRUE(f.Get(server.base() + "/c").ok());
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[1], Request("/a", "127.0.0.1"));
  EXPECT_EQ(requests[2], Request("/b", "127.0.0.1", "kept=2"));
  // The client keeps it from one request to the next, later fetches too.
  EXPECT_EQ(requests[3], Request("/c", "127.0.0.1", "kept=2"));
}

TEST(HttpGet, AbsoluteRedirectGoesToTheNamedHost) {
  TestServer mirror(Answer("HTTP/1.0 200 OK\r\n\r\nfrom mirror"));
  const std::string location = "http://localhost:" + std::to_string(mirror.port()) + "/story.kvs";
  TestServer origin(Answer("HTTP/1.0 301 Moved\r\nLocation: " + location + "\r\n\r\n"));
  Fetcher f;
  const FetchResult r = f.Get(origin.base() + "/story.kvs");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body, "from mirror");
  ASSERT_EQ(mirror.requests().size(), 1u);
  EXPECT_EQ(mirror.requests()[0], Request("/story.kvs", "localhost"));
}

TEST(HttpGet, ErrorStatusRunsTheFailureEventWithTheErrorPage) {
  for (const char* status : {"404 Not Found", "500 Oops", "400 Bad"}) {
    TestServer server(Answer(std::string("HTTP/1.0 ") + status + "\r\n\r\n<h1>error page</h1>"));
    Fetcher f;
    const FetchResult r = f.Get(server.base() + "/missing.kvs");
    EXPECT_TRUE(r.failure) << status;
    EXPECT_EQ(r.error, "") << status;
    EXPECT_EQ(r.body, "<h1>error page</h1>") << status;
    EXPECT_EQ(f.failures, 1) << status;
  }
}

TEST(HttpGet, RedirectsThatLeadNowhereEndInTheFailureEvent) {
  // 299 and a redirect without a location would ask the same thing again
  // for ever; a redirect loop stops after ten exchanges.
  for (const char* head : {"HTTP/1.0 299 Odd\r\n\r\n", "HTTP/1.0 303 See Other\r\n\r\n",
                           "HTTP/1.0 302 Found\r\nLocation:\r\n\r\n"}) {
    TestServer server(Answer(std::string(head) + "page"));
    Fetcher f;
    const FetchResult r = f.Get(server.base() + "/s.kvs");
    EXPECT_TRUE(r.failure) << head;
    EXPECT_EQ(r.body, "page") << head;
    EXPECT_EQ(f.failures, 1) << head;
    EXPECT_EQ(server.requests().size(), 1u) << head;
  }

  TestServer loop(Answer("HTTP/1.0 302 Found\r\nLocation: /loop.kvs\r\n\r\nagain"));
  Fetcher f;
  const FetchResult r = f.Get(loop.base() + "/loop.kvs");
  EXPECT_TRUE(r.failure);
  EXPECT_EQ(r.body, "again");
  EXPECT_EQ(f.failures, 1);
  EXPECT_EQ(loop.requests().size(), static_cast<size_t>(kMaxExchanges));
}

TEST(HttpGet, OtherRedirectsFollowTheirLocation) {
  TestServer server([](Connection& c, const std::string&, int index) {
    c.Send(index == 0 ? "HTTP/1.0 307 Temporary\r\nLocation: /next.kvs\r\n\r\n"
                      : "HTTP/1.0 200 OK\r\n\r\nnext");
  });
  Fetcher f;
  const FetchResult r = f.Get(server.base() + "/s.kvs");
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.body, "next");
}

TEST(HttpGet, RefusalsBeforeAnyConnection) {
  Fetcher f;
  EXPECT_EQ(f.Get("https://127.0.0.1/story.kvs").error, "HTTP Secure Socket is not supported");
  EXPECT_EQ(f.Get("http://127.0.0.1:80a/story.kvs").error, "'80a' is not a valid integer value");
  EXPECT_EQ(f.Get("http://no-such-host.invalid/story.kvs").error, "Null Remote Address");
  EXPECT_EQ(f.Get("http://127.0.0.1:0/story.kvs").error, "Connection Failed");
  EXPECT_EQ(f.Get("http://127.0.0.1:70000/story.kvs").error, "Connection Failed");
  EXPECT_EQ(f.failures, 0);

  // A location that names another scheme is refused the same way.
  TestServer server(Answer("HTTP/1.0 302 Found\r\nLocation: ftp://127.0.0.1/s.kvs\r\n\r\n"));
  EXPECT_EQ(f.Get(server.base() + "/s.kvs").error, "Connection Failed");

  TNMHTTP no_sockets(nullptr);
  EXPECT_EQ(no_sockets.Get("http://127.0.0.1/", f.options).error,
            "Initializaton of windows sockets failed");
}

TEST(HttpGet, RefusedPortFailsTheConnection) {
  // A bound socket that does not listen refuses, and keeps its port taken.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  Fetcher f;
  const FetchResult r = f.Get("http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/s.kvs");
  close(fd);
  EXPECT_EQ(r.error, "Connection Failed");
  EXPECT_LT(f.elapsed_ms, 1000);
}

TEST(HttpGet, SilentServerTimesOutReadingTheHeader) {
  TestServer server([](Connection& c, const std::string&, int) { c.Pause(10000); });
  Fetcher f;
  f.options.timeout_ms = 400;
  const FetchResult r = f.Get(server.base() + "/s.kvs");
  EXPECT_EQ(r.error, "Socket readln aborted");
  EXPECT_GE(f.elapsed_ms, 390);
  EXPECT_LT(f.elapsed_ms, 1400);
}

TEST(HttpGet, EachHeaderLineHasItsOwnAllowance) {
  // A line every 200 ms never exhausts a 400 ms allowance; the total does.
  TestServer server([](Connection& c, const std::string&, int) {
    if (!c.Send("HTTP/1.0 200 OK\r\n")) return;
    while (c.Pause(200) && c.Send("X: y\r\n")) {
    }
  });
  Fetcher f;
  f.options.timeout_ms = 400;
  f.options.total_limit_ms = 1200;
  const FetchResult r = f.Get(server.base() + "/s.kvs");
  EXPECT_EQ(r.error, "Socket readln aborted");
  EXPECT_GE(f.elapsed_ms, 1190);
  EXPECT_LT(f.elapsed_ms, 2200);
}

TEST(HttpGet, TricklingBodyEndsAtTheTotalBound) {
  // One byte a second keeps restarting the body's allowance; only the bound
  // on the whole fetch ends it.
  TestServer server([](Connection& c, const std::string&, int) {
    if (!c.Send("HTTP/1.0 200 OK\r\n\r\n")) return;
    while (c.Send("x") && c.Pause(1000)) {
    }
  });
  Fetcher f;
  f.options.timeout_ms = 1500;
  f.options.total_limit_ms = 2500;
  const FetchResult r = f.Get(server.base() + "/s.kvs");
  EXPECT_EQ(r.error, "Socket capture aborted");
  EXPECT_GE(f.elapsed_ms, 2490);
  EXPECT_LT(f.elapsed_ms, 3500);
}

TEST(HttpGet, OversizedResponsesAreRefused) {
  struct Case {
    const char* what;
    std::function<void(Connection&)> send;
    const char* error;
  };
  const std::string endless_line(64 * 1024, 'a');
  const Case cases[] = {
      {"endless header line",
       [&](Connection& c) {
         if (!c.Send("HTTP/1.0 200 OK\r\nX-Long: ")) return;
         while (c.Send(endless_line)) {
         }
       },
       "Socket readln aborted"},
      {"10,000 header lines",
       [](Connection& c) {
         std::string lines = "HTTP/1.0 200 OK\r\n";
         for (int i = 0; i < 10000; ++i) lines += "X-Line: " + std::to_string(i) + "\r\n";
         c.Send(lines + "\r\nbody");
       },
       "Socket readln aborted"},
      {"20 MiB body",
       [](Connection& c) {
         if (!c.Send("HTTP/1.0 200 OK\r\n\r\n")) return;
         const std::string mib(1 << 20, 'b');
         for (int i = 0; i < 20 && c.Send(mib); ++i) {
         }
       },
       "Socket capture aborted"},
  };
  for (const Case& c : cases) {
    TestServer server([&](Connection& conn, const std::string&, int) { c.send(conn); });
    Fetcher f;
    const FetchResult r = f.Get(server.base() + "/s.kvs");
    EXPECT_EQ(r.error, c.error) << c.what;
    EXPECT_LT(f.elapsed_ms, 5000) << c.what;
  }
}

TEST(HttpGet, BodyOfExactlyTheBoundArrivesWhole) {
  TestServer server([](Connection& c, const std::string&, int) {
    if (c.Send("HTTP/1.0 200 OK\r\n\r\n")) c.Send(std::string(kMaxBodyBytes, 'k'));
  });
  Fetcher f;
  const FetchResult r = f.Get(server.base() + "/s.kvs");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body.size(), kMaxBodyBytes);
}

TEST(HttpGet, WaitingPumpsAndSleeps) {
  TestServer server([](Connection& c, const std::string&, int) {
    if (c.Pause(500)) c.Send("HTTP/1.0 200 OK\r\n\r\nlate");
  });
  Fetcher f;
  const std::clock_t cpu_before = std::clock();
  const FetchResult r = f.Get(server.base() + "/s.kvs");
  const double cpu_ms = 1000.0 * static_cast<double>(std::clock() - cpu_before) / CLOCKS_PER_SEC;
  EXPECT_EQ(r.body, "late");
  // Half a second of waiting: the window is served every slice, and the
  // process sleeps in between instead of spinning.
  EXPECT_GE(f.pumps, 500 / static_cast<int>(kWaitSliceMs) / 4);
  EXPECT_LT(f.pumps, 500 / static_cast<int>(kWaitSliceMs) * 2);
  EXPECT_LT(cpu_ms, 100.0);
}

TEST(HttpGet, HeadlessRunsWaitInRealTime) {
  // The headless clock jumps over idle time; a fetch must neither finish its
  // waits at once nor wait for virtual time that never passes.
  platform::HeadlessHost host(platform::HeadlessOptions{});
  host.SetTimerEnabled(true);
  TestServer server([](Connection& c, const std::string&, int) { c.Pause(10000); });
  TNMHTTP client(host.Net());
  FetchOptions options;
  options.timeout_ms = 300;
  options.pump = [&] { return host.Pump(true, host.NowMs()); };
  const int64_t start = MonotonicMs();
  EXPECT_EQ(client.Get(server.base() + "/s.kvs", options).error, "Socket readln aborted");
  EXPECT_GE(MonotonicMs() - start, 290);
  EXPECT_LT(MonotonicMs() - start, 1300);
  EXPECT_EQ(host.NowMs(), 0u);
}

TEST(HttpGet, ClosingTheWindowEndsTheFetch) {
  TestServer server([](Connection& c, const std::string&, int) { c.Pause(10000); });
  Fetcher f;
  f.options.pump = [&] { return ++f.pumps < 5; };
  const FetchResult r = f.Get(server.base() + "/s.kvs");
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.error, "");
  EXPECT_FALSE(r.ok());
  EXPECT_LT(f.elapsed_ms, 500);
}

TEST(HttpGet, AFetchFromInsideAFetchIsRefused) {
  TestServer server([](Connection& c, const std::string&, int) {
    if (c.Pause(100)) c.Send("HTTP/1.0 200 OK\r\n\r\nouter");
  });
  Fetcher f;
  std::string nested_error;
  f.options.pump = [&] {
    if (nested_error.empty())
      nested_error = f.client.Get(server.base() + "/nested.kvs", f.options).error;
    return true;
  };
  const FetchResult r = f.Get(server.base() + "/outer.kvs");
  EXPECT_EQ(nested_error, "Already connected");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body, "outer");
  EXPECT_EQ(server.requests().size(), 1u);
}

// Real sockets, but a lookup that answers what the test says.
class FixedLookupSockets : public platform::Sockets {
 public:
  explicit FixedLookupSockets(std::vector<platform::NetAddress> answer)
      : answer_(std::move(answer)) {}
  uint64_t RealNowMs() override { return real_->RealNowMs(); }
  std::unique_ptr<platform::NameLookup> StartLookup(const std::string& name) override {
    looked_up_ = name;
    return std::make_unique<Lookup>(answer_, hang_);
  }
  std::unique_ptr<platform::StreamSocket> StartConnect(const platform::NetAddress& address,
                                                       uint16_t port, int* error) override {
    ++connects_;
    if (hang_connect_) return std::make_unique<HangingStream>();
    return real_->StartConnect(address, port, error);
  }

  bool hang_ = false;
  bool hang_connect_ = false;
  std::string looked_up_;
  int connects_ = 0;

 private:
  struct Lookup : platform::NameLookup {
    Lookup(std::vector<platform::NetAddress> a, bool hang) : answer(std::move(a)), hang_(hang) {}
    bool Wait(uint32_t wait_ms) override {
      if (!hang_) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
      return false;
    }
    std::vector<platform::NetAddress> Addresses() const override { return answer; }
    std::vector<platform::NetAddress> answer;
    bool hang_;
  };
  struct HangingStream : platform::StreamSocket {
    platform::NetResult WaitConnected(uint32_t wait_ms) override {
      std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
      return {platform::NetStatus::kPending, 0, 0};
    }
    platform::NetResult Send(std::string_view) override { return {}; }
    platform::NetResult Receive(char*, size_t) override { return {}; }
    void WaitReadable(uint32_t) override {}
    void WaitWritable(uint32_t) override {}
  };

  std::unique_ptr<platform::Sockets> real_ = platform::CreatePosixSockets();
  std::vector<platform::NetAddress> answer_;
};

platform::NetAddress Loopback6() {
  platform::NetAddress a;
  a.family = platform::NetAddress::Family::kIPv6;
  a.bytes[15] = 1;
  return a;
}

TEST(HttpConnect, UsesIPv6AddressesAndMovesOnWhenOneRefuses) {
  TestServer v6(Answer("HTTP/1.0 200 OK\r\n\r\nover six"), /*ipv6=*/true);
  FixedLookupSockets sockets({Loopback6(), *DottedIPv4("127.0.0.1")});
  FetchOptions options;
  TNMHTTP client(&sockets);
  const FetchResult r =
      client.Get("http://game.example:" + std::to_string(v6.port()) + "/s.kvs", options);
  EXPECT_EQ(r.body, "over six") << r.error;
  EXPECT_EQ(sockets.looked_up_, "game.example");
  ASSERT_EQ(v6.requests().size(), 1u);
  EXPECT_EQ(v6.requests()[0], Request("/s.kvs", "game.example"));

  // Nobody listens on ::1 at this port: the IPv4 address is tried next.
  TestServer v4(Answer("HTTP/1.0 200 OK\r\n\r\nover four"));
  const FetchResult r4 =
      client.Get("http://game.example:" + std::to_string(v4.port()) + "/s.kvs", options);
  EXPECT_EQ(r4.body, "over four") << r4.error;
  EXPECT_EQ(sockets.connects_, 3);
}

TEST(HttpConnect, DottedAddressesAreNotLookedUp) {
  TestServer server(Answer("HTTP/1.0 200 OK\r\n\r\nx"));
  FixedLookupSockets sockets({});
  TNMHTTP client(&sockets);
  EXPECT_TRUE(client.Get(server.base() + "/", FetchOptions()).ok());
  EXPECT_EQ(sockets.looked_up_, "");
  EXPECT_EQ(
      client.Get("http://nowhere:" + std::to_string(server.port()) + "/", FetchOptions()).error,
      "Null Remote Address");
}

TEST(HttpConnect, LookupAndConnectionWaitsAreBounded) {
  FetchOptions options;
  options.timeout_ms = 300;
  FixedLookupSockets slow_lookup({*DottedIPv4("127.0.0.1")});
  slow_lookup.hang_ = true;
  TNMHTTP a(&slow_lookup);
  int64_t start = MonotonicMs();
  EXPECT_EQ(a.Get("http://slow.example/", options).error, "Host Lookup Timed Out");
  EXPECT_GE(MonotonicMs() - start, 290);
  EXPECT_LT(MonotonicMs() - start, 1000);

  FixedLookupSockets slow_connect({*DottedIPv4("127.0.0.1")});
  slow_connect.hang_connect_ = true;
  TNMHTTP b(&slow_connect);
  start = MonotonicMs();
  EXPECT_EQ(b.Get("http://slow.example/", options).error, "Connection Timed out");
  EXPECT_GE(MonotonicMs() - start, 290);
  EXPECT_LT(MonotonicMs() - start, 1000);
}

class PythonHttpServer : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("zepa_net_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_ / "game");
    std::ofstream(dir_ / "game" / "story.kvs", std::ios::binary) << kStory;
    server_ = std::make_unique<PythonServer>(dir_.string());
    if (server_->port() == 0) GTEST_SKIP() << "python3 -m http.server could not be started";
  }
  void TearDown() override {
    server_.reset();
    std::filesystem::remove_all(dir_);
  }

  static constexpr const char* kStory =
      "[text]\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\r\n#label\r\n[end]\r\n";
  std::filesystem::path dir_;
  std::unique_ptr<PythonServer> server_;
};

TEST_F(PythonHttpServer, ServesAScenarioByteForByte) {
  Fetcher f;
  const FetchResult r = f.Get(server_->base() + "/game/story.kvs");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, kStory);
}

TEST_F(PythonHttpServer, MissingFileGivesTheFailureEventAndTheErrorPage) {
  Fetcher f;
  const FetchResult r = f.Get(server_->base() + "/game/missing.kvs");
  EXPECT_TRUE(r.failure);
  EXPECT_EQ(r.status, 404);
  EXPECT_EQ(f.failures, 1);
  EXPECT_NE(r.body.find("404"), std::string::npos);
}

TEST_F(PythonHttpServer, DirectoryWithoutSlashIsRedirected) {
  // The server answers 301 with a location that names a path only.
  Fetcher f;
  const FetchResult r = f.Get(server_->base() + "/game");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_NE(r.body.find("story.kvs"), std::string::npos);
}

}  // namespace
}  // namespace zepa::net
