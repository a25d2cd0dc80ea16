#include "platform/path_names.h"

#include <filesystem>

namespace zepa::platform {
namespace {

// Only the lexical half of std::filesystem::path is used.
using Path = std::filesystem::path;

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  return (Path(folder) / name).string();
}

std::string ParentPath(const std::string& path) { return Path(path).parent_path().string(); }

std::string NormalPath(const std::string& path) { return Path(path).lexically_normal().string(); }

std::string RelativePath(const std::string& path, const std::string& base) {
  return Path(path).lexically_relative(base).generic_string();
}

std::string FileNameOf(const std::string& path) { return Path(path).filename().string(); }

std::string FileStemOf(const std::string& path) { return Path(path).stem().string(); }

bool HasExtension(const std::string& path) { return Path(path).has_extension(); }

bool IsRelativePath(const std::string& path) { return Path(path).is_relative(); }

}  // namespace zepa::platform
