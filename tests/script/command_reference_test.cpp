// The authors' reference and `zepa --help-commands` come from the command
// table itself, so neither can leave a command out.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "script/interpreter.h"

namespace zepa::script {
namespace {

// Every command of the table has its own heading in the reference.
TEST(CommandReference, DocumentHasAHeadingForEveryCommand) {
  std::ifstream in(std::string(ZEPA_SOURCE_DIR) + "/docs/scenario-language.md");
  ASSERT_TRUE(in) << "docs/scenario-language.md cannot be read";
  std::stringstream doc;
  doc << in.rdbuf();
  const std::string text = "\n" + doc.str();
  std::vector<std::string> missing;
  for (std::string_view name : Interpreter::CommandNames())
    if (text.find("\n### [" + std::string(name) + "]\n") == std::string::npos)
      missing.emplace_back(name);
  EXPECT_TRUE(missing.empty()) << "commands without a \"### [name]\" heading: "
                               << ::testing::PrintToString(missing);
}

// One line per row, in the table's order, each saying what the command does.
TEST(CommandReference, HelpHasOneDescribedLinePerCommand) {
  std::istringstream help(Interpreter::CommandHelp());
  std::string line;
  size_t i = 0;
  const auto names = Interpreter::CommandNames();
  while (std::getline(help, line)) {
    ASSERT_LT(i, names.size()) << "more lines than commands: " << line;
    const std::string head = "[" + std::string(names[i]) + "] ";
    EXPECT_EQ(line.compare(0, head.size(), head), 0) << line;
    EXPECT_NE(line.find_first_not_of(' ', head.size()), std::string::npos)
        << "no description: " << line;
    ++i;
  }
  EXPECT_EQ(i, names.size());
}

}  // namespace
}  // namespace zepa::script
