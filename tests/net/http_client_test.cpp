#include "net/http_client.h"

#include <gtest/gtest.h>
#include <netinet/tcp.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include "net/fake_clock_sockets.h"
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
  HttpClient client{sockets.get()};
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
    // The real allowance: on a busy machine a server thread may stall a while.
    options.timeout_ms = kTimeOutMs;
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

TEST(HttpGet, AReplyCutShortIsAnErrorAndNoBody) {
  // A whole reply is a status line, the header up to its blank line, and as
  // much body as a Content-Length announced.
  const char* cut_short[] = {
      "",
      "HTTP/1.0 20",
      "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n",
      "HTTP/1.0 200 OK\r\nContent-Length: 20\r\n\r\n[set]a=1\r\n",
      "HTTP/1.0 404 Not Found\r\nContent-Length: 100\r\n\r\n<h1>",
      "HTTP/1.0 302 Found\r\nLocation: /next.kvs\r\nContent-Length: 9\r\n\r\nmov",
      "\x13\x9c\xfe random bytes\n\n[set]a=1\n",
      "[set]a=1\r\n\r\n[end]\r\n",
  };
  for (const char* sent : cut_short) {
    TestServer server(Answer(sent));
    Fetcher f;
    const FetchResult r = f.Get(server.base() + "/s.kvs");
    EXPECT_EQ(r.error, kCutShortText) << sent;
    EXPECT_EQ(r.body, "") << sent;
    EXPECT_FALSE(r.ok()) << sent;
    EXPECT_EQ(f.failures, 0) << sent;
    EXPECT_EQ(server.requests().size(), 1u) << sent;
  }

  const std::pair<const char*, const char*> whole[] = {
      {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nabcde", "abcde"},
      {"HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
      {"HTTP/1.0 200 OK\r\nContent-Length: many\r\n\r\nab", "ab"},
      {"HTTP/1.0 200 OK\r\n\r\n", ""},
  };
  for (const auto& [sent, body] : whole) {
    TestServer server(Answer(sent));
    Fetcher f;
    const FetchResult r = f.Get(server.base() + "/s.kvs");
    EXPECT_TRUE(r.ok()) << sent << r.error;
    EXPECT_EQ(r.body, body) << sent;
  }
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
}

TEST(HttpGet, ARedirectsCookieGoesOnlyWithTheNextRequestToItsOwnHostAndPort) {
  TestServer elsewhere(Answer("HTTP/1.0 200 OK\r\n\r\nelsewhere"));
  const std::string other_port = "http://127.0.0.1:" + std::to_string(elsewhere.port());
  std::atomic<int> own_port{0};
  TestServer server([&](Connection& c, const std::string& request, int) {
    const auto path = request.substr(4, request.find(' ', 4) - 4);
    if (path == "/ok-with-cookie") c.Send("HTTP/1.0 200 OK\r\nSet-Cookie: ignored=1\r\n\r\na");
    if (path == "/chain") c.Send("HTTP/1.0 302 F\r\nSet-Cookie: k=1\r\nLocation: /plain\r\n\r\n");
    if (path == "/plain") c.Send("HTTP/1.0 301 M\r\nLocation: /end\r\n\r\n");
    if (path == "/end" || path == "/again") c.Send("HTTP/1.0 200 OK\r\n\r\nend");
    if (path == "/to-port")
      c.Send("HTTP/1.0 302 F\r\nSet-Cookie: p=2\r\nLocation: " + other_port + "/\r\n\r\n");
    if (path == "/to-host")
      c.Send("HTTP/1.0 302 F\r\nSet-Cookie: h=3\r\nLocation: http://localhost:" +
             std::to_string(own_port) + "/end\r\n\r\n");
  });
  own_port = server.port();
  Fetcher f;
  EXPECT_TRUE(f.Get(server.base() + "/ok-with-cookie").ok());
  // The redirect's cookie goes with the request it leads to; the response
  // to that, which sets none, clears it.
  EXPECT_TRUE(f.Get(server.base() + "/chain").ok());
  EXPECT_TRUE(f.Get(server.base() + "/again").ok());
  EXPECT_EQ(f.Get(server.base() + "/to-port").body, "elsewhere");
  EXPECT_EQ(f.Get(server.base() + "/to-host").body, "end");
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 8u);
  EXPECT_EQ(requests[1], Request("/chain", "127.0.0.1"));
  EXPECT_EQ(requests[2], Request("/plain", "127.0.0.1", "k=1"));
  EXPECT_EQ(requests[3], Request("/end", "127.0.0.1"));
  EXPECT_EQ(requests[4], Request("/again", "127.0.0.1"));
  EXPECT_EQ(requests[6], Request("/to-host", "127.0.0.1"));
  // Neither another port nor another name of the same machine gets it.
  EXPECT_EQ(requests[7], Request("/end", "localhost"));
  requests = elsewhere.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0], Request("/", "127.0.0.1"));
  EXPECT_EQ(f.client.CookieFor(Target{"", "127.0.0.1", server.port(), "/"}), "");
}

