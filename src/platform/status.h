#pragma once
// How a failure is told everywhere: a code that says what kind of failure it
// was, for the code that decides what to do, and a message for the person
// who reads it (the player, an author, a log), kept word for word as the
// code that failed wrote it. An operation that returns a value on success
// returns a Result, which holds either the value or the failed Status.
#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace zepa::platform {

enum class StatusCode {
  kOk,
  kMissing,  // nothing is there: no such file, entry or program
  kRefused,  // something is there that must not be used: a link, a folder, a read-only file
  kInvalid,  // what was read or given is malformed or out of bounds
  kFailed,   // anything else: the system or a library failed
};

class [[nodiscard]] Status {
 public:
  /// Success.
  Status() = default;
  Status(StatusCode code, std::string message) : code_(code), message_(std::move(message)) {
    assert(code != StatusCode::kOk);
  }
  /// A failure of no particular kind.
  static Status Failed(std::string message) { return {StatusCode::kFailed, std::move(message)}; }

  bool ok() const { return code_ == StatusCode::kOk; }
  StatusCode code() const { return code_; }
  /// Empty for success.
  const std::string& message() const { return message_; }

 private:
  StatusCode code_ = StatusCode::kOk;
  std::string message_;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: a value converts, as it would return
  Result(Status failure) : status_(std::move(failure)) { assert(!status_.ok()); }  // NOLINT

  bool ok() const { return value_.has_value(); }
  /// Success when ok().
  const Status& status() const { return status_; }
  const std::string& message() const { return status_.message(); }

  T& value() {
    assert(ok());
    return *value_;
  }
  const T& value() const {
    assert(ok());
    return *value_;
  }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace zepa::platform
