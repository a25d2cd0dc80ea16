#include "engine/ini_file.h"

#include <cstdint>
#include <unordered_set>

#include "platform/ascii.h"
#include "platform/files.h"

namespace zepa::engine {
namespace {

// Far beyond any real configuration; a bigger file is left alone rather
// than read into memory.
constexpr size_t kMaxIniBytes = size_t{16} << 20;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// "[name]" with optional blanks; the name is what lies between the brackets.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// What Get returns for a key line: the profile functions strip one pair of
// surrounding quotes.
std::string_view ReadValue(std::string_view line) {
  std::string_view value = Trim(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                            (value.front() == '\'' && value.back() == '\'')))
    value = value.substr(1, value.size() - 2);
  return value;
}

bool IsComment(std::string_view line) {
  line = Trim(line);
  return line.empty() || line.front() == ';';
}

}  // namespace

std::optional<int> ProfileInt(std::string_view value) {
  size_t pos = 0;
  while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < value.size() && (value[pos] == '-' || value[pos] == '+'))
    negative = value[pos++] == '-';
  const size_t digits = pos;
  uint32_t v = 0;
  while (pos < value.size() && value[pos] >= '0' && value[pos] <= '9')
    v = v * 10u + static_cast<uint32_t>(value[pos++] - '0');
  if (pos == digits) return std::nullopt;
  return static_cast<int>(negative ? 0u - v : v);
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  ini.eol_ =
      text.find("\r\n") != std::string_view::npos || text.find('\n') == std::string_view::npos
          ? "\r\n"
          : "\n";
  ini.final_eol_ = text.empty() || text.back() == '\n';
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lf = text.find('\n', pos);
    size_t end = lf == std::string_view::npos ? text.size() : lf;
    std::string_view line = text.substr(pos, end - pos);
    // Only a line ending CR LF loses its CR: an unterminated last line
    // is kept as it is, so writing the file back never changes it.
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    ini.lines_.push_back({std::string(line)});
    pos = lf == std::string_view::npos ? text.size() : lf + 1;
  }
  return ini;
}

IniFile IniFile::Load(const std::string& path) {
  platform::ReadResult read = platform::ReadRegularFile(path, kMaxIniBytes);
  if (read.status == platform::ReadStatus::kOk) return Parse(read.bytes);
  IniFile ini;
  // Writing back over a file we could not read would lose all its keys.
  ini.unreadable_ = read.status != platform::ReadStatus::kMissing;
  return ini;
}

std::optional<size_t> IniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i].text);
    if (name && platform::EqualsNoCase(*name, section)) return i;
  }
  return std::nullopt;
}

size_t IniFile::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && !SectionName(lines_[i].text)) ++i;
  return i;
}

std::optional<size_t> IniFile::FindKey(size_t header, std::string_view key) const {
  const size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    const std::string_view line = lines_[i].text;
    if (IsComment(line)) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (platform::EqualsNoCase(Trim(line.substr(0, eq)), key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const auto header = FindSection(section);
  if (!header) return std::nullopt;
  const auto index = FindKey(*header, key);
  if (!index) return std::nullopt;
  return std::string(ReadValue(lines_[*index].text));
}

std::vector<IniFile::Entry> IniFile::Entries() const {
  // One pass with the names seen so far, so a file of many keys costs no
  // more than reading it.
  std::vector<Entry> entries;
  std::unordered_set<std::string> sections_seen;
  std::unordered_set<std::string> keys_seen;  // of the current section
  std::optional<std::string> section;
  bool first_section = false;  // the current section is the one Get reads
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view line = lines_[i].text;
    if (const auto name = SectionName(line)) {
      section = std::string(*name);
      first_section = sections_seen.insert(platform::AsciiLowerCopy(*name)).second;
      keys_seen.clear();
      continue;
    }
    if (!section || IsComment(line)) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    Entry e;
    e.section = *section;
    e.key = std::string(Trim(line.substr(0, eq)));
    e.line = i + 1;
    e.shadowed = !keys_seen.insert(platform::AsciiLowerCopy(e.key)).second || !first_section;
    e.value = std::string(e.shadowed ? Trim(line.substr(eq + 1)) : ReadValue(line));
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view def) const {
  auto v = Get(section, key);
  return v ? *v : std::string(def);
}

int IniFile::GetInt(std::string_view section, std::string_view key, int def) const {
  const auto v = Get(section, key);
  if (!v) return def;
  return ProfileInt(*v).value_or(def);
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view raw_value) {
  // Reading trims blanks and strips one pair of quotes, so a value that
  // would lose either is written in quotes: what was read at start-up is
  // then read the same at the next start.
  std::string value(raw_value);
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (!value.empty() && (quoted || Trim(value).size() != value.size())) value = '"' + value + '"';
  std::string line = std::string(key) + "=" + value;
  auto header = FindSection(section);
  if (!header) {
    // A new section goes at the end, after a blank line when the file has text.
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back({""});
    lines_.push_back({"[" + std::string(section) + "]"});
    lines_.push_back({line});
    return;
  }
  if (auto index = FindKey(*header, key)) {
    // Keep the key's own spelling.
    const std::string& old = lines_[*index].text;
    lines_[*index].text = std::string(Trim(old.substr(0, old.find('=')))) + "=" + value;
    return;
  }
  // After the section's last non-blank line.
  size_t insert = SectionEnd(*header);
  while (insert > *header + 1 && Trim(lines_[insert - 1].text).empty()) --insert;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), {line});
}

void IniFile::SetInt(std::string_view section, std::string_view key, int value) {
  Set(section, key, std::to_string(value));
}

void IniFile::Remove(std::string_view section, std::string_view key) {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i].text);
    if (!name || !platform::EqualsNoCase(*name, section)) continue;
    while (auto index = FindKey(i, key))
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
  }
}

std::string IniFile::Text() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i].text;
    if (i + 1 < lines_.size() || final_eol_) out += eol_;
  }
  return out;
}

platform::Status IniFile::Save(const std::string& path) const {
  if (unreadable_)
    return {platform::StatusCode::kRefused, path + ": could not be read, so it is not rewritten"};
  const platform::ReplaceResult result = platform::ReplaceFileContents(path, Text());
  if (result.written()) return {};
  return {result.status == platform::ReplaceStatus::kNotWritable ? platform::StatusCode::kRefused
                                                                 : platform::StatusCode::kFailed,
          result.error};
}

}  // namespace zepa::engine
