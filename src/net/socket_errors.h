#pragma once
// The texts of socket errors as the player sees them.
#include <string>

namespace zepa::net {

/// "number:description" for a Windows Sockets error number, or
/// "Unknown Error No. number" for one the client has no text for.
std::string SocketErrorText(int number);

}  // namespace zepa::net
