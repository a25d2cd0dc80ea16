#pragma once
// The integer expressions of "set", "if" and numeric command arguments, and
// the substitution of variables into message text. Every text is Shift-JIS
// bytes and ends at its size or at its first NUL byte.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "script/variables.h"

namespace zepa::script {

// Work buffers of the evaluators, in bytes of text (without the NUL).
constexpr size_t kExpressionBytes = 1023;  // EvaluateExpression's work text
constexpr size_t kFlatBytes = 2047;        // EvaluateFlat's normalised text
constexpr size_t kAssignBytes = 511;       // AssignVariable's argument
constexpr size_t kExpandBytes = 2047;      // ExpandText's output

// Signs, then digits; blanks are skipped anywhere ("1 2" is 12). Wraps.
int32_t ParseNumber(std::string_view text);

// An expression without parentheses: names, then * / %, then + and -.
int32_t EvaluateFlat(VariableTable& vars, std::string_view text);

// Parentheses and RND groups, resolved into EvaluateFlat.
int32_t EvaluateExpression(VariableTable& vars, std::string_view text);

// Returns the offset in `text` where the rest of the line starts (the "[" of an
// inline command, or the LF / end), or nullopt when the condition is false.
std::optional<size_t> TestCondition(VariableTable& vars, std::string_view text);

// name=expression, or name="text" stored verbatim.
void AssignVariable(VariableTable& vars, std::string_view text);

// `source` runs to the end of the scenario text (the text may continue over
// following script lines); `scene_name` is the current scene label including
// its leading "#" (or empty). Output bounded to 2047 bytes.
std::string ExpandText(VariableTable& vars, std::string_view source, std::string_view scene_name);

}  // namespace zepa::script
