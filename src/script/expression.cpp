#include "script/expression.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "script/sjis.h"

namespace zepa::script {
namespace {

constexpr std::string_view kVersionText = "1.18";
// A message may be at most this many source items long.
constexpr int kExpandSteps = 2047;
// How far ahead a "$" looks for its closing "$".
constexpr size_t kDollarReach = 66;

// Texts come from C-string buffers in the scenario's world: a NUL ends them.
std::string_view UpToNul(std::string_view text) {
  const size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Bytes of the character at `i`: a lead byte takes the next byte with it,
// except at the end of the text or before a line end, so a broken character
// never swallows the end of its line.
size_t CharBytes(std::string_view text, size_t i) {
  if (!IsLeadByte(text[i]) || i + 1 >= text.size()) return 1;
  const char next = text[i + 1];
  return (next == '\n' || next == '\r') ? 1 : 2;
}

void AppendNumber(std::string& out, int32_t value) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

// "+%d", as every replaced name, product and group is written.
std::string SignedTerm(int32_t value) {
  std::string term = "+";
  AppendNumber(term, value);
  return term;
}

bool EndsNormalising(char c) {
  switch (c) {
    case '!': case '<': case '=': case '>': case '[': case ']': case '\r': case '\n':
      return true;
    default:
      return false;
  }
}

bool IsOperatorByte(char c) {
  switch (c) {
    case '+': case '-': case '*': case '/': case '%': case '(': case ')':
      return true;
    default:
      return false;
  }
}

bool EndsName(char c) { return IsBlank(c) || IsOperatorByte(c) || EndsNormalising(c); }

// Phase 1: blanks dropped, names replaced by "+value". A token that no longer
// fits the 2047-byte text ends the phase, as the end of the text would.
std::string Normalise(const VariableTable& vars, std::string_view text) {
  std::string out;
  out.reserve(kFlatBytes);
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size() || EndsNormalising(text[i])) break;
    if (IsDigit(text[i]) || IsOperatorByte(text[i])) {
      if (out.size() >= kFlatBytes) break;
      out.push_back(text[i++]);
      continue;
    }
    const size_t start = i;
    // A lead byte at the very end of the text is taken alone as the name's last byte.
    while (i < text.size() && !EndsName(text[i])) i += CharBytes(text, i);
    const std::string term = SignedTerm(vars.VariableNumber(text.substr(start, i - start)));
    if (out.size() + term.size() > kFlatBytes) break;
    out += term;
  }
  return out;
}

int32_t Apply(char op, int32_t left, int32_t right) {
  switch (op) {
    case '*':
      return static_cast<int32_t>(static_cast<uint32_t>(left) * static_cast<uint32_t>(right));
    case '/':
      // Widened so that INT32_MIN / -1 wraps instead of trapping.
      return right == 0 ? 0 : static_cast<int32_t>(static_cast<int64_t>(left) / right);
    default:
      // Remainder by 0 gives 0, like the division.
      return right == 0 ? 0 : static_cast<int32_t>(static_cast<int64_t>(left) % right);
  }
}

// Phase 2: the leftmost "*", "/" or "%" with the operands beside it becomes
// "+result", until none is left. Each round removes one operator.
void ResolveProducts(std::string& s) {
  for (size_t op = s.find_first_of("*/%"); op != std::string::npos; op = s.find_first_of("*/%")) {
    // The left operand starts just before the nearest run of digits (its sign);
    // with no digit before the operator it is read from the start of the text.
    size_t start = 0;
    size_t j = op;
    while (j > 0 && !IsDigit(s[j - 1])) --j;
    if (j > 0) {
      size_t run = j - 1;
      while (run > 0 && IsDigit(s[run - 1])) --run;
      start = run > 0 ? run - 1 : 0;
    }
    const std::string_view view(s);
    const int32_t left = ParseNumber(view.substr(start));
    const int32_t right = ParseNumber(view.substr(op + 1));
    size_t end = op + 1;
    while (end < s.size() && !IsDigit(s[end])) ++end;
    while (end < s.size() && IsDigit(s[end])) ++end;
    s.replace(start, end - start, SignedTerm(Apply(s[op], left, right)));
    if (s.size() > kFlatBytes) s.resize(kFlatBytes);
  }
}

// Phase 3: the sum of the number at each term; a term that starts with any
// other byte counts as 0 and its digits are skipped.
int32_t SumTerms(std::string_view s) {
  uint32_t sum = 0;
  size_t pos = 0;
  while (pos < s.size()) {
    sum += static_cast<uint32_t>(ParseNumber(s.substr(pos)));
    while (pos < s.size() && !IsDigit(s[pos])) ++pos;
    while (pos < s.size() && IsDigit(s[pos])) ++pos;
  }
  return static_cast<int32_t>(sum);
}

std::optional<size_t> FindClosing(std::string_view s) {
  for (size_t i = 0; i < s.size(); i += CharBytes(s, i)) {
    if (s[i] == ')') return i;
  }
  return std::nullopt;
}

// Backwards from before `close`, stepping back over a pair whenever the
// byte before the current one is a lead byte.
std::optional<size_t> FindOpening(std::string_view s, size_t close) {
  size_t p = close;
  while (p > 0) {
    --p;
    if (p > 0 && IsLeadByte(s[p - 1])) {
      --p;
      continue;
    }
    if (s[p] == '(') return p;
  }
  return std::nullopt;
}

}  // namespace

