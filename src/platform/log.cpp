#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zepa::platform {
namespace {

struct LogState {
  std::optional<LogLevel> threshold;
  LogSink sink;
};

LogState& State() {
  static LogState state;
  return state;
}

void LogV(LogLevel level, const char* format, va_list args) {
  if (level > LogThreshold()) return;
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (size < 0) return;
  std::string text(static_cast<size_t>(size) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(size));
  Log(level, text);
}

}  // namespace

std::optional<LogLevel> ParseLogLevel(std::string_view name) {
  if (name == "error") return LogLevel::kError;
  if (name == "warning") return LogLevel::kWarning;
  if (name == "info") return LogLevel::kInfo;
  if (name == "debug") return LogLevel::kDebug;
  return std::nullopt;
}

LogLevel ThresholdFromSetting(const char* value) {
  if (!value) return LogLevel::kInfo;
  return ParseLogLevel(value).value_or(LogLevel::kInfo);
}

LogLevel LogThreshold() {
  LogState& state = State();
  if (!state.threshold) {
    state.threshold = ThresholdFromSetting(std::getenv("ZEPA_LOG"));
  }
  return *state.threshold;
}

void SetLogThreshold(LogLevel level) { State().threshold = level; }

void SetLogSink(LogSink sink) { State().sink = std::move(sink); }

void Log(LogLevel level, std::string_view text) {
  if (level > LogThreshold()) return;
  if (State().sink) {
    State().sink(text);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stderr);
}

#define ZEPA_LOG_FORM(name, level)     \
  void name(const char* format, ...) { \
    va_list args;                      \
    va_start(args, format);            \
    LogV(level, format, args);         \
    va_end(args);                      \
  }
ZEPA_LOG_FORM(LogError, LogLevel::kError)
ZEPA_LOG_FORM(LogWarning, LogLevel::kWarning)
ZEPA_LOG_FORM(LogInfo, LogLevel::kInfo)
ZEPA_LOG_FORM(LogDebug, LogLevel::kDebug)
#undef ZEPA_LOG_FORM

}  // namespace zepa::platform
