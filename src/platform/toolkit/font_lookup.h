#pragma once
// Japanese faces as fontconfig ranks them for a list of wanted families.
#include <span>
#include <string>
#include <vector>

namespace zepa::platform {

struct FoundFace {
  std::string path;
  long index = 0;                     // the face within a collection file
  std::vector<std::string> families;  // every family name the face answers to
};

/// The scalable faces able to show Japanese text (they hold a kana and a
/// kanji), best first in fontconfig's order for `families`, at most
/// `max_faces` of them.
std::vector<FoundFace> FindJapaneseFaces(std::span<const char* const> families, size_t max_faces);

}  // namespace zepa::platform
