#include "net/url.h"

#include <gtest/gtest.h>

#include <string>

namespace zepa::net {
namespace {

struct UrlCase {
  const char* url;
  const char* host;
  int port;
  const char* path;
  const char* url_after;
};

TEST(ParseURL, TakesAddressesApart) {
  // Each starts from a client that last fetched from "prev" on port 8080.
  const UrlCase cases[] = {
      {"http://host:8080/game/story.kvs", "host", 8080, "/game/story.kvs",
       "http://host:8080/game/story.kvs"},
      {"http://host", "host", 80, "/", "http://host/"},
      {"http://host:81", "host", 81, "/", "http://host:81/"},
      {"HTTP://Host/x.kvs", "Host", 80, "/x.kvs", "HTTP://Host/x.kvs"},
      {"http://h:+81/", "h", 81, "/", "http://h:+81/"},
      // No host: the one before, and its port, since no scheme resets it.
      {"/other.kvs", "prev", 8080, "/other.kvs", "/other.kvs"},
      {"/dir/a:b", "prev", 8080, "/dir/a:b", "/dir/a:b"},
      {"http:///x", "prev", 80, "/x", "http:///x"},
      // Without "//" the host is the text before the first "/".
      {"mirror/dir/s.kvs", "mirror", 8080, "/dir/s.kvs", "mirror/dir/s.kvs"},
      {"story.kvs", "story.kvs", 8080, "/", "story.kvs/"},
      // A host name with a port is no scheme, with or without a path.
      {"localhost:8081/x.kvs", "localhost", 8081, "/x.kvs", "localhost:8081/x.kvs"},
      {"mirror.example:81", "mirror.example", 81, "/", "mirror.example:81/"},
      {"10.0.0.2:81/d/s.kvs", "10.0.0.2", 81, "/d/s.kvs", "10.0.0.2:81/d/s.kvs"},
      // An IPv6 address keeps its brackets; its colons are no port.
      {"http://[::1]:8081/s.kvs", "[::1]", 8081, "/s.kvs", "http://[::1]:8081/s.kvs"},
      {"http://[fe80::1:2]/", "[fe80::1:2]", 80, "/", "http://[fe80::1:2]/"},
      {"[::1]:81/s.kvs", "[::1]", 81, "/s.kvs", "[::1]:81/s.kvs"},
  };
  for (const UrlCase& c : cases) {
    Target t{"", "prev", 8080, "/old"};
    t.url = c.url;
    ASSERT_EQ(ParseURL(t), std::nullopt) << c.url;
    EXPECT_EQ(t.host, c.host) << c.url;
    EXPECT_EQ(t.port, c.port) << c.url;
    EXPECT_EQ(t.path, c.path) << c.url;
    EXPECT_EQ(t.url, c.url_after) << c.url;
  }
}

TEST(ParseURL, PortZeroMeansHttpPort) {
  Target t{"/a", "", 0, ""};
  ASSERT_EQ(ParseURL(t), std::nullopt);
  EXPECT_EQ(t.port, 80);
}

TEST(ParseURL, PathIsCutAt256Characters) {
  const std::string long_path = "/" + std::string(300, 'p');
  Target t{"http://h" + long_path, "", 0, ""};
  ASSERT_EQ(ParseURL(t), std::nullopt);
  EXPECT_EQ(t.path, long_path.substr(0, 256));
}

TEST(ParseURL, RefusesWhatItCannotFetchAndChangesNothing) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://host/story.kvs", "HTTP Secure Socket is not supported"},
      {"HTTPS://host/", "HTTP Secure Socket is not supported"},
      {"ftp://host/story.kvs", "Connection Failed"},
      {"gopher://host/", "Connection Failed"},
      {"http://host:80a/x", "'80a' is not a valid integer value"},
      {"http://host:/x", "'' is not a valid integer value"},
      {"http://host:99999999999/x", "'99999999999' is not a valid integer value"},
      {"http://host:+-1/x", "'+-1' is not a valid integer value"},
      // One slash: the host text is "http:", whose port is empty.
      {"http:/story.kvs", "'' is not a valid integer value"},
      {"http://[::1]:x/", "'x' is not a valid integer value"},
      // Not a host and port: the text after the ":" is no number.
      {"mailto:a", "Connection Failed"},
      {"localhost:80x/s", "Connection Failed"},
  };
  for (const auto& [url, error] : cases) {
    Target t{url, "prev", 8080, "/old"};
    EXPECT_EQ(ParseURL(t), std::optional<std::string>(error)) << url;
    EXPECT_EQ(t.host, "prev") << url;
    EXPECT_EQ(t.port, 8080) << url;
    EXPECT_EQ(t.path, "/old") << url;
  }
}