TEST(HttpGet, ALocationOfHostAndPortWithoutSchemeGoesToThatHost) {
  TestServer mirror(
      [](Connection& c, const std::string&, int) { c.Send("HTTP/1.0 200 OK\r\n\r\nfrom mirror"); });
  const std::string port = std::to_string(mirror.port());
  TestServer origin([&](Connection& c, const std::string&, int index) {
    c.Send("HTTP/1.0 302 Found\r\nLocation: localhost:" + port + (index == 0 ? "/x.kvs" : "") +
           "\r\n\r\n");
  });
  Fetcher f;
  for (const char* path : {"/x.kvs", "/"}) {
    const FetchResult r = f.Get(origin.base() + "/story.kvs");
    EXPECT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.body, "from mirror");
    ASSERT_FALSE(mirror.requests().empty());
    EXPECT_EQ(mirror.requests().back(), Request(path, "localhost"));
  }
  EXPECT_EQ(mirror.requests().size(), 2u);
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
  EXPECT_EQ(f.Get("http://127.0.0.1:0/story.kvs").error, "Connection Failed");
  EXPECT_EQ(f.Get("http://127.0.0.1:70000/story.kvs").error, "Connection Failed");
  EXPECT_EQ(f.failures, 0);

  // A location that names another scheme is refused the same way.
  TestServer server(Answer("HTTP/1.0 302 Found\r\nLocation: ftp://127.0.0.1/s.kvs\r\n\r\n"));
  EXPECT_EQ(f.Get(server.base() + "/s.kvs").error, "Connection Failed");

  // A name the resolver finds nothing for.
  testing::FakeClockSockets no_answer;
  HttpClient lookup_fails(&no_answer);
  EXPECT_EQ(lookup_fails.Get("http://no-such-host.example/story.kvs", f.options).error,
            "Null Remote Address");
  EXPECT_EQ(no_answer.looked_up, std::vector<std::string>{"no-such-host.example"});
  // Brackets around what is no IPv6 address name nothing to connect to.
  EXPECT_EQ(lookup_fails.Get("http://[::1/story.kvs", f.options).error, "Null Remote Address");
  EXPECT_EQ(lookup_fails.Get("http://[1:2]:80/story.kvs", f.options).error, "Null Remote Address");
  EXPECT_EQ(no_answer.looked_up.size(), 1u);

  HttpClient no_sockets(nullptr);
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
  // Told at once, not found out by waiting out the allowance.
  EXPECT_LT(f.elapsed_ms, static_cast<int64_t>(kTimeOutMs) / 2);
}

// A client on sockets whose clock only the waits move.
struct FakeFetcher {
  using Piece = testing::FakeClockSockets::Piece;
  testing::FakeClockSockets sockets;
  HttpClient client{&sockets};
  FetchOptions options;
  std::vector<uint64_t> pumped_at_ms;
  uint64_t start_ms = 0;

  FakeFetcher() {
    options.pump = [this] {
      pumped_at_ms.push_back(sockets.now_ms);
      return true;
    };
  }
  void Serve(std::vector<Piece> reply, uint64_t connect_after_ms = 0) {
    sockets.connections.push_back({connect_after_ms, std::move(reply)});
  }
  FetchResult Get(std::string_view url) {
    start_ms = sockets.now_ms;
    return client.Get(url, options);
  }
  uint64_t elapsed_ms() const { return sockets.now_ms - start_ms; }
};

