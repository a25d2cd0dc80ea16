#include "net/socket_errors.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace zepa::net {
namespace {

struct ErrorText {
  int number;
  const char* text;
};

// Sorted by number.
constexpr std::array kErrorTexts = {
    ErrorText{10004, "Interrupted system call"},
    ErrorText{10009, "Bad file number"},
    ErrorText{10013, "Permission denied"},
    ErrorText{10014, "Bad address"},
    ErrorText{10022, "Invalid argument"},
    ErrorText{10024, "Too many open files"},
    ErrorText{10035, "Operation would block"},
    ErrorText{10036, "Operation now in progress"},
    ErrorText{10037, "Operation already in progress"},
    ErrorText{10038, "Socket operation on non-socket"},
    ErrorText{10039, "Destination address required"},
    ErrorText{10040, "Message too long"},
    ErrorText{10041, "Wrong protocol type for socket"},
    ErrorText{10042, "Bad protocol option"},
    ErrorText{10043, "Protocol not supported"},
    ErrorText{10044, "Socket type not supported"},
    ErrorText{10045, "Operation not supported on socket"},
    ErrorText{10046, "Protocol family not supported"},
    ErrorText{10047, "Address family not supported by protocol family"},
    ErrorText{10048, "Address already in use"},
    ErrorText{10049, "Can't assign requested address"},
    ErrorText{10050, "Network is down"},
    ErrorText{10051, "Network is unreachable"},
    ErrorText{10052, "Network dropped connection or reset"},
    ErrorText{10053, "Software caused connection abort"},
    ErrorText{10054, "Connection reset by peer"},
    ErrorText{10055, "No buffer space available"},
    ErrorText{10056, "Socket is already connected"},
    ErrorText{10057, "Socket is not connected"},
    ErrorText{10058, "Can't send after socket shutdown"},
    ErrorText{10059, "Too many references, can't splice"},
    ErrorText{10060, "Connection timed out"},
    ErrorText{10061, "Connection refused"},
    ErrorText{10062, "Too many levels of symbolic links"},
    ErrorText{10063, "File name too long"},
    ErrorText{10064, "Host is down"},
    ErrorText{10065, "No route to Host"},
    ErrorText{10066, "Directory not empty"},
    ErrorText{10067, "Too many processes"},
    ErrorText{10068, "Too many users"},
    ErrorText{10069, "Disc quota exceeded"},
    ErrorText{10070, "Stale NFS file handle"},
    ErrorText{10071, "Too many levels of remote in path"},
    ErrorText{10091, "Network subsystem is unavailable"},
    ErrorText{10092, "Incompatible version of WINSOCK.DLL"},
    ErrorText{10093, "Successful WSAStartup not yet performed"},
    ErrorText{11001, "Host not found"},
    ErrorText{11002, "Non-Authoritative Host not found"},
    ErrorText{11003, "Non-Recoverable error: FORMERR, REFUSED, NOTIMP"},
    ErrorText{11004, "Valid name, no data record of requested type"},
};

}  // namespace

std::string SocketErrorText(int number) {
  const auto it = std::lower_bound(std::begin(kErrorTexts), std::end(kErrorTexts), number,
                                   [](const ErrorText& e, int n) { return e.number < n; });
  if (it == std::end(kErrorTexts) || it->number != number)
    return "Unknown Error No. " + std::to_string(number);
  return std::to_string(number) + ":" + it->text;
}

}  // namespace zepa::net
