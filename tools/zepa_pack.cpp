// zepa-pack: writes and reads the packed picture file of a game.
#include <iostream>
#include <string>
#include <vector>

#include "display/pack_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zepa::display::RunPackTool(args, std::cout, std::cerr);
}