TEST(HttpWaits, ASilentServerFailsTheHeaderAfterTenSeconds) {
  FakeFetcher f;
  f.Serve({});
  EXPECT_EQ(f.Get("http://127.0.0.1/s.kvs").error, "Socket readln aborted");
  EXPECT_EQ(f.elapsed_ms(), kTimeOutMs);
  EXPECT_EQ(f.sockets.requests[0], Request("/s.kvs", "127.0.0.1"));

  // An answer at the last moment still counts.
  FakeFetcher last;
  last.Serve({{kTimeOutMs, "HTTP/1.0 200 OK\r\n\r\nlate"}, {0, "", true}});
  const FetchResult r = last.Get("http://127.0.0.1/s.kvs");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body, "late");
}

TEST(HttpWaits, EachHeaderLineAndEachBodyPieceHasItsOwnAllowance) {
  // A line every 9 s never exhausts the 10 s allowance; the bound on the
  // whole fetch does.
  std::vector<FakeFetcher::Piece> lines = {{0, "HTTP/1.0 200 OK\r\n"}};
  for (int i = 0; i < 20; ++i) lines.push_back({9000, "X: y\r\n"});
  FakeFetcher header;
  header.options.total_limit_ms = 60000;
  header.Serve(lines);
  EXPECT_EQ(header.Get("http://127.0.0.1/s.kvs").error, "Socket readln aborted");
  EXPECT_EQ(header.elapsed_ms(), 60000u);

  std::vector<FakeFetcher::Piece> body = {{0, "HTTP/1.0 200 OK\r\n\r\n"}};
  for (int i = 0; i < 20; ++i) body.push_back({9000, "x"});
  FakeFetcher trickle;
  trickle.options.total_limit_ms = 60000;
  trickle.Serve(body);
  EXPECT_EQ(trickle.Get("http://127.0.0.1/s.kvs").error, "Socket capture aborted");
  EXPECT_EQ(trickle.elapsed_ms(), 60000u);

  // The same pieces that end within the bound make a whole reply.
  body.resize(5);
  body.push_back({9000, "", true});
  FakeFetcher slow;
  slow.Serve(body);
  const FetchResult r = slow.Get("http://127.0.0.1/s.kvs");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body, "xxxx");
  EXPECT_EQ(slow.elapsed_ms(), 5u * 9000);

  // Silence after the header runs out the body's own allowance.
  FakeFetcher silent;
  silent.Serve({{0, "HTTP/1.0 200 OK\r\n\r\npart"}, {500, "ial"}});
  EXPECT_EQ(silent.Get("http://127.0.0.1/s.kvs").error, "Socket capture aborted");
  EXPECT_EQ(silent.elapsed_ms(), 500 + kTimeOutMs);
}

TEST(HttpWaits, LookupAndConnectionAreBounded) {
  FakeFetcher lookup;
  lookup.sockets.lookup_after_ms = testing::kNever;
  EXPECT_EQ(lookup.Get("http://slow.example/").error, "Host Lookup Timed Out");
  EXPECT_EQ(lookup.elapsed_ms(), kTimeOutMs);

  FakeFetcher connect;
  connect.Serve({}, testing::kNever);
  EXPECT_EQ(connect.Get("http://127.0.0.1/").error, "Connection Timed out");
  EXPECT_EQ(connect.elapsed_ms(), kTimeOutMs);

  // A slow lookup and a slow connection each have their own allowance.
  FakeFetcher slow;
  slow.sockets.lookup_after_ms = 9000;
  slow.sockets.lookup_answer = {*DottedIPv4("127.0.0.1")};
  slow.Serve({{0, "HTTP/1.0 200 OK\r\n\r\nok"}, {0, "", true}}, 9000);
  const FetchResult r = slow.Get("http://slow.example/");
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(slow.elapsed_ms(), 18000u);
}

TEST(HttpWaits, WaitingPumpsEverySliceAndSleepsBetween) {
  FakeFetcher f;
  f.Serve({{500, "HTTP/1.0 200 OK\r\n\r\nlate"}, {0, "", true}});
  EXPECT_EQ(f.Get("http://127.0.0.1/s.kvs").body, "late");
  // Half a second of waiting: the window is served at least once a slice,
  // and never twice without a sleep between.
  const size_t slices = 500 / kWaitSliceMs;
  EXPECT_GE(f.pumped_at_ms.size(), slices);
  EXPECT_LE(f.pumped_at_ms.size(), slices + 8);
  for (size_t i = 1; i < f.pumped_at_ms.size(); ++i)
    EXPECT_LE(f.pumped_at_ms[i] - f.pumped_at_ms[i - 1], kWaitSliceMs) << i;
  for (uint32_t sleep_ms : f.sockets.sleeps_ms) EXPECT_LE(sleep_ms, kWaitSliceMs);
}