int32_t ParseNumber(std::string_view text) {
  uint32_t value = 0;
  bool negative = false;
  bool digits_seen = false;
  for (const char c : text) {
    if (IsBlank(c)) continue;
    if (IsDigit(c)) {
      digits_seen = true;
      value = value * 10u + static_cast<uint32_t>(c - '0');
    } else if (!digits_seen && c == '-') {
      negative = !negative;
    } else if (digits_seen || c != '+') {
      break;  // also NUL, which ends the text
    }
  }
  return static_cast<int32_t>(negative ? 0u - value : value);
}

int32_t EvaluateFlat(VariableTable& vars, std::string_view text) {
  std::string s = Normalise(vars, UpToNul(text));
  ResolveProducts(s);
  return SumTerms(s);
}

int32_t EvaluateExpression(VariableTable& vars, std::string_view text) {
  vars.RefreshSystemVariables();
  text = UpToNul(text);
  std::string work(text.substr(0, std::min(text.size(), kExpressionBytes)));
  if (const size_t eol = work.find_first_of("\r\n"); eol != std::string::npos) work.resize(eol);
  // Every round removes one ")", so the loop ends even when the text grows.
  while (const auto close = FindClosing(work)) {
    const auto open = FindOpening(work, *close);
    const size_t inner_start = open ? *open + 1 : 0;
    std::string_view prefix = std::string_view(work).substr(0, open ? *open : 0);
    int32_t v = EvaluateFlat(vars, std::string_view(work).substr(inner_start, *close - inner_start));
    if (prefix.ends_with("RND")) {
      prefix.remove_suffix(3);
      const int64_t draw = vars.NextRandom();
      // RND of 0 still draws, and gives 0.
      v = v == 0 ? 0 : static_cast<int32_t>(draw % v);
    }
    std::string next;
    next.reserve(work.size() + 16);
    next.append(prefix);
    next += SignedTerm(v);
    next.push_back('+');
    next.append(std::string_view(work).substr(*close + 1));
    // Groups that grow the text are cut to the 1023-byte work buffer.
    if (next.size() > kExpressionBytes) next.resize(kExpressionBytes);
    work = std::move(next);
  }
  return EvaluateFlat(vars, work);
}

