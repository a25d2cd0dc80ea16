// zepa-codec: turns a scenario between its plain and its encoded form.
#include <iostream>
#include <string>
#include <vector>

#include "codec_tool.h"
#include "zepa_version.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    zepa::build::PrintVersion("zepa-codec");
    return 0;
  }
  return zepa::tools::RunCodecTool(args, std::cout, std::cerr);
}
