// Japanese faces on Windows, which has no fontconfig: the system's own
// Japanese fonts in %WINDIR%\Fonts, then the IPA Gothic shipped beside the
// program. The families are the names these files are known by.
#include <windows.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/system.h"
#include "platform/toolkit/font_lookup.h"
#include "platform/win32/win32_text.h"

namespace zepa::platform {
namespace {

struct KnownFace {
  const char* file;  // in the system's font folder, or beside the program
  long index;
  std::vector<std::string> families;
};

// The system's faces in the order a game made for Windows would get them.
const std::vector<KnownFace>& SystemFaces() {
  static const std::vector<KnownFace> faces = {
      {"msgothic.ttc", 0, {"MS Gothic", "ＭＳ ゴシック"}},
      {"msgothic.ttc", 2, {"MS PGothic", "ＭＳ Ｐゴシック"}},
      {"msgothic.ttc", 1, {"MS UI Gothic"}},
      {"YuGothR.ttc", 0, {"Yu Gothic", "游ゴシック"}},
      {"YuGothM.ttc", 0, {"Yu Gothic Medium", "游ゴシック Medium"}},
      {"meiryo.ttc", 0, {"Meiryo", "メイリオ"}},
      {"msmincho.ttc", 0, {"MS Mincho", "ＭＳ 明朝"}},
  };
  return faces;
}

const KnownFace kShippedFace = {"ipag.ttf", 0, {"IPAGothic", "IPAゴシック"}};

std::string FontsFolder() {
  wchar_t dir[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::string out = win32::Utf8FromWide(std::wstring_view(dir, n)) + "/Fonts";
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

bool Answers(const FoundFace& face, std::string_view family) {
  return std::any_of(face.families.begin(), face.families.end(),
                     [&](const std::string& f) { return f == family; });
}

}  // namespace

std::vector<FoundFace> FindJapaneseFaces(std::span<const char* const> families, size_t max_faces) {
  std::vector<FoundFace> found;
  const std::string fonts = FontsFolder();
  for (const KnownFace& k : SystemFaces()) {
    const std::string path = fonts + "/" + k.file;
    if (!fonts.empty() && ProbePath(path) == PathKind::kRegular)
      found.push_back({path, k.index, k.families});
  }
  const std::string program = ProgramFolder();
  for (const std::string& dir : {program + "/fonts", program}) {
    const std::string path = dir + "/" + kShippedFace.file;
    if (!program.empty() && ProbePath(path) == PathKind::kRegular) {
      found.push_back({path, kShippedFace.index, kShippedFace.families});
      break;
    }
  }
  // The wanted families first, in the order asked; the rest as listed.
  std::stable_sort(found.begin(), found.end(), [&](const FoundFace& a, const FoundFace& b) {
    auto rank = [&](const FoundFace& f) {
      for (size_t i = 0; i < families.size(); ++i)
        if (Answers(f, families[i])) return i;
      return families.size();
    };
    return rank(a) < rank(b);
  });
  if (found.size() > max_faces) found.resize(max_faces);
  return found;
}

}  // namespace zepa::platform
