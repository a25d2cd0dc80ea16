#pragma once
// Host paths ("/" separated) taken apart and put together by their spelling
// alone: nothing here looks at the disk, so it is safe anywhere and tested
// as plain functions. The game's own Windows-style names are read by
// script/file_names.h.
#include <string>

namespace zepa::platform {

/// `name` below `folder`; a `name` that is absolute stays as it is.
std::string JoinPath(const std::string& folder, const std::string& name);
/// The path without its last component ("/a/b" -> "/a", "/a" -> "/").
std::string ParentPath(const std::string& path);
/// "." and ".." folded away by name and doubled separators made single.
std::string NormalPath(const std::string& path);
/// `path` relative to `base` ("../x" when it lies beside it); empty when
/// one is absolute and the other is not.
std::string RelativePath(const std::string& path, const std::string& base);

/// The last component, and the same without its extension.
std::string FileNameOf(const std::string& path);
std::string FileStemOf(const std::string& path);
bool HasExtension(const std::string& path);
bool IsRelativePath(const std::string& path);

}  // namespace zepa::platform