std::optional<size_t> TestCondition(VariableTable& vars, std::string_view text) {
  text = UpToNul(text);
  // The text may run on over the following script lines; the comparison is
  // looked for on this line only, and a condition without one is false.
  const size_t op = text.substr(0, text.find('\n')).find_first_of("<=>!");
  if (op == std::string_view::npos) return std::nullopt;
  const int32_t left = EvaluateExpression(vars, text);
  bool lt = false, eq = false, gt = false, ne = false;
  size_t run_end = op;
  for (; run_end < text.size(); ++run_end) {
    const char c = text[run_end];
    if (c == '<') {
      lt = true;
    } else if (c == '=') {
      eq = true;
    } else if (c == '>') {
      gt = true;
    } else if (c == '!') {
      ne = true;
    } else if (!IsBlank(c)) {
      break;
    }
  }
  const int32_t right = EvaluateExpression(vars, text.substr(run_end));
  size_t rest = run_end;
  while (rest < text.size() && text[rest] != '[' && text[rest] != '\n') rest += CharBytes(text, rest);

  bool holds;
  if (ne || (lt && gt)) {
    holds = left != right;
  } else if (eq && gt) {
    holds = left >= right;
  } else if (eq && lt) {
    holds = left <= right;
  } else if (eq) {
    holds = left == right;
  } else if (gt) {
    holds = left > right;
  } else {
    holds = left < right;
  }
  if (!holds) return std::nullopt;
  return rest;
}

void AssignVariable(VariableTable& vars, std::string_view text) {
  text = UpToNul(text);
  text = text.substr(0, std::min(text.size(), kAssignBytes));
  if (const size_t quote = text.find('"'); quote != std::string_view::npos) {
    const size_t closing = text.find('"', quote + 1);
    const size_t equals = text.find('=');
    if (closing == std::string_view::npos || equals == std::string_view::npos) return;
    // Values longer than 255 bytes are cut to the field.
    vars.SetVariableText(text.substr(0, equals), text.substr(quote + 1, closing - quote - 1));
    return;
  }
  size_t end = 0;
  while (end < text.size() && text[end] != '[' && text[end] != '\r' && text[end] != '\n') {
    end += CharBytes(text, end);
  }
  text = text.substr(0, end);
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos) return;
  // The entry exists before the right side is evaluated, so a=a+1 on a new
  // name reads it as 0 and "MUSIC"/"TIME" come after it in the table.
  char* value = vars.VariableText(text.substr(0, equals));
  if (value == nullptr) return;
  const int32_t result = EvaluateExpression(vars, text.substr(equals + 1));
  char digits[16];
  const auto written = std::to_chars(digits, digits + sizeof digits, result);
  CopyToField(value, kValueBytes, std::string_view(digits, written.ptr - digits));
}

std::string ExpandText(VariableTable& vars, std::string_view source, std::string_view scene_name) {
  source = UpToNul(source);
  scene_name = UpToNul(scene_name);
  if (scene_name.starts_with('#')) scene_name.remove_prefix(1);
  std::string out;
  out.reserve(256);
  // Substituted texts that reach the end of the buffer are cut there, never
  // through a double-byte character.
  auto append = [&out](std::string_view piece) { out.append(FitToBytes(piece, kExpandBytes - out.size())); };
  size_t i = 0;
  for (int step = 0; step < kExpandSteps && i < source.size() && out.size() < kExpandBytes; ++step) {
    const char c = source[i];
    const char next = i + 1 < source.size() ? source[i + 1] : '\0';
    if (c == '\n') {
      // The next script line is a label, a command or a comment.
      if (next == '#' || next == '[' || next == '/') break;
      ++i;
    } else if (c == '\\' && next == 'n') {
      out.push_back('\n');
      i += 2;
    } else if (c == '%' && next == 's') {
      append(scene_name);
      i += 2;
    } else if (c == '%' && next == 'v') {
      append(kVersionText);
      i += 2;
    } else if (c == '$') {
      vars.RefreshSystemVariables();
      const size_t reach_end = std::min(source.size(), i + 1 + kDollarReach);
      const size_t close = source.substr(0, reach_end).find('$', i + 1);
      if (close == std::string_view::npos) {
        ++i;
        continue;
      }
      if (const char* value = vars.VariableText(source.substr(i + 1, close - i - 1))) {
        append(std::string_view(value, strnlen(value, kValueBytes)));
      }
      i = close + 1;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}

}  // namespace zepa::script
