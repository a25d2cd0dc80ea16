#include "platform/path_names.h"

#include <filesystem>

#include "platform/cp932_bytes.h"

namespace zepa::platform {
namespace {

// Only the lexical half of std::filesystem::path is used.
using Path = std::filesystem::path;

bool IsUtf8(const std::string& s) {
  for (size_t pos = 0; pos < s.size();)
    if (DecodeUtf8(s, &pos) == kInvalidUtf8) return false;
  return true;
}

// Host paths as std::filesystem holds them, and back. Windows keeps names
// in UTF-16 and would read the bytes in the system's code page, losing
// every name that is not ASCII; the host spells them in UTF-8, so they go
// through UTF-8 there (bytes that are not UTF-8 keep the old way).
// Elsewhere a path is its bytes.
class Reading {
 public:
  // One reading for all the paths an operation takes.
  explicit Reading(const std::string& a, const std::string& b = "")
      : utf8_(IsUtf8(a) && IsUtf8(b)) {}
  Path Of(const std::string& s) const {
#ifdef _WIN32
    if (utf8_) return Path(std::u8string(s.begin(), s.end()));
#endif
    return Path(s);
  }
  // False where std::filesystem would not give the bytes back: a name that
  // is not UTF-8 (Shift-JIS) on Windows.
  bool Lossless() const {
#ifdef _WIN32
    return utf8_;
#else
    return true;
#endif
  }
  std::string Text(const Path& p, bool generic = false) const {
#ifdef _WIN32
    if (utf8_) {
      const std::u8string u = generic ? p.generic_u8string() : p.u8string();
      return std::string(u.begin(), u.end());
    }
#endif
    return generic ? p.generic_string() : p.string();
  }

 private:
  bool utf8_;
};

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  const Reading r(folder, name);
  if (!r.Lossless() && r.Of(name).is_relative() && !r.Of(name).has_root_directory() &&
      !folder.empty())
    return folder + (folder.back() == '/' ? "" : "/") + name;
  return r.Text(r.Of(folder) / r.Of(name));
}

// Where std::filesystem would lose the bytes, names are taken apart at "/"
// alone, which is never a byte of a Shift-JIS character.
std::string ParentPath(const std::string& path) {
  const Reading r(path);
  if (!r.Lossless()) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
  }
  return r.Text(r.Of(path).parent_path());
}

std::string NormalPath(const std::string& path) {
  const Reading r(path);
  if (!r.Lossless()) return path;
  return r.Text(r.Of(path).lexically_normal());
}

std::string RelativePath(const std::string& path, const std::string& base) {
  const Reading r(path, base);
  return r.Text(r.Of(path).lexically_relative(r.Of(base)), true);
}

std::string FileNameOf(const std::string& path) {
  const Reading r(path);
  if (!r.Lossless()) return path.substr(path.rfind('/') + 1);
  return r.Text(r.Of(path).filename());
}

std::string FileStemOf(const std::string& path) {
  const Reading r(path);
  if (!r.Lossless()) {
    const std::string name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  }
  return r.Text(r.Of(path).stem());
}

bool HasExtension(const std::string& path) { return Reading(path).Of(path).has_extension(); }

bool IsRelativePath(const std::string& path) { return Reading(path).Of(path).is_relative(); }

}  // namespace zepa::platform
