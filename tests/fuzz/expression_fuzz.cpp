// libFuzzer target for the expression evaluator and text substitution.
// Built with ZEPA_BUILD_FUZZ=ON; run by bench/fuzz.sh expression.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "script/expression.h"
#include "script/variables.h"

namespace {

zepa::script::VariableTable& Table() {
  static auto* vars = new zepa::script::VariableTable;
  return *vars;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zepa::script;
  VariableTable& vars = Table();
  vars.Reset(1);
  vars.tick_count = [] { return uint32_t{0x80000000u}; };
  vars.SetVariableNumber("a", 3);
  vars.SetVariableNumber("b", -7);
  vars.SetVariableNumber("\x88\xa4", 2147483647);
  vars.SetVariableText("t", "text\x82");
  vars.SetVariableText("RND", "5");

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string_view c_text = text.substr(0, text.find('\0'));

  EvaluateExpression(vars, text);
  EvaluateFlat(vars, text);
  if (const auto rest = TestCondition(vars, text); rest && *rest > c_text.size()) std::abort();
  AssignVariable(vars, text);
  if (ExpandText(vars, text, "#scene").size() > kExpandBytes) std::abort();

  for (int i = 0; i < kVariableCount; ++i) {
    const VariableEntry& e = vars.entry(i);
    if (std::string_view(e.name, sizeof e.name).find('\0') == std::string_view::npos) std::abort();
    if (std::string_view(e.value, sizeof e.value).find('\0') == std::string_view::npos)
      std::abort();
  }
  return 0;
}
