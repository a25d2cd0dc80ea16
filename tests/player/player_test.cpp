// The player's own layer: history, read marks, settings and their files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/system.h"
#include "player/history.h"
#include "player/player_files.h"
#include "player/read_marks.h"
#include "player/settings.h"

namespace zepa::player {
namespace {

TEST(History, KeepsTheLastPagesAndDropsChoicesWithTheirPages) {
  History h;
  h.AddPage("p0");
  h.AddChoice("c0");
  for (size_t i = 1; i < History::kMaxPages; ++i) h.AddPage("p" + std::to_string(i));
  ASSERT_EQ(h.page_count(), History::kMaxPages);
  EXPECT_EQ(h.entries()[1].kind, HistoryEntry::Kind::kChoice);
  // One page more pushes out p0, and the choice taken after it may not lead.
  h.AddPage("new");
  EXPECT_EQ(h.page_count(), History::kMaxPages);
  EXPECT_EQ(h.entries().front().text, "p1");
  EXPECT_EQ(h.PageTexts().back(), "new");
  EXPECT_EQ(h.PageTexts().size(), History::kMaxPages);
}

TEST(History, LinesSplitPagesAndMarkChoices) {
  History h;
  h.AddPage("one\r\ntwo\\nthree");
  h.AddPage("\x95\\n");  // a double-byte character ending in a backslash, then "n"
  h.AddChoice("yes");
  const std::vector<std::string> lines = h.Lines();
  const std::vector<std::string> want = {"one", "two", "three", "", "\x95\\n", "", "\x81\xa8 yes"};
  EXPECT_EQ(lines, want);
}

TEST(ReadMarks, MarksAreCountedOncePerFileAndLine) {
  ReadMarks m;
  EXPECT_TRUE(m.Mark("story.kvs", 0));
  EXPECT_TRUE(m.Mark("story.kvs", 9));
  EXPECT_FALSE(m.Mark("story.kvs", 9));
  EXPECT_TRUE(m.Mark("other.kvs", 9));
  EXPECT_FALSE(m.Mark("story.kvs", ReadMarks::kMaxLine));
  EXPECT_FALSE(m.Mark(std::string(ReadMarks::kMaxNameBytes + 1, 'x'), 1));
  EXPECT_EQ(m.count(), 3u);
  EXPECT_TRUE(m.IsRead("story.kvs", 9));
  EXPECT_FALSE(m.IsRead("story.kvs", 8));
  EXPECT_FALSE(m.IsRead("story.kvs", 100000));
  EXPECT_FALSE(m.IsRead("none.kvs", 0));
}

TEST(ReadMarks, ALimitedNumberOfFilesIsKept) {
  ReadMarks m;
  for (size_t i = 0; i < ReadMarks::kMaxFiles; ++i) ASSERT_TRUE(m.Mark(std::to_string(i), 0));
  EXPECT_FALSE(m.Mark("one too many", 0));
  EXPECT_TRUE(m.Mark("0", 1));  // a file already kept still takes marks
}

TEST(ReadMarks, SerializedMarksParseBackAndDamageIsRefused) {
  ReadMarks m;
  m.Mark("story.kvs", 3);
  m.Mark("story.kvs", 4000);
  m.Mark("\x83\x65\x83\x58\x83\x67.kvs", 0);  // a Shift-JIS name
  EXPECT_TRUE(m.changed());
  const std::string bytes = m.Serialize();
  EXPECT_FALSE(m.changed());
  const std::optional<ReadMarks> back = ReadMarks::Parse(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->count(), 3u);
  EXPECT_TRUE(back->IsRead("story.kvs", 4000));
  EXPECT_TRUE(back->IsRead("\x83\x65\x83\x58\x83\x67.kvs", 0));
  EXPECT_FALSE(back->IsRead("story.kvs", 5));

  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string huge_map = bytes.substr(0, 18) + std::string("\x01\x00x", 3) + "\xff\xff\xff\x7f";
  const Case damaged[] = {
      {"empty", ""},
      {"another magic", "zepa read marks 9\n"},
      {"cut in a bitmap", bytes.substr(0, bytes.size() - 1)},
      {"cut in a length", bytes.substr(0, 19)},
      {"a bitmap longer than the lines kept", huge_map + std::string(16, '\0')},
      {"a file twice", bytes + bytes.substr(18)},
      {"oversized", bytes + std::string(ReadMarks::kMaxBytes, '\0')},
  };
  for (const Case& c : damaged) EXPECT_FALSE(ReadMarks::Parse(c.bytes)) << c.what;
  EXPECT_EQ(ReadMarks::Parse("zepa read marks 1\n")->count(), 0u);
}

TEST(Settings, ParseBoundsValuesAndRefusesDamage) {
  const std::optional<Settings> s = ParseSettings(
      "; mine\n[OTHER]\nTEXT_SPEED=7\n[PLAYER]\r\nTEXT_SPEED = 1000\nAUTO_BASE=-5\n"
      "AUTO_PER_CHAR=30\nSKIP_UNREAD=1\nUNKNOWN=abc\nMUSIC_VOLUME=40\nSCALING=smooth\n"
      "WINDOW_WIDTH=99999\n");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->scaling, platform::ScaleMode::kSmooth);
  EXPECT_EQ(s->window_width, 65535);
  EXPECT_EQ(s->window_height, 0);
  // A mode of a later version is no damage: the default stands.
  EXPECT_EQ(ParseSettings("[PLAYER]\nSCALING=crt\nTEXT_SPEED=50\n")->scaling,
            platform::ScaleMode::kSharp);
  EXPECT_EQ(s->text_speed_percent, 400);
  EXPECT_EQ(s->auto_base_ms, 0);
  EXPECT_EQ(s->auto_per_char_ms, 30);
  EXPECT_EQ(s->music_volume_percent, 40);
  EXPECT_EQ(s->effect_volume_percent, 100);
  EXPECT_TRUE(s->skip_unread);
  EXPECT_FALSE(s->large_font);

