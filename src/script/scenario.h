#pragma once
// Scenario text: how a file's bytes become the text the interpreter runs,
// and how the interpreter moves over its lines.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zepa::script {

struct DecodedScenario {
  std::string text;  // lines end with LF; never holds a NUL byte
  bool encoded = false;
};

/// A local file's bytes as the text-mode reader sees them: CR LF is read as
/// LF; a leading "X" marks the letter encoding.
DecodedScenario DecodeScenarioFile(std::string_view file_bytes);

/// A body fetched over HTTP: up to its first NUL; "X" marks the encoding
/// (CR and LF dropped from the letters), else every CR is removed.
DecodedScenario DecodeScenarioBody(std::string_view body);

/// The encode-button output: "X", then each line's letters (its LF
/// included, a last line without one given one) followed by a line break.
std::string EncodeScenarioFile(std::string_view text);

/// Just past the next LF, or the end of the text when none follows.
size_t NextLine(std::string_view text, size_t pos);

/// Moves line by line until a line starts with "#" (or the text ends).
size_t SkipToLabel(std::string_view text, size_t pos);

/// The first line starting with "#" whose first token equals the label's.
std::optional<size_t> FindLabel(std::string_view text, std::string_view label);

/// The labels of one text by their first token, for tools that look up
/// many labels: each lookup finds what FindLabel finds, without reading the
/// text again.
class LabelIndex {
 public:
  explicit LabelIndex(std::string_view text);
  std::optional<size_t> Find(std::string_view label) const;

 private:
  std::unordered_map<std::string, size_t> first_line_;
};

}  // namespace zepa::script
