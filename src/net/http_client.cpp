#include "net/http_client.h"

#include <algorithm>
#include <utility>

#include "net/socket_errors.h"
#include "platform/ascii.h"

namespace zepa::net {
namespace {

constexpr size_t kReceiveChunkBytes = 64 * 1024;

using platform::NetResult;
using platform::NetStatus;

// Receives once without waiting; when nothing is there yet, sleeps up to
// `slice_ms` for it and tries again. True when something happened.
bool ReceiveSome(platform::StreamSocket& socket, std::vector<char>& buffer, uint32_t slice_ms,
                 NetResult* result) {
  *result = socket.Receive(buffer.data(), buffer.size());
  if (result->status == NetStatus::kPending) {
    socket.WaitReadable(slice_ms);
    *result = socket.Receive(buffer.data(), buffer.size());
  }
  return result->status != NetStatus::kPending;
}

}  // namespace

std::vector<std::string> AssembleHTTPHeader(std::string_view path, std::string_view host,
                                            std::string_view cookie) {
  std::vector<std::string> lines;
  lines.push_back("GET " + std::string(path) + " HTTP/1.0");
  lines.push_back("Host: " + std::string(host));
  lines.push_back("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
  lines.push_back("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
  if (!cookie.empty()) lines.push_back("Cookie: " + std::string(cookie));
  // Sent with a GET too, as the old client always did; servers ignore it.
  lines.push_back("Content-type: application/x-www-form-urlencoded");
  return lines;
}

std::string HttpClient::CookieFor(const Target& target) const {
  if (cookie_.empty() || target.port != cookie_port_ ||
      !platform::EqualsNoCase(target.host, cookie_host_))
    return std::string();
  return cookie_;
}

uint64_t HttpClient::WaitDeadline() {
  return std::min(sockets_->RealNowMs() + options_->timeout_ms, fetch_deadline_ms_);
}

HttpClient::Waited HttpClient::WaitUntil(uint64_t deadline_ms,
                                   const std::function<bool(uint32_t)>& attempt) {
  for (;;) {
    if (options_->pump && !options_->pump()) {
      cancelled_ = true;
      return Waited::kCancelled;
    }
    const uint64_t now_ms = sockets_->RealNowMs();
    const uint64_t left_ms = deadline_ms > now_ms ? deadline_ms - now_ms : 0;
    // One last look without sleeping when the time is up, so an answer that
    // came exactly at the deadline still counts.
    if (attempt(static_cast<uint32_t>(std::min<uint64_t>(left_ms, kWaitSliceMs))))
      return Waited::kReady;
    if (left_ms == 0) return Waited::kTimedOut;
  }
}

std::optional<std::string> HttpClient::Connect() {
  if (socket_) return "Already connected";

  std::vector<platform::NetAddress> addresses;
  if (const auto dotted = DottedIPv4(target_.host)) {
    addresses.push_back(*dotted);
  } else if (const auto v6 = BracketedIPv6(target_.host)) {
    addresses.push_back(*v6);
  } else if (!target_.host.empty() && target_.host[0] == '[') {
    return "Null Remote Address";  // brackets around what is no IPv6 address
  } else {
    const std::unique_ptr<platform::NameLookup> lookup = sockets_->StartLookup(target_.host);
    switch (WaitUntil(WaitDeadline(), [&](uint32_t slice_ms) { return lookup->Wait(slice_ms); })) {
      case Waited::kReady:
        break;
      case Waited::kTimedOut:
        return "Host Lookup Timed Out";
      case Waited::kCancelled:
        return std::string();
    }
    addresses = lookup->Addresses();
  }
  if (addresses.empty()) return "Null Remote Address";
  if (target_.port < 1 || target_.port > 65535) return "Connection Failed";

  // A name may have several addresses, IPv6 ones among them; one refusing
  // moves on to the next, all within the one connection allowance.
  const uint64_t deadline_ms = WaitDeadline();
  for (const platform::NetAddress& address : addresses) {
    int error = 0;
    std::unique_ptr<platform::StreamSocket> socket =
        sockets_->StartConnect(address, static_cast<uint16_t>(target_.port), &error);
    if (!socket) continue;
    NetResult result;
    const Waited waited = WaitUntil(deadline_ms, [&](uint32_t slice_ms) {
      result = socket->WaitConnected(slice_ms);
      return result.status != NetStatus::kPending;
    });
    if (waited == Waited::kCancelled) return std::string();
    if (waited == Waited::kTimedOut) return "Connection Timed out";
    if (result.status == NetStatus::kDone) {
      socket_ = std::move(socket);
      return std::nullopt;
    }
  }
  return "Connection Failed";
}

std::optional<std::string> HttpClient::SendHTTP(const std::vector<std::string>& lines) {
  std::string request;
  for (const std::string& line : lines) request += line + "\r\n";
  request += "\r\n";

  std::string_view rest = request;
  std::optional<std::string> error;
  const Waited waited = WaitUntil(WaitDeadline(), [&](uint32_t slice_ms) {
    NetResult result = socket_->Send(rest);
    if (result.status == NetStatus::kPending) {
      socket_->WaitWritable(slice_ms);
      result = socket_->Send(rest);
    }
    if (result.status == NetStatus::kFailed) {
      error = SocketErrorText(result.error);
      return true;
    }
    if (result.status == NetStatus::kDone) rest.remove_prefix(std::min(result.bytes, rest.size()));
    return rest.empty();
  });
  if (waited == Waited::kCancelled) return std::string();
  if (waited == Waited::kTimedOut) return "Socket send aborted";
  return error;
}

std::optional<std::string> HttpClient::RemoveHeader() {
  head_ = ResponseHead();
  early_body_.clear();
  receive_buffer_.resize(kReceiveChunkBytes);

  HeaderReader reader;
  int lines_seen = 0;
  uint64_t deadline_ms = WaitDeadline();
  while (reader.state() == HeaderReader::State::kReading) {
    NetResult result;
    const Waited waited = WaitUntil(deadline_ms, [&](uint32_t slice_ms) {
      return ReceiveSome(*socket_, receive_buffer_, slice_ms, &result);
    });
    if (waited == Waited::kCancelled) return std::string();
    if (waited == Waited::kTimedOut) return "Socket readln aborted";
    switch (result.status) {
      case NetStatus::kDone: {
        const std::string_view got(receive_buffer_.data(), result.bytes);
        const size_t used = reader.Feed(got);
        if (reader.state() == HeaderReader::State::kDone) early_body_.assign(got.substr(used));
        break;
      }
      case NetStatus::kClosed:
        reader.Close();
        break;
      case NetStatus::kFailed:
        return SocketErrorText(result.error);
      case NetStatus::kPending:
        break;
    }
    if (reader.lines_read() != lines_seen) {
      lines_seen = reader.lines_read();
      deadline_ms = WaitDeadline();
    }
  }
  if (reader.state() == HeaderReader::State::kCutShort) return std::string(kCutShortText);
  if (reader.state() != HeaderReader::State::kDone) return "Socket readln aborted";
  head_ = reader.head();
  return std::nullopt;
}

std::optional<std::string> HttpClient::CaptureString() {
  body_ = std::move(early_body_);
  early_body_.clear();
  // The body is everything until the server closes; a length it announced
  // is only a check that none of it was lost on the way.
  const auto closed = [this]() -> std::optional<std::string> {
    if (head_.content_length && body_.size() < *head_.content_length)
      return std::string(kCutShortText);
    return std::nullopt;
  };
  for (;;) {
    // The allowance bounds the silence between pieces, not the whole body.
    NetResult result;
    const Waited waited = WaitUntil(WaitDeadline(), [&](uint32_t slice_ms) {
      return ReceiveSome(*socket_, receive_buffer_, slice_ms, &result);
    });
    if (waited == Waited::kCancelled) return std::string();
    if (waited == Waited::kTimedOut) return "Socket capture aborted";
    switch (result.status) {
      case NetStatus::kDone:
        if (body_.size() + result.bytes > kMaxBodyBytes) return "Socket capture aborted";
        body_.append(receive_buffer_.data(), result.bytes);
        break;
      case NetStatus::kClosed:
        return closed();
      case NetStatus::kFailed:
        if (result.error == 10057) return closed();  // not connected: the end, like a close
        return SocketErrorText(result.error);
      case NetStatus::kPending:
        break;
    }
  }
}

FetchResult HttpClient::Get(std::string_view url, const FetchOptions& options) {
  FetchResult result;
  // A fetch started from a pump of another would trample its state.
  if (busy_) {
    result.error = "Already connected";
    return result;
  }
  if (!sockets_) {
    result.error = "Initializaton of windows sockets failed";
    return result;
  }
  struct BusyGuard {
    HttpClient& client;
    explicit BusyGuard(HttpClient& c) : client(c) { client.busy_ = true; }
    ~BusyGuard() {
      client.Disconnect();
      client.busy_ = false;
      client.options_ = nullptr;
    }
  } guard(*this);
  options_ = &options;
  cancelled_ = false;
  fetch_deadline_ms_ = sockets_->RealNowMs() + options.total_limit_ms;
  target_.url = std::string(url);

  for (int exchange = 1;; ++exchange) {
    std::optional<std::string> error = ParseURL(target_);
    if (!error) error = Connect();
    if (!error)
      error = SendHTTP(AssembleHTTPHeader(target_.path, target_.host, CookieFor(target_)));
    if (!error) error = RemoveHeader();
    if (!error) error = CaptureString();
    if (error) {
      Disconnect();
      if (cancelled_) {
        result.cancelled = true;
      } else {
        result.error = std::move(*error);
      }
      return result;
    }

    const int status = head_.status;
    result.status = status;
    bool failed = false;
    bool follow = false;
    if (status >= 400) {
      failed = true;
    } else if (status >= 300 && status <= 399 && !head_.location.empty()) {
      // Redirects go on for a bounded number of exchanges, so a loop ends.
      follow = exchange < kMaxExchanges;
      failed = !follow;
    } else if (status >= 299) {
      // 299, and a redirect without a location, would repeat the same
      // request for ever.
      failed = true;
    }
    if (failed && options.on_failure) options.on_failure();
    Disconnect();
    // Every response clears the cookie; only a redirect's is held, and only
    // for the host and port that set it.
    cookie_.clear();
    if (status >= 300 && status <= 398 && !head_.cookie.empty()) {
      cookie_ = head_.cookie;
      cookie_host_ = target_.host;
      cookie_port_ = target_.port;
    }
    if (!follow) {
      result.body = std::move(body_);
      result.failure = failed;
      return result;
    }

    target_.url = head_.location;
    if (target_.url.find('/') == std::string::npos && !StartsWithHostAndPort(target_.url)) {
      // A bare name is relative to where the redirect came from, port too.
      std::string origin = "http://" + target_.host;
      if (target_.port != kHttpPort) origin += ":" + std::to_string(target_.port);
      target_.url = origin + "/" + target_.url;
    }
  }
}

}  // namespace zepa::net
