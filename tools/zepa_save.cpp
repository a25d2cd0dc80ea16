// zepa-save: prints a save file as text and writes its pictures as PNG.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/image_writer.h"
#include "platform/system.h"
#include "save/save_tool.h"
#include "zepa_version.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    zepa::build::PrintVersion("zepa-save");
    return 0;
  }
  const std::unique_ptr<zepa::platform::Files> files = zepa::platform::CreateSystemFiles();
  return zepa::save::RunSaveTool(
      args, std::cout, std::cerr,
      [](const zepa::platform::Surface& s, const std::string& path) {
        return zepa::platform::WriteImage(s, path);
      },
      *files);
}
