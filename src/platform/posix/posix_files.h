#pragma once
// The file operations on POSIX systems.
#include <memory>

#include "platform/files.h"

namespace zepa::platform {

std::unique_ptr<Files> CreatePosixFiles();

}  // namespace zepa::platform