  for (const char* bad : {"[PLAYER]\nTEXT_SPEED=fast\n", "[PLAYER\n", "[PLAYER]\njunk line\n",
                          "[PLAYER]\nAUTO_BASE=12ms\n"})
    EXPECT_FALSE(ParseSettings(bad)) << bad;
  EXPECT_FALSE(ParseSettings(std::string(kMaxSettingsBytes + 1, '\n')));

  Settings mine;
  mine.text_speed_percent = 25;
  mine.large_font = true;
  mine.effect_volume_percent = 0;
  mine.window_width = 1500;
  mine.window_height = 1000;
  mine.window_maximized = true;
  mine.scaling = platform::ScaleMode::kInteger;
  EXPECT_EQ(ParseSettings(FormatSettings(mine)), mine);
}

TEST(Settings, AutoDelayCountsCharactersNotBytes) {
  Settings s;  // 1000 + 60 per character
  EXPECT_EQ(AutoDelayMs(s, ""), 1000u);
  EXPECT_EQ(AutoDelayMs(s, "ab\r\nc"), 1180u);
  EXPECT_EQ(AutoDelayMs(s, "\x82\xa0\x82\xa2"), 1120u);  // two double-byte characters
  s.auto_base_ms = 50000;                                // bounded to 10 s
  s.auto_per_char_ms = 0;
  EXPECT_EQ(AutoDelayMs(s, "abc"), 10000u);
}

TEST(PlayerFiles, FoldersComeFromTheDesktopsDirectories) {
  const std::string dirs =
      "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  EXPECT_EQ(PicturesDir(dirs, "/h"), "/h/Bilder");
  EXPECT_EQ(PicturesDir("XDG_PICTURES_DIR=\"/srv/pics\"\n", "/h"), "/srv/pics");
  EXPECT_EQ(PicturesDir("XDG_PICTURES_DIR=relative\n", "/h"), "/h/Pictures");
  EXPECT_EQ(PicturesDir("", ""), "");

  UserFolders f;
  f.home = "/h";
  PlayerPaths p = WindowPaths("demo", f);
  EXPECT_EQ(p.read_marks, "/h/.local/share/zepa/demo/read");
  EXPECT_EQ(p.settings, "/h/.config/zepa/demo.ini");
  EXPECT_EQ(p.screenshots, "/h/Pictures/zepa");
  f.data_home = "/d";
  f.config_home = "/c/";
  p = WindowPaths("demo", f);
  EXPECT_EQ(p.read_marks, "/d/zepa/demo/read");
  EXPECT_EQ(p.settings, "/c/zepa/demo.ini");

  EXPECT_EQ(GameName("games/demo/", "/x"), "demo");
  EXPECT_EQ(GameName(".", "/x/mygame"), "mygame");
  EXPECT_EQ(GameName(".", "/"), "game");
}

TEST(PlayerFiles, DamagedFilesAreIgnoredAndReplacedWhole) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string dir = std::string(tmp ? tmp : "/tmp") + "/player_files_test";
  const std::string marks_path = dir + "/game/read";
  const std::string settings_path = dir + "/cfg/game.ini";
  std::remove(marks_path.c_str());
  std::remove(settings_path.c_str());
  const std::unique_ptr<platform::Files> files = platform::CreateSystemFiles();

  EXPECT_EQ(LoadReadMarks(marks_path).count(), 0u);  // missing: none, quietly
  ReadMarks m;
  m.Mark("story.kvs", 12);
  // The folders are made on the way.
  ASSERT_TRUE(WritePlayerFile(files.get(), marks_path, m.Serialize()));
  EXPECT_TRUE(LoadReadMarks(marks_path).IsRead("story.kvs", 12));

  ASSERT_TRUE(WritePlayerFile(files.get(), marks_path, "zepa read marks 1\n\x05"));
  EXPECT_EQ(LoadReadMarks(marks_path).count(), 0u);
  ASSERT_TRUE(
      WritePlayerFile(files.get(), marks_path, std::string(ReadMarks::kMaxBytes + 1, '\0')));
  EXPECT_EQ(LoadReadMarks(marks_path).count(), 0u);

  Settings fast;
  fast.text_speed_percent = 300;
  ASSERT_TRUE(WritePlayerFile(files.get(), settings_path, FormatSettings(fast)));
  EXPECT_EQ(LoadSettings(settings_path), fast);
  ASSERT_TRUE(WritePlayerFile(files.get(), settings_path, "[PLAYER]\nTEXT_SPEED=oops\n"));
  EXPECT_EQ(LoadSettings(settings_path), Settings{});  // damaged: the defaults
  // A path that cannot be a folder is refused with a warning, not a crash.
  EXPECT_FALSE(WritePlayerFile(files.get(), settings_path + "/x/y.ini", "x"));
}

}  // namespace
}  // namespace zepa::player
