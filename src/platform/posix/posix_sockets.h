#pragma once
// The sockets of a POSIX system: non-blocking connect, poll, and getaddrinfo
// on a worker thread. Both backends use it; headless runs fetch for real.
#include <memory>

#include "platform/socket_lookup.h"

namespace zepa::platform {

/// Sockets whose lookups ask `resolver`; without one, the system's.
std::unique_ptr<Sockets> CreatePosixSockets(Resolver resolver = nullptr);

/// The Windows Sockets number for a POSIX errno value; a value without one
/// is passed on unchanged, which the client reports as an unknown error.
int WinsockErrorNumber(int posix_errno);

}  // namespace zepa::platform
