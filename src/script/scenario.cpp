#include "script/scenario.h"

#include "script/arguments.h"
#include "script/codec.h"

namespace zepa::script {
namespace {

// Windows text mode turns CR LF into LF; a lone CR stays.
std::string TextModeRead(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    out.push_back(bytes[i]);
  }
  return out;
}

// The reader works with C strings: a NUL inside a line ends what is kept of it.
std::string_view UpToNul(std::string_view s) {
  const size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

bool TokenEnd(char c) {
  return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '/';
}

std::string_view FirstToken(std::string_view s) {
  size_t pos = 0;
  while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
  size_t end = pos;
  while (end < s.size() && !TokenEnd(s[end])) ++end;
  return s.substr(pos, end - pos);
}

}  // namespace

DecodedScenario DecodeScenarioFile(std::string_view file_bytes) {
  DecodedScenario result;
  const std::string content = TextModeRead(file_bytes);
  if (content.empty()) return result;
  if (content[0] == 'X') {
    result.encoded = true;
    std::string letters;
    letters.reserve(content.size());
    // Each line is cut at its first CR or LF; what follows a lone CR on the
    // same line is lost, as the line reader does it.
    size_t pos = 1;
    while (pos < content.size()) {
      size_t lf = content.find('\n', pos);
      const size_t end = lf == std::string::npos ? content.size() : lf;
      std::string_view line = UpToNul(std::string_view(content).substr(pos, end - pos));
      const size_t cr = line.find('\r');
      if (cr != std::string_view::npos) line = line.substr(0, cr);
      letters.append(line);
      pos = lf == std::string::npos ? content.size() : lf + 1;
    }
    result.text = std::string(UpToNul(DecodeText(letters)));
    return result;
  }
  // Plain: lines of at most 2047 bytes; in each the first CR becomes LF and
  // ends the line.
  constexpr size_t kLineBytes = 2047;
  result.text.reserve(content.size() + 1);
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = pos;
    while (end < content.size() && end - pos < kLineBytes) {
      if (content[end++] == '\n') break;
    }
    std::string_view line = UpToNul(std::string_view(content).substr(pos, end - pos));
    const size_t cr = line.find('\r');
    if (cr != std::string_view::npos) {
      result.text.append(line.substr(0, cr));
      result.text.push_back('\n');
    } else {
      result.text.append(line);
    }
    pos = end;
  }
  return result;
}

DecodedScenario DecodeScenarioBody(std::string_view body) {
  DecodedScenario result;
  body = UpToNul(body);
  if (!body.empty() && body[0] == 'X') {
    result.encoded = true;
    std::string letters;
    for (size_t i = 1; i < body.size(); ++i)
      if (body[i] != '\r' && body[i] != '\n') letters.push_back(body[i]);
    result.text = std::string(UpToNul(DecodeText(letters)));
    return result;
  }
  result.text.reserve(body.size());
  for (size_t i = 0; i < body.size(); ++i) {
    // A CR is dropped and the byte after it is kept whatever it is.
    if (body[i] == '\r') {
      if (i + 1 < body.size()) result.text.push_back(body[++i]);
      continue;
    }
    result.text.push_back(body[i]);
  }
  return result;
}

std::string EncodeScenarioFile(std::string_view text) {
  std::string out = "X";
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t next = NextLine(text, pos);
    std::string line(text.substr(pos, next - pos));
    // Every line is written with its LF, the last one too, so the file reads
    // back as whole lines.
    if (line.back() != '\n') line.push_back('\n');
    out += EncodeText(line);
    out.push_back('\n');
    pos = next;
  }
  return out;
}

size_t NextLine(std::string_view text, size_t pos) {
  if (pos >= text.size()) return text.size();
  const size_t lf = text.find('\n', pos);
  return lf == std::string_view::npos ? text.size() : lf + 1;
}

size_t SkipToLabel(std::string_view text, size_t pos) {
  while (pos < text.size() && text[pos] != '#') pos = NextLine(text, pos);
  return pos;
}

std::optional<size_t> FindLabel(std::string_view text, std::string_view label) {
  const std::string compact = CompactArgument(label, 0);
  const std::string_view wanted = FirstToken(compact);
  size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '#' && FirstToken(text.substr(pos)) == wanted) return pos;
    pos = NextLine(text, pos);
  }
  return std::nullopt;
}

LabelIndex::LabelIndex(std::string_view text) {
  for (size_t pos = 0; pos < text.size(); pos = NextLine(text, pos))
    if (text[pos] == '#') first_line_.emplace(FirstToken(text.substr(pos)), pos);
}

std::optional<size_t> LabelIndex::Find(std::string_view label) const {
  const std::string compact = CompactArgument(label, 0);
  const auto it = first_line_.find(std::string(FirstToken(compact)));
  if (it == first_line_.end()) return std::nullopt;
  return it->second;
}

}  // namespace zepa::script
