#include "net/response.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace zepa::net {
namespace {

std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool EqualsNoCase(std::string_view a, std::string_view upper) {
  if (a.size() != upper.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char c = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    if (c != upper[i]) return false;
  }
  return true;
}

// The value of a header line named `name` ("NAME:", upper case): what
// follows the name and one blank, at most kMaxFieldChars characters.
bool FieldValue(std::string_view text, std::string_view name, std::string* value) {
  const std::string_view first_word = text.substr(0, text.find(' '));
  if (!EqualsNoCase(first_word, name)) return false;
  const std::string_view rest = text.size() > name.size() ? text.substr(name.size() + 1) : "";
  *value = std::string(rest.substr(0, kMaxFieldChars));
  return true;
}

}  // namespace

int StatusFromLine(std::string_view line) {
  std::string_view text = WithoutLineEnd(line);
  // Skip the first word and the blanks after it; the second word follows.
  size_t start = text.find(' ');
  if (start == std::string_view::npos) return 0;
  start = text.find_first_not_of(' ', start);
  if (start == std::string_view::npos) return 0;
  std::string_view word = text.substr(start, text.find(' ', start) - start);
  if (!word.empty() && word[0] == '+') {
    word.remove_prefix(1);
    if (!word.empty() && word[0] == '-') return 0;
  }
  int value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || ec != std::errc() || end != word.data() + word.size()) return 0;
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
    return 0;
  return value;
}

bool IsStatusLine(std::string_view line) {
  return line.substr(0, 5) == "HTTP/" && StatusFromLine(line) > 0;
}

size_t HeaderReader::Feed(std::string_view bytes) {
  size_t used = 0;
  while (state_ == State::kReading && used < bytes.size()) {
    const std::string_view rest = bytes.substr(used);
    const size_t lf = rest.find('\n');
    const size_t take = lf == std::string_view::npos ? rest.size() : lf + 1;
    if (partial_.size() + take > kMaxHeaderLineBytes) {
      state_ = State::kLineTooLong;
      break;
    }
    partial_.append(rest.substr(0, take));
    used += take;
    if (lf == std::string_view::npos) {
      // A line that already fills the bound can only grow past it.
      if (partial_.size() >= kMaxHeaderLineBytes) state_ = State::kLineTooLong;
      break;
    }
    std::string line;
    line.swap(partial_);
    TakeLine(line);
  }
  return used;
}

void HeaderReader::Close() {
  if (state_ == State::kReading) state_ = State::kCutShort;
}

void HeaderReader::TakeLine(std::string_view line) {
  ++lines_read_;
  if (lines_read_ == 1) {
    // What answers without one is no HTTP server, and nothing it sends is
    // a scenario.
    if (!IsStatusLine(line)) {
      state_ = State::kCutShort;
      return;
    }
    head_.status = StatusFromLine(line);
    head_.header.append(line);
    return;
  }
  if (line.empty() || line == "\n" || line == "\r\n") {
    state_ = State::kDone;
    return;
  }
  if (++header_lines_ > kMaxHeaderLines) {
    state_ = State::kTooManyLines;
    return;
  }
  head_.header.append(line);
  const std::string_view text = WithoutLineEnd(line);
  std::string length;
  if (FieldValue(text, "SET-COOKIE:", &head_.cookie) ||
      FieldValue(text, "LOCATION:", &head_.location) ||
      !FieldValue(text, "CONTENT-LENGTH:", &length))
    return;
  length.erase(0, length.find_first_not_of(' '));
  length.erase(length.find_last_not_of(' ') + 1);
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(length.data(), length.data() + length.size(), value);
  if (!length.empty() && ec == std::errc() && end == length.data() + length.size())
    head_.content_length = value;
}

}  // namespace zepa::net
