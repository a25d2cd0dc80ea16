#include "check/check.h"

#include <cstdio>

#include "check/checker.h"

namespace zepa::engine {
namespace {

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    const auto b = static_cast<uint8_t>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", b);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Plural(size_t n, std::string_view word) {
  return std::to_string(n) + " " + std::string(word) + (n == 1 ? "" : "s");
}

}  // namespace

CheckReport CheckGame(const CheckOptions& options) { return check_detail::Checker(options).Run(); }

std::string FormatCheckText(const CheckReport& report) {
  std::string out;
  for (const Finding& f : report.findings) {
    out += f.file;
    if (f.line) out += ":" + std::to_string(f.line);
    out += f.severity == Severity::kError ? ": error: " : ": note: ";
    out += f.message;
    out += '\n';
  }
  out += Plural(report.errors, "error") + ", " + Plural(report.notes, "note") + " in " +
         Plural(report.scenarios, "scenario") + " (" + Plural(report.lines, "line") + ")\n";
  return out;
}

std::string FormatCheckJson(const CheckReport& report) {
  std::string out = "{\"findings\":[";
  for (size_t i = 0; i < report.findings.size(); ++i) {
    const Finding& f = report.findings[i];
    if (i) out += ",";
    out += "\n{\"file\":" + JsonString(f.file) + ",\"line\":" + std::to_string(f.line) +
           ",\"severity\":" + (f.severity == Severity::kError ? "\"error\"" : "\"note\"") +
           ",\"message\":" + JsonString(f.message) + "}";
  }
  out += "],\n\"errors\":" + std::to_string(report.errors) +
         ",\"notes\":" + std::to_string(report.notes) +
         ",\"scenarios\":" + std::to_string(report.scenarios) +
         ",\"lines\":" + std::to_string(report.lines) + "}\n";
  return out;
}

}  // namespace zepa::engine
