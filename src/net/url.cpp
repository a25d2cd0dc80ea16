#include "net/url.h"

#include <array>
#include <cctype>
#include <charconv>

#include "platform/ascii.h"

namespace zepa::net {
namespace {

constexpr std::string_view::size_type kNone = std::string_view::npos;

// The position of the n-th "/" (n from 1), or kNone.
size_t NthSlash(std::string_view url, int n) {
  size_t pos = kNone;
  for (int i = 0; i < n; ++i) {
    pos = url.find('/', pos == kNone ? 0 : pos + 1);
    if (pos == kNone) return kNone;
  }
  return pos;
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Text before a ":" is a scheme only when it is shaped like one; otherwise
// the ":" belongs to a relative address ("/dir/a:b") and the port stays.
bool IsScheme(std::string_view text) {
  if (text.empty() || !IsAlpha(text[0])) return false;
  for (char c : text)
    if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
  return true;
}

std::string Lower(std::string_view text) { return platform::AsciiLowerCopy(text); }

// A whole decimal integer with an optional sign, as a number conversion
// reads it; anything else is no number.
std::optional<int> WholeInteger(std::string_view text) {
  const bool plus = !text.empty() && text[0] == '+';
  if (plus) text.remove_prefix(1);
  if (text.empty() || (plus && text[0] == '-')) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::string> ParseURL(Target& target) {
  Target t = target;
  std::string_view url = t.url;
  if (t.port == 0) t.port = kHttpPort;

  const bool has_double_slash = url.find("//") != kNone;
  if (has_double_slash) {
    const size_t third = NthSlash(url, 3);
    t.path = third == kNone ? "" : std::string(url.substr(third));
  } else {
    const size_t first = url.find('/');
    t.path = first == kNone ? "" : std::string(url.substr(first));
  }
  if (t.path.size() > kMaxPathChars) t.path.resize(kMaxPathChars);

  if (const size_t colon = url.find(':');
      colon != kNone && IsScheme(url.substr(0, colon)) && !StartsWithHostAndPort(url)) {
    // Only plain HTTP is fetched: the other schemes the old client knew
    // would have sent an HTTP request to their own ports.
    const std::string scheme = Lower(url.substr(0, colon));
    if (scheme == "https") return "HTTP Secure Socket is not supported";
    if (scheme != "http") return "Connection Failed";
    t.port = kHttpPort;
  }

  std::string_view host;
  if (has_double_slash) {
    const size_t second = NthSlash(url, 2);
    const size_t third = NthSlash(url, 3);
    host = url.substr(second + 1, third == kNone ? kNone : third - second - 1);
  } else if (!url.empty() && url[0] == '/') {
    host = {};
  } else {
    host = url.substr(0, url.find('/'));
  }
  // The colons of an IPv6 address are inside its brackets; a port follows
  // the closing one.
  const size_t port_from = !host.empty() && host[0] == '[' ? host.find(']') : 0;
  if (const size_t colon = port_from == kNone ? kNone : host.find(':', port_from); colon != kNone) {
    const std::string_view digits = host.substr(colon + 1);
    const std::optional<int> port = WholeInteger(digits);
    if (!port) return "'" + std::string(digits) + "' is not a valid integer value";
    t.port = *port;
    host = host.substr(0, colon);
  }
  if (!host.empty()) t.host = std::string(host);

  if (t.path.empty()) {
    t.path = "/";
    t.url += "/";
  }
  target = std::move(t);
  return std::nullopt;
}

bool StartsWithHostAndPort(std::string_view url) {
  if (url.find("//") != kNone) return false;
  const size_t colon = url.find(':');
  if (colon == kNone || colon == 0) return false;
  for (char c : url.substr(0, colon))
    if (!IsAlpha(c) && !IsDigit(c) && c != '-' && c != '.') return false;
  const std::string_view port = url.substr(colon + 1, url.find('/', colon) - colon - 1);
  if (port.empty()) return false;
  for (char c : port)
    if (!IsDigit(c)) return false;
  return true;
}

std::optional<platform::NetAddress> BracketedIPv6(std::string_view host) {
  if (host.size() < 2 || host.front() != '[' || host.back() != ']') return std::nullopt;
  std::string_view text = host.substr(1, host.size() - 2);
  // The 16-bit groups before and after a "::", which stands for the zeros
  // between them.
  std::array<uint16_t, 8> groups[2] = {};
  size_t counts[2] = {0, 0};
  int side = 0;
  if (text.substr(0, 2) == "::") {
    side = 1;
    text.remove_prefix(2);
  }
  while (!text.empty()) {
    if (counts[0] + counts[1] >= 8) return std::nullopt;
    const size_t end = text.find(':');
    const std::string_view group = text.substr(0, end);
    if (group.find('.') != kNone) {
      // The last 32 bits may be written as a dotted IPv4 address.
      const std::optional<platform::NetAddress> v4 = DottedIPv4(group);
      if (!v4 || end != kNone || counts[0] + counts[1] > 6) return std::nullopt;
      groups[side][counts[side]++] = static_cast<uint16_t>(v4->bytes[0] << 8 | v4->bytes[1]);
      groups[side][counts[side]++] = static_cast<uint16_t>(v4->bytes[2] << 8 | v4->bytes[3]);
      break;
    }
    if (group.empty() || group.size() > 4) return std::nullopt;
    uint16_t value = 0;
    for (char c : group) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
      value = static_cast<uint16_t>(value * 16 + (IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10));
    }
    groups[side][counts[side]++] = value;
    if (end == kNone) break;
    text.remove_prefix(end);
    if (text.substr(0, 2) == "::") {
      if (side == 1) return std::nullopt;
      side = 1;
      text.remove_prefix(2);
    } else {
      text.remove_prefix(1);
      if (text.empty()) return std::nullopt;
    }
  }
  const size_t total = counts[0] + counts[1];
  if (side == 1 ? total > 7 : total != 8) return std::nullopt;
  platform::NetAddress address;
  address.family = platform::NetAddress::Family::kIPv6;
  for (size_t i = 0; i < total; ++i) {
    const bool before = i < counts[0];
    const uint16_t value = before ? groups[0][i] : groups[1][i - counts[0]];
    const size_t at = before ? i : 8 - total + i;
    address.bytes[2 * at] = static_cast<uint8_t>(value >> 8);
    address.bytes[2 * at + 1] = static_cast<uint8_t>(value);
  }
  return address;
}

std::optional<platform::NetAddress> DottedIPv4(std::string_view host) {
  platform::NetAddress address;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (host.empty() || host[0] != '.') return std::nullopt;
      host.remove_prefix(1);
    }
    size_t digits = 0;
    while (digits < host.size() && digits < 4 && IsDigit(host[digits])) ++digits;
    if (digits == 0 || digits > 3) return std::nullopt;
    int value = 0;
    std::from_chars(host.data(), host.data() + digits, value);
    if (value > 255) return std::nullopt;
    address.bytes[static_cast<size_t>(part)] = static_cast<uint8_t>(value);
    host.remove_prefix(digits);
  }
  if (!host.empty()) return std::nullopt;
  return address;
}

}  // namespace zepa::net
