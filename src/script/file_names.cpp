#include "script/file_names.h"

#include "platform/ascii.h"

namespace zepa::script {
namespace {

bool IsOneOf(char c, std::string_view set) {
  for (char s : set)
    if (c == s) return true;
  return false;
}

}  // namespace

size_t NameCharLength(std::string_view name, size_t pos) {
  if (pos + 1 < name.size() && IsNameLeadByte(static_cast<uint8_t>(name[pos])) &&
      IsNameTrailByte(static_cast<uint8_t>(name[pos + 1])))
    return 2;
  return 1;
}

size_t FindFirstSeparator(std::string_view name, std::string_view separators) {
  for (size_t i = 0; i < name.size(); i += NameCharLength(name, i))
    if (IsOneOf(name[i], separators)) return i;
  return std::string_view::npos;
}

size_t FindLastSeparator(std::string_view name, std::string_view separators) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < name.size(); i += NameCharLength(name, i))
    if (IsOneOf(name[i], separators)) last = i;
  return last;
}

std::string_view FileNamePart(std::string_view path) {
  const size_t cut = FindLastSeparator(path, "/\\:");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string_view FileExtension(std::string_view path) {
  const std::string_view name = FileNamePart(path);
  // A dot is never the second byte of a character, so the last one is found
  // from the end.
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string_view TrimTrailingBlanksAndDots(std::string_view name) {
  // Neither byte can be the second byte of a character.
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.remove_suffix(1);
  return name;
}

std::string FoldAsciiCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = platform::AsciiLower(c);
  return folded;
}

}  // namespace zepa::script
