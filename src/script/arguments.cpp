#include "script/arguments.h"

#include "script/expression.h"
#include "script/sjis.h"
#include "script/variables.h"

namespace zepa::script {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r' || c == '\0'; }

size_t SkipBlanks(std::string_view text, size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

// Finds the next comma in `s` from `pos`, stepping over double-byte
// characters. A lead byte at the very end stops the scan (no comma).
std::optional<size_t> FindComma(std::string_view s, size_t pos) {
  while (pos < s.size()) {
    const char c = s[pos];
    if (IsLeadByte(c)) {
      if (pos + 1 >= s.size()) return std::nullopt;
      pos += 2;
      continue;
    }
    if (c == ',') return pos;
    ++pos;
  }
  return std::nullopt;
}

int Clamp255(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v)); }

}  // namespace

std::optional<size_t> MatchCommand(std::string_view name, std::string_view text, size_t pos) {
  pos = SkipBlanks(text, pos);
  if (pos >= text.size() || text[pos] != '[') return std::nullopt;
  ++pos;
  if (text.substr(pos, name.size()) != name) return std::nullopt;
  pos += name.size();
  if (pos >= text.size() || text[pos] != ']') return std::nullopt;
  return pos + 1;
}

std::string CompactArgument(std::string_view text, size_t pos) {
  std::string out;
  for (; pos < text.size() && out.size() < kArgumentBytes - 1; ++pos) {
    const char c = text[pos];
    if (IsLineEnd(c)) break;
    if (c == '/' && pos + 1 < text.size() && text[pos + 1] == '/') break;
    if (IsBlank(c)) continue;
    out.push_back(c);
  }
  return out;
}

std::string_view RestOfLine(std::string_view text, size_t pos) {
  if (pos > text.size()) pos = text.size();
  size_t end = pos;
  while (end < text.size() && !IsLineEnd(text[end])) ++end;
  return text.substr(pos, end - pos);
}

std::string LineArgument(std::string_view text, size_t pos) {
  pos = SkipBlanks(text, pos);
  std::string_view line = RestOfLine(text, pos);
  if (line.size() > kArgumentBytes - 1) line = line.substr(0, kArgumentBytes - 1);
  return std::string(line);
}

std::array<int32_t, 5> NumberList(VariableTable& vars, std::string_view line, int count) {
  std::array<int32_t, 5> values{};
  if (count > 5) count = 5;
  size_t pos = SkipBlanks(line, 0);
  for (int i = 0; i < count; ++i) {
    if (i == count - 1) {
      values[i] = EvaluateExpression(vars, line.substr(pos));
      break;
    }
    const auto comma = FindComma(line, pos);
    if (!comma) break;
    values[i] = EvaluateExpression(vars, line.substr(pos, *comma - pos));
    pos = *comma + 1;
  }
  return values;
}

platform::Color ColorArgument(VariableTable& vars, std::string_view line) {
  const size_t start = SkipBlanks(line, 0);
  const std::string_view arg = line.substr(start);
  if (arg.find(',') != std::string_view::npos) {
    const auto c1 = FindComma(arg, 0);
    if (!c1) return 0;
    const auto c2 = FindComma(arg, *c1 + 1);
    if (!c2) return 0;
    const int32_t r = EvaluateExpression(vars, arg.substr(0, *c1));
    const int32_t g = EvaluateExpression(vars, arg.substr(*c1 + 1, *c2 - *c1 - 1));
    const int32_t b = EvaluateExpression(vars, arg.substr(*c2 + 1));
    return platform::MakeColor(Clamp255(r), Clamp255(g), Clamp255(b));
  }
  // A colour shorter than six characters reads its missing digits as 0, so the
  // parse never runs past the argument.
  auto digit = [&](size_t i) -> int32_t {
    if (i >= arg.size()) return 0;
    char c = arg[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c >= '0' && c <= '9') return c - '0';
    return static_cast<signed char>(c) - 87;
  };
  int comp[3];
  for (int k = 0; k < 3; ++k) comp[k] = Clamp255(digit(2 * k) * 16 + digit(2 * k + 1));
  return platform::MakeColor(comp[0], comp[1], comp[2]);
}

int32_t DecimalArgument(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && (IsBlank(text[pos]) || text[pos] == '\n' || text[pos] == '\r' ||
                               text[pos] == '\v' || text[pos] == '\f'))
    ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    negative = text[pos] == '-';
    ++pos;
  }
  uint32_t value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
    value = value * 10u + static_cast<uint32_t>(text[pos] - '0');
  return static_cast<int32_t>(negative ? 0u - value : value);
}

std::optional<Position> ParsePosition(std::string_view arg) {
  const size_t c1 = arg.find(',');
  if (c1 == std::string_view::npos) return std::nullopt;
  const size_t c2 = arg.find(',', c1 + 1);
  if (c2 == std::string_view::npos) return std::nullopt;
  Position p;
  p.x = ParseNumber(arg.substr(0, c1));
  p.y = ParseNumber(arg.substr(c1 + 1, c2 - c1 - 1));
  p.rest = arg.substr(c2 + 1);
  return p;
}

}  // namespace zepa::script
