// zepa-codec: turns a scenario between its plain and its encoded form.
#include <iostream>
#include <string>
#include <vector>

#include "codec_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zepa::tools::RunCodecTool(args, std::cout, std::cerr);
}
