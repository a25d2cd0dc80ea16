#pragma once
// The HTTP client that fetches scenarios: one HTTP/1.0 GET at a time over
// one TCP connection, following redirects, every wait bounded.
//
// A fetch blocks its caller, but not the game: between short sleeps on the
// socket it calls the caller's pump, which dispatches the window's input and
// timer. A pump may start another fetch on the same client; that one fails
// at once with "Already connected".
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/response.h"
#include "net/url.h"
#include "platform/sockets.h"

namespace zepa::net {

constexpr uint32_t kTimeOutMs = 10000;  // each wait: lookup, connect, send, a line, body silence
// However slowly a server trickles bytes, one fetch ends within this, and
// after this many request-and-response exchanges.
constexpr uint32_t kFetchLimitMs = 120000;
constexpr int kMaxExchanges = 10;
constexpr size_t kMaxBodyBytes = size_t{16} << 20;
// The longest sleep between two calls of the pump while a fetch waits.
constexpr uint32_t kWaitSliceMs = 10;
// Raised when the connection closed before a status line, the end of the
// header, or as much body as the header announced.
constexpr std::string_view kCutShortText = "Connection closed before the whole reply arrived";

struct FetchOptions {
  /// Dispatches what is due (input, the game timer) without blocking;
  /// returns false once the main window has closed, which ends the fetch.
  std::function<bool()> pump;
  /// The failure event: runs when a response has status 400 or above, or
  /// when redirects lead nowhere, before the fetch returns.
  std::function<void()> on_failure;
  uint32_t timeout_ms = kTimeOutMs;  // tests shorten these
  uint32_t total_limit_ms = kFetchLimitMs;
};

struct FetchResult {
  std::string body;        // the last response's body, the error page too
  std::string error;       // the text raised to the caller; empty when none
  bool failure = false;    // the failure event ran
  bool cancelled = false;  // the window closed while the fetch waited
  int status = 0;          // of the last response

  /// The body is the scenario text.
  bool ok() const { return error.empty() && !failure && !cancelled; }
};

/// The request lines in order, without their line ends. The cookie line is
/// there only when a redirect has left a cookie.
std::vector<std::string> AssembleHTTPHeader(std::string_view path, std::string_view host,
                                            std::string_view cookie);

/// The client the main window owns. It keeps the host and the port from one
/// request to the next, as the old one did, and the cookie a redirect set
/// until the next response.
class HttpClient {
 public:
  /// `sockets` null means the machine has no socket layer.
  explicit HttpClient(platform::Sockets* sockets) : sockets_(sockets) {}
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  /// Fetches `url` and every redirect after it; returns when all is over.
  FetchResult Get(std::string_view url, const FetchOptions& options);

  /// The cookie the next request to `target` would send.
  std::string CookieFor(const Target& target) const;
  const std::string& header() const { return head_.header; }

 private:
  enum class Waited { kReady, kTimedOut, kCancelled };

  std::optional<std::string> Connect();
  std::optional<std::string> SendHTTP(const std::vector<std::string>& lines);
  std::optional<std::string> RemoveHeader();
  std::optional<std::string> CaptureString();
  void Disconnect() { socket_.reset(); }

  // Deadline of a wait starting now: its own allowance, cut by the fetch's.
  uint64_t WaitDeadline();
  // Calls `attempt(slice_ms)` until it returns true or the deadline passes,
  // pumping before each attempt.
  Waited WaitUntil(uint64_t deadline_ms, const std::function<bool(uint32_t)>& attempt);

  platform::Sockets* sockets_;
  Target target_;
  std::string cookie_;  // a redirect's, held until the next response
  std::string cookie_host_;
  int cookie_port_ = 0;
  ResponseHead head_;
  std::string body_;
  std::string early_body_;  // bytes after the header, read with it
  std::vector<char> receive_buffer_;
  std::unique_ptr<platform::StreamSocket> socket_;
  bool busy_ = false;
  bool cancelled_ = false;
  const FetchOptions* options_ = nullptr;
  uint64_t fetch_deadline_ms_ = 0;
};

}  // namespace zepa::net