TEST(HttpWaits, ClosingTheWindowEndsTheFetchAtOnce) {
  FakeFetcher f;
  f.Serve({});
  f.options.pump = [&] {
    f.pumped_at_ms.push_back(f.sockets.now_ms);
    return f.pumped_at_ms.size() < 5;
  };
  const FetchResult r = f.Get("http://127.0.0.1/s.kvs");
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.error, "");
  EXPECT_FALSE(r.ok());
  EXPECT_LE(f.elapsed_ms(), 5 * kWaitSliceMs);
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
    // Refused as the bytes come, not at the end of an allowance.
    EXPECT_LT(f.elapsed_ms, 30000) << c.what;
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

TEST(HttpGet, HeadlessRunsWaitInRealTime) {
  // The headless clock jumps over idle time; a fetch must neither finish its
  // waits at once nor wait for virtual time that never passes.
  platform::HeadlessHost host(platform::HeadlessOptions{});
  host.SetTimerEnabled(true);
  TestServer server([](Connection& c, const std::string&, int) { c.Pause(10000); });
  HttpClient client(host.Net());
  FetchOptions options;
  options.timeout_ms = 300;
  options.pump = [&] { return host.Pump(true, host.NowMs()); };
  const int64_t start = MonotonicMs();
  EXPECT_EQ(client.Get(server.base() + "/s.kvs", options).error, "Socket readln aborted");
  EXPECT_GE(MonotonicMs() - start, 290);
  EXPECT_LT(MonotonicMs() - start, 10000);
  EXPECT_EQ(host.NowMs(), 0u);
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
    return std::make_unique<Lookup>(answer_);
  }
  std::unique_ptr<platform::StreamSocket> StartConnect(const platform::NetAddress& address,
                                                       uint16_t port, int* error) override {
    ++connects_;
    return real_->StartConnect(address, port, error);
  }

  std::string looked_up_;
  int connects_ = 0;

 private:
  struct Lookup : platform::NameLookup {
    explicit Lookup(std::vector<platform::NetAddress> a) : answer(std::move(a)) {}
    bool Wait(uint32_t) override { return true; }
    std::vector<platform::NetAddress> Addresses() const override { return answer; }
    std::vector<platform::NetAddress> answer;
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
  HttpClient client(&sockets);
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

TEST(HttpConnect, BracketedIPv6AddressesAreConnectedToWithoutALookup) {
  TestServer v6(
      [](Connection& c, const std::string&, int index) {
        c.Send(index == 0 ? "HTTP/1.0 302 Found\r\nLocation: next.kvs\r\n\r\n"
                          : "HTTP/1.0 200 OK\r\n\r\nover six");
      },
      /*ipv6=*/true);
  FixedLookupSockets sockets({});
  HttpClient client(&sockets);
  const std::string base = "http://[::1]:" + std::to_string(v6.port());
  const FetchResult r = client.Get(base + "/s.kvs", FetchOptions());
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body, "over six");
  EXPECT_EQ(sockets.looked_up_, "");
  // The relative redirect stays on the same address and port.
  const auto requests = v6.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], Request("/s.kvs", "[::1]"));
  EXPECT_EQ(requests[1], Request("/next.kvs", "[::1]"));
}

TEST(HttpConnect, DottedAddressesAreNotLookedUp) {
  TestServer server(Answer("HTTP/1.0 200 OK\r\n\r\nx"));
  FixedLookupSockets sockets({});
  HttpClient client(&sockets);
  EXPECT_TRUE(client.Get(server.base() + "/", FetchOptions()).ok());
  EXPECT_EQ(sockets.looked_up_, "");
  EXPECT_EQ(
      client.Get("http://nowhere:" + std::to_string(server.port()) + "/", FetchOptions()).error,
      "Null Remote Address");
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