TEST(DottedIPv4, OnlyFourDecimalNumbersUpTo255) {
  const auto a = DottedIPv4("127.0.0.1");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->family, platform::NetAddress::Family::kIPv4);
  EXPECT_EQ(a->bytes[0], 127);
  EXPECT_EQ(a->bytes[3], 1);
  EXPECT_EQ(DottedIPv4("010.1.2.255")->bytes[0], 10);
  for (const char* no : {"", "localhost", "1.2.3", "1.2.3.4.5", "256.0.0.1", "1..2.3", "1.2.3.",
                         "1234.1.1.1", "a.b.c.d", "1.2.3.4 ", "-1.2.3.4", "::1"}) {
    EXPECT_FALSE(DottedIPv4(no)) << no;
  }
}

TEST(StartsWithHostAndPort, NameColonDigitsWithoutDoubleSlash) {
  for (const char* yes : {"localhost:8080/x", "localhost:1", "a-b.example:80/", "1.2.3.4:5/x:y"})
    EXPECT_TRUE(StartsWithHostAndPort(yes)) << yes;
  for (const char* no : {"http://localhost:8080/x", "localhost:/x", "localhost:8o/", ":80/x",
                         "/dir/a:80", "host_name:80", "other.kvs", "a:b:80"}) {
    EXPECT_FALSE(StartsWithHostAndPort(no)) << no;
  }
}

platform::NetAddress V6(std::initializer_list<uint16_t> groups) {
  platform::NetAddress a;
  a.family = platform::NetAddress::Family::kIPv6;
  size_t i = 0;
  for (uint16_t g : groups) {
    a.bytes[i++] = static_cast<uint8_t>(g >> 8);
    a.bytes[i++] = static_cast<uint8_t>(g);
  }
  return a;
}

TEST(BracketedIPv6, GroupsGapsAndATrailingIPv4) {
  const std::pair<const char*, platform::NetAddress> cases[] = {
      {"[::1]", V6({0, 0, 0, 0, 0, 0, 0, 1})},
      {"[::]", V6({0, 0, 0, 0, 0, 0, 0, 0})},
      {"[1::]", V6({1, 0, 0, 0, 0, 0, 0, 0})},
      {"[fe80::a:B]", V6({0xfe80, 0, 0, 0, 0, 0, 0xa, 0xb})},
      {"[1:2:3:4:5:6:7:8]", V6({1, 2, 3, 4, 5, 6, 7, 8})},
      {"[1:2:3::6:7:8]", V6({1, 2, 3, 0, 0, 6, 7, 8})},
      {"[1::3:4:5:6:7:8]", V6({1, 0, 3, 4, 5, 6, 7, 8})},
      {"[::ffff:127.0.0.1]", V6({0, 0, 0, 0, 0, 0xffff, 0x7f00, 1})},
      {"[1:2:3:4:5:6:1.2.3.4]", V6({1, 2, 3, 4, 5, 6, 0x102, 0x304})},
  };
  for (const auto& [text, address] : cases) {
    const auto parsed = BracketedIPv6(text);
    ASSERT_TRUE(parsed) << text;
    EXPECT_EQ(*parsed, address) << text;
  }
  for (const char* no :
       {"::1", "[::1", "::1]", "[]", "[:]", "[:1]", "[1:]", "[1:::2]", "[1::2::3]", "[12345::]",
        "[g::]", "[1:2:3:4:5:6:7]", "[1:2:3:4:5:6:7:8:9]", "[1:2:3:4::5:6:7:8]", "[::1.2.3.4:5]",
        "[1:2:3:4:5:6:7:1.2.3.4]", "[::1%eth0]", "[127.0.0.1]x", "[ ::1]"}) {
    EXPECT_FALSE(BracketedIPv6(no)) << no;
  }
}

}  // namespace
}  // namespace zepa::net
