#pragma once
// Sockets on a clock the test owns, for the client's timings: a wait moves
// the clock on instead of sleeping, a lookup and a connection finish when
// the test says, and each connection's reply arrives in pieces at the
// times its script gives. Nothing here touches the network.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/sockets.h"

namespace zepa::net::testing {

constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();

class FakeClockSockets : public platform::Sockets {
 public:
  /// One piece of a reply, `after_ms` after the piece before it (the first
  /// after the whole request has arrived). A piece with `close` set is the
  /// server closing the connection.
  struct Piece {
    uint64_t after_ms = 0;
    std::string bytes;
    bool close = false;
  };
  /// What one connection does: when it is made, and its reply. A reply
  /// without a closing piece leaves the connection open and silent after
  /// its last piece.
  struct Connection {
    uint64_t connect_after_ms = 0;  // kNever: the attempt hangs
    std::vector<Piece> reply;
  };

  uint64_t lookup_after_ms = 0;  // kNever: the lookup never answers
  std::vector<platform::NetAddress> lookup_answer;
  std::deque<Connection> connections;  // taken one per connection attempt

  uint64_t now_ms = 1000;
  std::vector<std::string> requests;  // what each connection was sent
  std::vector<std::string> looked_up;
  std::vector<uint32_t> sleeps_ms;  // every wait the client asked for

  uint64_t RealNowMs() override { return now_ms; }

  std::unique_ptr<platform::NameLookup> StartLookup(const std::string& name) override {
    looked_up.push_back(name);
    return std::make_unique<Lookup>(*this, Due(lookup_after_ms));
  }

  std::unique_ptr<platform::StreamSocket> StartConnect(const platform::NetAddress&, uint16_t,
                                                       int* error) override {
    if (connections.empty()) {
      *error = 10061;
      return nullptr;
    }
    Connection script = std::move(connections.front());
    connections.pop_front();
    requests.emplace_back();
    return std::make_unique<Stream>(*this, std::move(script), requests.size() - 1);
  }

 private:
  uint64_t Due(uint64_t after_ms) const { return after_ms == kNever ? kNever : now_ms + after_ms; }

  // Sleeps up to `wait_ms`, waking early when `due_ms` comes.
  void Sleep(uint32_t wait_ms, uint64_t due_ms) {
    sleeps_ms.push_back(wait_ms);
    const uint64_t until = now_ms + wait_ms;
    now_ms = std::max(now_ms, std::min(until, due_ms));
  }

  struct Lookup : platform::NameLookup {
    Lookup(FakeClockSockets& s, uint64_t due) : sockets(s), due_ms(due) {}
    bool Wait(uint32_t wait_ms) override {
      if (sockets.now_ms < due_ms) sockets.Sleep(wait_ms, due_ms);
      return sockets.now_ms >= due_ms;
    }
    std::vector<platform::NetAddress> Addresses() const override { return sockets.lookup_answer; }
    FakeClockSockets& sockets;
    uint64_t due_ms;
  };

  struct Stream : platform::StreamSocket {
    Stream(FakeClockSockets& s, Connection c, size_t index)
        : sockets(s),
          script(std::move(c)),
          request_index(index),
          connected_ms(s.Due(script.connect_after_ms)) {}

    platform::NetResult WaitConnected(uint32_t wait_ms) override {
      if (sockets.now_ms < connected_ms) sockets.Sleep(wait_ms, connected_ms);
      if (sockets.now_ms < connected_ms) return {platform::NetStatus::kPending, 0, 0};
      return {platform::NetStatus::kDone, 0, 0};
    }
    platform::NetResult Send(std::string_view data) override {
      std::string& request = sockets.requests[request_index];
      request.append(data);
      if (next_due_ms == kNever && request.find("\r\n\r\n") != std::string::npos)
        next_due_ms = NextDue(sockets.now_ms);
      return {platform::NetStatus::kDone, data.size(), 0};
    }
    platform::NetResult Receive(char* buffer, size_t capacity) override {
      if (next_due_ms == kNever || sockets.now_ms < next_due_ms)
        return {platform::NetStatus::kPending, 0, 0};
      Piece& piece = script.reply[next_piece];
      if (piece.close) return {platform::NetStatus::kClosed, 0, 0};
      const size_t n = std::min(capacity, piece.bytes.size() - sent_of_piece);
      std::copy_n(piece.bytes.data() + sent_of_piece, n, buffer);
      sent_of_piece += n;
      if (sent_of_piece == piece.bytes.size()) {
        sent_of_piece = 0;
        ++next_piece;
        next_due_ms = NextDue(next_due_ms);
      }
      return {platform::NetStatus::kDone, n, 0};
    }
    void WaitReadable(uint32_t wait_ms) override { sockets.Sleep(wait_ms, next_due_ms); }
    void WaitWritable(uint32_t wait_ms) override { sockets.Sleep(wait_ms, sockets.now_ms); }

    // When the next piece is due, the one before having come at `from_ms`.
    uint64_t NextDue(uint64_t from_ms) const {
      if (next_piece >= script.reply.size()) return kNever;
      return from_ms + script.reply[next_piece].after_ms;
    }

    FakeClockSockets& sockets;
    Connection script;
    size_t request_index;
    uint64_t connected_ms;
    uint64_t next_due_ms = kNever;
    size_t next_piece = 0;
    size_t sent_of_piece = 0;
  };
};

}  // namespace zepa::net::testing
