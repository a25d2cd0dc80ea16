#pragma once
// TCP connections and host name lookup, as the HTTP client needs them.
//
// Everything here is non-blocking or bounded: a caller waits by calling the
// Wait functions with short slices and handles its window messages between
// them. Errors are reported as Windows Sockets error numbers (10000 plus the
// BSD error number, 10054 for a reset connection), whatever the operating
// system, because those numbers and their texts are what players see.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zepa::platform {

/// An IPv4 or IPv6 address, bytes in network order (IPv4 uses the first 4).
struct NetAddress {
  enum class Family { kIPv4, kIPv6 };
  Family family = Family::kIPv4;
  std::array<uint8_t, 16> bytes{};

  friend bool operator==(const NetAddress&, const NetAddress&) = default;
};

/// What one socket operation came to.
enum class NetStatus {
  kDone,     ///< connected, or some bytes were moved
  kPending,  ///< nothing to do yet; wait and try again
  kClosed,   ///< the peer closed the connection (receiving only)
  kFailed,   ///< a socket error; `error` holds its number
};

struct NetResult {
  NetStatus status = NetStatus::kFailed;
  size_t bytes = 0;  ///< bytes sent or received when kDone
  int error = 0;     ///< Windows Sockets error number when kFailed
};

/// A name lookup running on a worker thread. Destroying it abandons the
/// answer; the worker finishes on its own.
class NameLookup {
 public:
  virtual ~NameLookup() = default;
  /// Sleeps up to `wait_ms` for the answer; true once the lookup is over.
  virtual bool Wait(uint32_t wait_ms) = 0;
  /// The addresses found, in the resolver's order; empty when the lookup
  /// failed. Valid once Wait has returned true.
  virtual std::vector<NetAddress> Addresses() const = 0;
};

/// One non-blocking TCP connection. Destroying it closes the socket
/// abortively: no lingering, the peer sees a reset if data was unread.
class StreamSocket {
 public:
  virtual ~StreamSocket() = default;
  /// Sleeps up to `wait_ms` for the connection to be made. kDone when it
  /// is, kPending when it is still being made, kFailed when it was refused.
  virtual NetResult WaitConnected(uint32_t wait_ms) = 0;
  /// Sends as much of `data` as the socket takes now.
  virtual NetResult Send(std::string_view data) = 0;
  /// Receives what has arrived, at most `capacity` bytes.
  virtual NetResult Receive(char* buffer, size_t capacity) = 0;
  /// Sleeps up to `wait_ms` until Receive (or Send) has something to do.
  virtual void WaitReadable(uint32_t wait_ms) = 0;
  virtual void WaitWritable(uint32_t wait_ms) = 0;
};

class Sockets {
 public:
  virtual ~Sockets() = default;
  /// Real milliseconds since an arbitrary start, never going back. Network
  /// waits use this clock also in headless runs, whose game clock is virtual.
  virtual uint64_t RealNowMs() = 0;
  /// Starts looking up a host name (IPv4 and IPv6 answers).
  virtual std::unique_ptr<NameLookup> StartLookup(const std::string& name) = 0;
  /// Makes a fresh socket and starts connecting it. Null, with `*error` set,
  /// when the socket cannot be made or the attempt fails at once.
  virtual std::unique_ptr<StreamSocket> StartConnect(const NetAddress& address, uint16_t port,
                                                     int* error) = 0;
};

}  // namespace zepa::platform
