#pragma once
// The operating system's own services, for whichever system the program is
// built: POSIX (platform/posix) or Windows (platform/win32).
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/sockets.h"

namespace zepa::platform {

/// The system's files: what the hosts and the tools hand to the game.
std::unique_ptr<Files> CreateSystemFiles();

/// The system's sockets, looking names up with the system's resolver.
std::unique_ptr<Sockets> CreateSystemSockets();

/// Where a user's own files go on systems that answer that themselves.
struct UserFolderAnswer {
  std::string home;    // the user's profile folder
  std::string data;    // the application data (settings, saves, marks)
  std::string config;  // the same on Windows
};

/// Windows' answer (the profile and %APPDATA%); nothing on POSIX, where the
/// XDG variables and $HOME decide.
std::optional<UserFolderAnswer> SystemUserFolders();

/// True for a name that is full on this system: "/..." on POSIX; on
/// Windows also "C:/...", "C:\\..." and "\\\\server\\...".
bool IsFullPath(std::string_view path);

/// The folder the running program's file lies in, without a trailing
/// separator; empty when the system does not say.
std::string ProgramFolder();

/// The processor time this process has used so far, all its threads, in
/// seconds. std::clock cannot serve: Windows' C library counts wall time.
double ProcessCpuSeconds();

}  // namespace zepa::platform
