// zepa-pack: writes and reads the packed picture file of a game.
#include <iostream>
#include <string>
#include <vector>

#include "pack_tool.h"
#include "zepa_version.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    zepa::build::PrintVersion("zepa-pack");
    return 0;
  }
  return zepa::tools::RunPackTool(args, std::cout, std::cerr);
}
