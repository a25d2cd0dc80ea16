#pragma once
// A leveled log to standard error. Each message is written exactly as
// given, so the lines people and tests already read keep their bytes; the
// threshold (ZEPA_LOG: error, warning, info or debug; info when unset or
// not understood) only decides which of them appear.
#include <functional>
#include <optional>
#include <string_view>

namespace zepa::platform {

enum class LogLevel { kError, kWarning, kInfo, kDebug };

/// The level a ZEPA_LOG value names, or nothing for any other text.
std::optional<LogLevel> ParseLogLevel(std::string_view name);

/// The threshold a ZEPA_LOG value gives: info when unset (null) or not
/// understood, so everything printed before there was a log still prints.
LogLevel ThresholdFromSetting(const char* value);

/// The threshold: messages at it or more severe are written. Read from
/// ZEPA_LOG on first use unless set before.
LogLevel LogThreshold();
void SetLogThreshold(LogLevel level);

/// Where written messages go; an empty sink restores standard error.
using LogSink = std::function<void(std::string_view)>;
void SetLogSink(LogSink sink);

/// Writes `text` (with no newline added) when `level` passes the threshold.
void Log(LogLevel level, std::string_view text);

/// printf-style forms of Log.
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogDebug(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zepa::platform
