#include "net/response.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "net/http_client.h"
#include "net/socket_errors.h"

namespace zepa::net {
namespace {

TEST(StatusFromLine, SecondWordAsNumber) {
  const std::pair<const char*, int> cases[] = {
      {"HTTP/1.0 200 OK\r\n", 200},
      {"HTTP/1.1 404\r\n", 404},
      {"HTTP/1.0 302\n", 302},
      {"HTTP/1.0  301  Moved\r\n", 301},
      {"HTTP/1.0 -5 x", -5},
      {"HTTP/1.0 +7 x", 7},
      {"HTTP/1.0 abc\r\n", 0},
      {"HTTP/1.0 200abc\r\n", 0},
      {"HTTP/1.0\r\n", 0},
      {"", 0},
      {"\r\n", 0},
      {"HTTP/1.0 70000\r\n", 0},
      {"HTTP/1.0 32767", 32767},
      {"HTTP/1.0 200\tOK", 0},
      {"HTTP/1.0 +-3", 0},
  };
  for (const auto& [line, status] : cases) EXPECT_EQ(StatusFromLine(line), status) << line;
}

ResponseHead ReadWhole(std::string_view bytes, size_t* used = nullptr) {
  HeaderReader reader;
  const size_t n = reader.Feed(bytes);
  if (used) *used = n;
  EXPECT_EQ(reader.state(), HeaderReader::State::kDone);
  return reader.head();
}

TEST(HeaderReader, StopsAtTheBlankLineAndTakesCookieAndLocation) {
  const std::string head =
      "HTTP/1.0 302 Found\r\n"
      "Server: test\r\n"
      "set-cookie: sid=42; path=/\r\n"
      "LOCATION: other.kvs\r\n"
      "\r\n";
  size_t used = 0;
  const ResponseHead h = ReadWhole(head + "body\r\n\r\nmore", &used);
  EXPECT_EQ(used, head.size());
  EXPECT_EQ(h.status, 302);
  EXPECT_EQ(h.cookie, "sid=42; path=/");
  EXPECT_EQ(h.location, "other.kvs");
  EXPECT_EQ(h.header, head.substr(0, head.size() - 2));
}

TEST(HeaderReader, ValueRules) {
  // The name must be the whole first word; the value is what follows one
  // blank, cut at 256 characters; a later line replaces an earlier one.
  const ResponseHead h = ReadWhole(
      "HTTP/1.0 200 OK\n"
      "Set-Cookie:glued\n"
      "Location:  two blanks \n"
      "Set-Cookie: first\n"
      "Set-Cookie: " +
      std::string(300, 'c') +
      "\n"
      "X-Location: no\n"
      "\n");
  EXPECT_EQ(h.cookie, std::string(256, 'c'));
  EXPECT_EQ(h.location, " two blanks ");
  EXPECT_EQ(ReadWhole("HTTP/1.0 301\r\nLocation:\r\n\r\n").location, "");
}

TEST(HeaderReader, SameResultWhateverThePieces) {
  const std::string response =
      "HTTP/1.0 301 Moved\r\nLocation: http://mirror/story.kvs\r\nSet-Cookie: a=b\r\n\r\nBODY";
  const ResponseHead whole = ReadWhole(response);
  HeaderReader reader;
  size_t used = 0;
  for (size_t i = 0; i < response.size() && reader.state() == HeaderReader::State::kReading; ++i)
    used += reader.Feed(std::string_view(response).substr(i, 1));
  EXPECT_EQ(response.substr(used), "BODY");
  EXPECT_EQ(reader.head().status, whole.status);
  EXPECT_EQ(reader.head().location, whole.location);
  EXPECT_EQ(reader.head().cookie, whole.cookie);
  EXPECT_EQ(reader.head().header, whole.header);
}

TEST(HeaderReader, AReplyMustBeginWithAStatusLine) {
  // Anything else is no HTTP server's answer; the reader stops at that line.
  for (const char* first :
       {"\r\n", "\n", "garbage\r\n", "\x9c\x01\xff\n", "HTTP/1.0 abc\r\n", "HTTP/1.0 0 Zero\r\n",
        "HTTP/1.0 -5 x\r\n", "HTTP/1.0\r\n", "ICY 200 OK\r\n", " HTTP/1.0 200 OK\r\n"}) {
    HeaderReader reader;
    reader.Feed(std::string(first) + "Location: x\r\n\r\nbody");
    EXPECT_EQ(reader.state(), HeaderReader::State::kCutShort) << first;
    EXPECT_EQ(reader.lines_read(), 1) << first;
  }
  EXPECT_EQ(ReadWhole("HTTP/1.1 200\n\n").status, 200);
}

TEST(HeaderReader, ACloseBeforeTheBlankLineCutsTheReplyShort) {
  for (const char* sent : {"", "HTT", "HTTP/1.0 200 OK", "HTTP/1.0 200 OK\r\n",
                           "HTTP/1.0 404 Not Found\r\nLocation: y", "HTTP/1.0 200 OK\r\nX: y\r\n",
                           "HTTP/1.0 200 OK\r\nX: y\r\n\r"}) {
    HeaderReader reader;
    reader.Feed(sent);
    EXPECT_EQ(reader.state(), HeaderReader::State::kReading) << sent;
    reader.Close();
    EXPECT_EQ(reader.state(), HeaderReader::State::kCutShort) << sent;
  }
  // After the blank line a close changes nothing: the rest is body.
  HeaderReader done;
  done.Feed("HTTP/1.0 200 OK\r\n\r\n");
  done.Close();
  EXPECT_EQ(done.state(), HeaderReader::State::kDone);
}

TEST(HeaderReader, ContentLengthOnlyWhenAWholeNumber) {
  const std::pair<const char*, std::optional<uint64_t>> cases[] = {
      {"Content-Length: 12", 12},
      {"content-length: 0", 0},
      {"CONTENT-LENGTH:  7 ", 7},
      {"Content-Length: 18446744073709551615", UINT64_MAX},
      {"Content-Length: 18446744073709551616", std::nullopt},
      {"Content-Length: 12abc", std::nullopt},
      {"Content-Length: -1", std::nullopt},
      {"Content-Length: ", std::nullopt},
      {"Content-Length:12", std::nullopt},
      {"X-Content-Length: 5", std::nullopt},
  };
  for (const auto& [line, length] : cases)
    EXPECT_EQ(ReadWhole(std::string("HTTP/1.0 200 OK\r\n") + line + "\r\n\r\n").content_length,
              length)
        << line;
  EXPECT_EQ(
      ReadWhole("HTTP/1.0 200 OK\r\nContent-Length: 3\r\nContent-Length: 9\r\n\r\n").content_length,
      9u);
}

TEST(HeaderReader, LineLengthBound) {
  // 8192 bytes with the LF is still a line; one more byte is not.
  const std::string status = "HTTP/1.0 200 OK\r\n";
  const std::string fits = "X: " + std::string(kMaxHeaderLineBytes - 5, 'a') + "\r\n";
  ASSERT_EQ(fits.size(), kMaxHeaderLineBytes);
  EXPECT_EQ(ReadWhole(status + fits + "\r\n").status, 200);

  HeaderReader over;
  over.Feed(status + "X: " + std::string(kMaxHeaderLineBytes - 4, 'a') + "\r\n");
  EXPECT_EQ(over.state(), HeaderReader::State::kLineTooLong);

  // Without an LF in sight the reader gives up as soon as the bound is full.
  HeaderReader endless;
  for (int i = 0; i < 100 && endless.state() == HeaderReader::State::kReading; ++i)
    endless.Feed(std::string(1000, 'z'));
  EXPECT_EQ(endless.state(), HeaderReader::State::kLineTooLong);
  EXPECT_EQ(endless.lines_read(), 0);
}

TEST(HeaderReader, LineCountBound) {
  std::string lines = "HTTP/1.0 200 OK\r\n";
  for (int i = 0; i < kMaxHeaderLines; ++i) lines += "X: " + std::to_string(i) + "\r\n";
  EXPECT_EQ(ReadWhole(lines + "\r\n").status, 200);

  HeaderReader over;
  over.Feed(lines + "X: one too many\r\n\r\n");
  EXPECT_EQ(over.state(), HeaderReader::State::kTooManyLines);
}

TEST(SocketErrorText, NumberColonDescription) {
  EXPECT_EQ(SocketErrorText(10054), "10054:Connection reset by peer");
  EXPECT_EQ(SocketErrorText(10004), "10004:Interrupted system call");
  EXPECT_EQ(SocketErrorText(10093), "10093:Successful WSAStartup not yet performed");
  EXPECT_EQ(SocketErrorText(11003), "11003:Non-Recoverable error: FORMERR, REFUSED, NOTIMP");
  EXPECT_EQ(SocketErrorText(11004), "11004:Valid name, no data record of requested type");
  EXPECT_EQ(SocketErrorText(10072), "Unknown Error No. 10072");
  EXPECT_EQ(SocketErrorText(5), "Unknown Error No. 5");
}

TEST(AssembleHTTPHeader, CookieLineOnlyWhenHeld) {
  const auto plain = AssembleHTTPHeader("/a", "h", "");
  const auto with = AssembleHTTPHeader("/a", "h", "k=v");
  ASSERT_EQ(plain.size() + 1, with.size());
  EXPECT_EQ(with[4], "Cookie: k=v");
  EXPECT_EQ(with[5], plain[4]);
}

}  // namespace
}  // namespace zepa::net
