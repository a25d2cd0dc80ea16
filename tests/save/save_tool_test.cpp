// zepa-save reads files with the game's reader: what it prints and writes.
#include "save/save_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "display/picture.h"
#include "platform/system.h"
#include "save/save_file.h"
#include "save/save_folder.h"

namespace zepa::save {
namespace {

namespace fs = std::filesystem;

TEST(SaveTool, DumpsSettingsBlocksAndVariablesAndExtractsPictures) {
  const fs::path dir = fs::temp_directory_path() / "zepa_save_tool_test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  SaveContents c;
  c.state.script = "story.kvs";
  c.state.scene = "#\x82\xa0";  // "#あ"
  c.state.select_text = "a\nb\n";
  c.state.adv_mode = 3;  // the choice line is written during a choice only
  c.now = 42;
  c.variables = {{"x", "1"}};
  c.pictures.push_back(
      {PictureSlot::kDisplay, *display::EncodeJpeg(platform::Surface(8, 8, 0x336699), 90), 0});
  c.pictures.push_back({PictureSlot::kBuffer, {1, 2, 3}, 0});
  const std::vector<uint8_t> bytes = WriteSaveBytes(c);
  const fs::path file = dir / "s.kvd";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));

  std::ostringstream out, err;
  const std::unique_ptr<platform::Files> files = platform::CreateSystemFiles();
  std::vector<std::string> written;
  const PictureWriter writer = [&](const platform::Surface& s, const std::string& path) {
    written.push_back(path + " " + std::to_string(s.width));
    return true;
  };
  ASSERT_EQ(RunSaveTool({"dump", file.string()}, out, err, writer, *files), 0);
  const std::string text = out.str();
  EXPECT_NE(text.find("encoded"), std::string::npos);
  EXPECT_NE(text.find("scene: #あ\n"), std::string::npos);
  EXPECT_NE(text.find("now: 42\n"), std::string::npos);
  EXPECT_NE(text.find("select_text: a\\nb\\n\n"), std::string::npos);
  EXPECT_NE(text.find("bDISPLAY_IMAGE: "), std::string::npos);
  EXPECT_NE(text.find("decodes, 8 x 8"), std::string::npos);
  EXPECT_NE(text.find("bBUFFER_IMAGE: 3 bytes at "), std::string::npos);
  EXPECT_NE(text.find("does not decode"), std::string::npos);
  EXPECT_NE(text.find("  x=1\n"), std::string::npos);

  // The picture that decodes is written; the garbage block is reported.
  EXPECT_EQ(RunSaveTool({"extract", file.generic_string(), (dir / "out").generic_string()}, out, err,
                        writer, *files),
            1);
  EXPECT_EQ(written, (std::vector<std::string>{(dir / "out" / "display.png").generic_string() + " 8"}));
  EXPECT_TRUE(fs::is_directory(dir / "out"));  // made for the pictures
  EXPECT_NE(err.str().find("bBUFFER_IMAGE:"), std::string::npos);

  EXPECT_EQ(RunSaveTool({"dump", (dir / "none.kvd").string()}, out, err, writer, *files), 1);
  EXPECT_EQ(RunSaveTool({"dump", dir.string()}, out, err, writer, *files), 1);
  EXPECT_EQ(RunSaveTool({"list"}, out, err, writer, *files), 2);
  fs::remove_all(dir);
}

TEST(SaveTool, SaveDirectoryFallsBackToTheUserDataDirectory) {
  EXPECT_EQ(ChooseSaveDir("/opt/saves", "/g/game", true, "/home/u/.local/share"), "/opt/saves");
  EXPECT_EQ(ChooseSaveDir("", "/g/game", true, "/home/u/.local/share"), "/g/game");
  EXPECT_EQ(ChooseSaveDir("", "/g/game", false, "/home/u/.local/share"),
            "/home/u/.local/share/zepa/game");
  EXPECT_EQ(ChooseSaveDir("", "/g/game", false, ""), "/g/game");
}

}  // namespace
}  // namespace zepa::save
