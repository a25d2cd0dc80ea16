#include "engine/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zepa::engine {
namespace {

TEST(IniFile, ReadsLikeTheProfileFunctions) {
  const IniFile ini = IniFile::Parse(
      "; comment\r\n"
      "[pos]\r\n"
      "messageline = 8\r\n"
      "TOP=-12abc\r\n"
      "LEFT=abc\r\n"
      "EMPTY=\r\n"
      "[MAIN]\r\n"
      "SCENARIO=\"my story.kvs\"\r\n"
      "[POS]\r\n"
      "MESSAGELINE=99\r\n");
  EXPECT_EQ(ini.GetInt("POS", "MESSAGELINE", 6), 8);  // the first section wins
  EXPECT_EQ(ini.GetInt("Pos", "top", 0), -12);        // leading number
  EXPECT_EQ(ini.GetInt("POS", "LEFT", 7), 7);         // not a number: default
  EXPECT_EQ(ini.GetInt("POS", "EMPTY", 5), 5);
  EXPECT_EQ(ini.GetInt("POS", "MISSING", 3), 3);
  EXPECT_EQ(ini.GetString("POS", "EMPTY", "d"), "");  // strings: default only when missing
  EXPECT_EQ(ini.GetString("MAIN", "SCENARIO", "story.kvs"), "my story.kvs");
  EXPECT_EQ(ini.GetString("NONE", "X", "story.kvs"), "story.kvs");
}

TEST(IniFile, GarbageAndNoSectionsGiveDefaults) {
  const IniFile ini = IniFile::Parse(std::string("\x01\xff garbage\n=5\n[\nKEY=1\n[]\n", 22));
  EXPECT_EQ(ini.GetInt("SYSTEM", "DEBUG", 0), 0);
  EXPECT_EQ(ini.GetInt("", "KEY", 9), 9);
}

TEST(IniFile, WritingKeepsEverythingElse) {
  IniFile ini = IniFile::Parse(
      "; my settings\r\n"
      "[POS]\r\n"
      "MessageLine=8 ; keep\r\n"
      "top=10\r\n"
      "\r\n"
      "[TEXT]\r\n"
      "TELOWAIT=50\r\n");
  ini.SetInt("POS", "TOP", 33);
  ini.SetInt("POS", "LEFT", 44);
  ini.SetInt("text", "telowait", 20);
  ini.Set("MAIN", "SCENARIO", "b.kvs");
  EXPECT_EQ(ini.Text(),
            "; my settings\r\n"
            "[POS]\r\n"
            "MessageLine=8 ; keep\r\n"
            "top=33\r\n"
            "LEFT=44\r\n"
            "\r\n"
            "[TEXT]\r\n"
            "TELOWAIT=20\r\n"
            "\r\n"
            "[MAIN]\r\n"
            "SCENARIO=b.kvs\r\n");
  ini.Remove("POS", "LEFT");
  EXPECT_EQ(ini.Get("POS", "LEFT"), std::nullopt);
}

TEST(IniFile, SavesAtomicallyAndFailsCleanly) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "zepa_ini_test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "rurirora.ini").string();
  IniFile ini;
  ini.SetInt("SCREEN", "FULL", 0);
  ASSERT_TRUE(ini.Save(path));
  EXPECT_EQ(IniFile::Load(path).GetInt("SCREEN", "FULL", 1), 0);
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  // A directory that does not exist: nothing is written, no crash.
  EXPECT_FALSE(ini.Save((dir / "missing" / "x.ini").string()));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zepa::engine
