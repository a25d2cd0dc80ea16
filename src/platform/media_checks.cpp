// The media checks that need only the file's name.
#include "platform/media_checks.h"

#include <string>

#include "platform/ascii.h"

namespace zepa::platform {
namespace {

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return AsciiLowerCopy(path.substr(dot));
}

}  // namespace

bool IsMovieFile(const std::string& path) {
  const std::string ext = Extension(path);
  for (const char* movie : {".avi", ".mpg", ".qt", ".mov", ".mpe"})
    if (ext.compare(0, std::char_traits<char>::length(movie), movie) == 0) return true;
  return false;
}

bool IsMidiFile(const std::string& path) {
  const std::string ext = Extension(path);
  return ext == ".mid" || ext == ".midi" || ext == ".rmi";
}

}  // namespace zepa::platform
