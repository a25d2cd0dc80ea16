#include "engine/ini_file.h"

#include <gtest/gtest.h>

#include <string>

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

// Found by fuzzing: a last line without LF lost one CR at every write-back.
TEST(IniFile, TextReadsBackUnchanged) {
  for (const char* text : {"[A]\r\nK=1\r\r", "[A]\nK=1\r", "K\r\r\n\r", "", "\r\n"}) {
    const std::string once = IniFile::Parse(text).Text();
    EXPECT_EQ(IniFile::Parse(once).Text(), once) << text;
  }
  EXPECT_EQ(IniFile::Parse("[A]\r\nK=1\r\r").GetInt("A", "K", 0), 1);
}

// Found by fuzzing: a value read with blanks kept by quotes, or one that
// itself looks quoted, changed at every write-back. Such values are written
// in quotes; others exactly as they are.
TEST(IniFile, WrittenValuesReadBackTheSame) {
  IniFile ini;
  for (const char* value :
       {" my story.kvs", "tab\t", "\"q\"", "'x'", "\"", "a \"b\"", "", "plain"}) {
    ini.Set("MAIN", "SCENARIO", value);
    EXPECT_EQ(IniFile::Parse(ini.Text()).GetString("MAIN", "SCENARIO", "?"), value) << value;
  }
  EXPECT_EQ(ini.Text(), "[MAIN]\r\nSCENARIO=plain\r\n");
  ini.Set("MAIN", "SCENARIO", " a");
  EXPECT_EQ(ini.Text(), "[MAIN]\r\nSCENARIO=\" a\"\r\n");
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

}  // namespace
}  // namespace zepa::engine
