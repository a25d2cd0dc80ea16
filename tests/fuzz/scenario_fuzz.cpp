// libFuzzer target for the scenario loader: both file encodings, the HTTP
// body form, and the line scanning and argument forms the interpreter uses
// on what they produce. Run by bench/fuzz.sh scenario.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "script/arguments.h"
#include "script/scenario.h"
#include "script/variables.h"

namespace {

zepa::script::VariableTable& Table() {
  static auto* vars = new zepa::script::VariableTable;
  return *vars;
}

void ScanLines(std::string_view text) {
  using namespace zepa::script;
  VariableTable& vars = Table();
  size_t lines = 0;
  for (size_t pos = 0; pos < text.size(); ++lines) {
    const size_t next = NextLine(text, pos);
    if (next <= pos || next > text.size()) std::abort();
    if (CompactArgument(text, pos).size() >= kArgumentBytes * 64) std::abort();
    const std::string line = LineArgument(text, pos);
    if (line.find('\n') != std::string::npos) std::abort();
    if (RestOfLine(text, pos).find('\n') != std::string_view::npos) std::abort();
    if (auto after = MatchCommand("text", text, pos); after && *after > next) std::abort();
    MatchCommand("sel", text, pos);
    // Bound the expression work per input: the evaluator has its own target.
    if (lines < 64) {
      NumberList(vars, line, 5);
      ColorArgument(vars, line);
      DecimalArgument(line);
      if (auto p = ParsePosition(line); p && p->rest.size() > line.size()) std::abort();
    }
    pos = next;
  }
  const size_t label = SkipToLabel(text, 0);
  if (label > text.size() || (label < text.size() && text[label] != '#')) std::abort();
  if (label < text.size()) {
    // The label's own name (its first token) finds it or an earlier twin.
    const size_t end = text.find_first_of(std::string_view(" \t\r\n/", 6), label);
    const std::string_view name =
        text.substr(label, end == std::string_view::npos ? end : end - label);
    const auto found = FindLabel(text, name);
    if (!found || *found > label || text[*found] != '#') std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zepa::script;
  Table().Reset(1);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const DecodedScenario file = DecodeScenarioFile(bytes);
  if (file.text.find('\0') != std::string::npos) std::abort();
  ScanLines(file.text);

  const DecodedScenario body = DecodeScenarioBody(bytes);
  if (body.text.find('\0') != std::string::npos) std::abort();
  if (!body.encoded && body.text.find('\r') != std::string::npos &&
      bytes.substr(0, bytes.find('\0')).find("\r\r") == std::string_view::npos)
    std::abort();  // a CR survives only as the byte after another CR
  ScanLines(body.text);

  // The encode button's output reads back as the text, with a final LF.
  std::string expected = file.text;
  if (!expected.empty() && expected.back() != '\n') expected.push_back('\n');
  const DecodedScenario again = DecodeScenarioFile(EncodeScenarioFile(file.text));
  if (!file.text.empty() && (!again.encoded || again.text != expected)) std::abort();
  return 0;
}
