#pragma once
// The head of an HTTP response: the status line and the header lines, read
// from bytes as they arrive.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zepa::net {

// A response may not make the client hold more than this: a server that
// sends an endless line or endless lines fails the read instead.
constexpr size_t kMaxHeaderLineBytes = 8192;  // one line with its line end
constexpr int kMaxHeaderLines = 100;          // after the status line
constexpr size_t kMaxFieldChars = 256;        // a cookie or location value

/// The status code: the second space-separated word of the status line as
/// a decimal number; 0 when it is none or does not fit 16 bits.
int StatusFromLine(std::string_view line);

/// A line an HTTP server begins its reply with: "HTTP/", a version and a
/// positive status code.
bool IsStatusLine(std::string_view line);

struct ResponseHead {
  int status = 0;
  std::string header;    // every line read, with its line end
  std::string cookie;    // from a "Set-Cookie:" line; empty when none
  std::string location;  // from a "Location:" line; empty when none
  // From a "Content-Length:" line holding a whole decimal number: the body
  // is cut short when the connection closes before this many bytes.
  std::optional<uint64_t> content_length;
};

/// Takes the bytes of a response as they arrive and stops at the end of its
/// header. A line is everything up to and including an LF; the first is the
/// status line, and a line that is just LF or CR LF ends the header.
class HeaderReader {
 public:
  // kCutShort: the connection closed before the line that ends the header,
  // or the first line was no status line.
  enum class State { kReading, kDone, kCutShort, kLineTooLong, kTooManyLines };

  /// Reads from `bytes`; returns how many belong to the header. Once the
  /// header is done the rest is the start of the body.
  size_t Feed(std::string_view bytes);
  /// The connection closed before the header ended.
  void Close();

  State state() const { return state_; }
  /// Lines read so far; each line has its own time allowance.
  int lines_read() const { return lines_read_; }
  const ResponseHead& head() const { return head_; }

 private:
  void TakeLine(std::string_view line);

  State state_ = State::kReading;
  std::string partial_;
  int lines_read_ = 0;
  int header_lines_ = 0;
  ResponseHead head_;
};

}  // namespace zepa::net
