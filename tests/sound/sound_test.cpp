#include "sound/sound.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "fake_media.h"

namespace zepa::sound {
namespace {

using platform::HeldKey;
using platform::MediaMode;
using platform::MediaNotice;
using testing::FakeHost;
using testing::FakeMedia;

uint32_t Raw(uint32_t percent) { return platform::Media::kGainMax * percent / 100; }

class SoundTest : public ::testing::Test {
 protected:
  SoundTest()
      : sound_(host_, &media_, [](std::string_view n) {
          return n.starts_with("/") ? std::string(n) : "/game/" + std::string(n);
        }) {
    sound_.SetWarner([this](const std::string& w) { warnings_.push_back(w); });
    sound_.SetDisplay(&display_);
  }
  // Ticks until the fade ends; the number of ticks it took.
  int TicksToEnd() {
    int ticks = 0;
    while (sound_.fade_level() > 0 && ticks < 10000) {
      sound_.FadeStep();
      ++ticks;
    }
    return ticks;
  }

  FakeHost host_;
  FakeMedia media_;
  platform::Surface display_{640, 480, 0xffffff};
  Sound sound_;
  std::vector<std::string> warnings_;
};

TEST(MusicNames, PositionPrefixAndMovieExtensions) {
  auto plain = ParseMusicRequest("op.avi");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->x);
  EXPECT_EQ(plain->y, 0);
  EXPECT_EQ(plain->name, "op.avi");

  auto placed = ParseMusicRequest("10,20,op.avi");
  ASSERT_TRUE(placed);
  EXPECT_EQ(placed->x, 10);
  EXPECT_EQ(placed->y, 20);
  EXPECT_EQ(placed->name, "op.avi");

  auto negative = ParseMusicRequest("-30,-5,big.mpg");
  ASSERT_TRUE(negative);
  EXPECT_EQ(negative->x, -30);
  EXPECT_EQ(negative->y, -5);

  EXPECT_FALSE(ParseMusicRequest("10,theme.mid"));

  EXPECT_EQ(MusicExtension("dir.x\\op.MPEG"), ".MPEG");
  EXPECT_EQ(MusicExtension("a.0123456789ab"), ".01234567");
  EXPECT_EQ(MusicExtension("noext"), "");

  for (const char* movie : {".avi", ".MPEG", ".mpg", ".QT", ".Mov", ".mpe", ".AVI2"})
    EXPECT_TRUE(IsMovieName(movie)) << movie;
  for (const char* music : {".wmv", ".mid", ".wav", ".mp3", ".ogg", "", ".mp", ".q"})
    EXPECT_FALSE(IsMovieName(music)) << music;
}

TEST(MoviePanel, CentredTruncatingTowardZeroOrPlaced) {
  PanelPlace p = PlaceMoviePanel(std::nullopt, 0, {320, 240});
  EXPECT_EQ(p.left, 160);
  EXPECT_EQ(p.top, 120);
  p = PlaceMoviePanel(std::nullopt, 0, {641, 483});
  EXPECT_EQ(p.left, 0);  // -1 / 2 truncates to 0
  EXPECT_EQ(p.top, -1);
  p = PlaceMoviePanel(0, 0, {320, 240});
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.top, 0);
}

TEST_F(SoundTest, BgmDigitsAreCdTracks) {
  media_.music.cd_tracks["/game/cd"] = {{1, {0, 5000}}, {3, {9000, 4000}}};
  sound_.BgmCommand("3");
  EXPECT_EQ(sound_.music_name(), "3");
  EXPECT_EQ(media_.music.log.back(), "play 9000-12999");

  sound_.BgmCommand("1st.mid");
  EXPECT_EQ(sound_.music_name(), "1");
  EXPECT_EQ(media_.music.log.back(), "play 0-4999");
  EXPECT_TRUE(sound_.MusicPlaying());

  // A track the folder lacks is a missing disc: the name is kept, nothing plays.
  sound_.CdCommand(7);
  EXPECT_EQ(sound_.music_name(), "7");
  EXPECT_FALSE(sound_.MusicPlaying());
  EXPECT_TRUE(warnings_.empty());

  sound_.CdCommand(0);
  EXPECT_EQ(sound_.music_name(), "");
  EXPECT_FALSE(media_.music.IsOpen());
}

TEST_F(SoundTest, CdFolderFallsBackToGameDirectoryAndConfiguredFolder) {
  media_.music.cd_tracks["/game/."] = {{2, {0, 3000}}};
  sound_.CdCommand(2);
  EXPECT_EQ(media_.music.open_path, "/game/.");
  EXPECT_TRUE(sound_.MusicPlaying());

  // A configured folder that is there is used as it is.
  sound_.SetCdDrive("music");
  media_.music.cd_tracks["/game/music"] = {{2, {100, 3000}}};
  sound_.CdCommand(2);
  EXPECT_EQ(media_.music.open_path, "/game/music");
  EXPECT_EQ(media_.music.log.back(), "play 100-3099");

  sound_.SetCdDrive("0123456789ab");  // 12 bytes: longer than the field
  sound_.CdCommand(2);
  EXPECT_FALSE(sound_.MusicPlaying());
  EXPECT_EQ(warnings_.size(), 1u);
}

TEST_F(SoundTest, DriveLetterOrMissingCdFolderMeansTheGamesOwnFolders) {
  media_.music.cd_tracks["/game/cd"] = {{4, {2000, 1000}}};
  media_.music.fail.insert("/game/music");
  for (const char* drive : {"Q:", "D:\\", "d:/", "music"}) {
    SCOPED_TRACE(drive);
    sound_.SetCdDrive(drive);
    sound_.CdCommand(4);
    EXPECT_EQ(media_.music.open_path, "/game/cd");
    EXPECT_EQ(media_.music.log.back(), "play 2000-2999");
    EXPECT_EQ(sound_.music_name(), "4");
  }
  // Without ripped tracks in "cd" the game folder is next.
  media_.music.cd_tracks.erase("/game/cd");
  media_.music.cd_tracks["/game/."] = {{4, {0, 500}}};
  sound_.SetCdDrive("Q:");
  sound_.CdCommand(4);
  EXPECT_EQ(media_.music.open_path, "/game/.");
  EXPECT_TRUE(sound_.MusicPlaying());
  EXPECT_TRUE(warnings_.empty());

  EXPECT_TRUE(IsDriveLetter("z:"));
  EXPECT_FALSE(IsDriveLetter("cd"));
  EXPECT_FALSE(IsDriveLetter("D:\\cd"));
  EXPECT_FALSE(IsDriveLetter("1:"));
}

TEST_F(SoundTest, PositionPrefixServesOnlyMovies) {
  sound_.BgmCommand("10,20,theme.mid");
  EXPECT_EQ(sound_.music_name(), "/game/theme.mid");
  EXPECT_TRUE(sound_.MusicPlaying());
  EXPECT_FALSE(host_.overlay_shown);

  // One comma: the music stops and nothing new plays.
  sound_.BgmCommand("10,theme.mid");
  EXPECT_EQ(sound_.music_name(), "");
  EXPECT_FALSE(sound_.MusicPlaying());
  EXPECT_FALSE(media_.music.IsOpen());

  // .wmv is music: it plays without waiting and no panel appears.
  sound_.BgmCommand("clip.wmv");
  EXPECT_TRUE(sound_.MusicPlaying());
  EXPECT_EQ(host_.pumps, 0);

  sound_.BgmCommand("");
  EXPECT_EQ(sound_.music_name(), "");
  EXPECT_FALSE(sound_.MusicPlaying());
}

TEST_F(SoundTest, OpenFailuresWarnAndLeaveTheDocumentedNames) {
  media_.music.fail.insert("/game/broken.mid");
  media_.effect.fail.insert("/game/broken.wav");
  sound_.BgmCommand("broken.mid");
  EXPECT_EQ(sound_.music_name(), "");
  sound_.WavCommand("broken.wav");
  EXPECT_EQ(sound_.effect_name(), "/game/broken.wav");
  EXPECT_FALSE(sound_.EffectPlaying());
  ASSERT_EQ(warnings_.size(), 2u);
  EXPECT_NE(warnings_[0].find("broken.mid: the device refuses"), std::string::npos);

  // A name that does not fit its field is refused, not cut.
  sound_.BgmCommand(std::string(512, 'a') + ".mid");
  EXPECT_EQ(sound_.music_name(), "");
  EXPECT_EQ(warnings_.size(), 3u);
  sound_.StartFade(std::string(600, 'b'), kFadeOut);
  EXPECT_EQ(sound_.next_music(), "");
}

TEST_F(SoundTest, LoopsRestartAfterANaturalEndOnly) {
  sound_.set_music_loop(1);
  sound_.BgmCommand("theme.mid");
  const int plays = media_.music.plays;
  media_.End(0);
  EXPECT_EQ(media_.music.plays, plays + 1);
  EXPECT_TRUE(sound_.MusicPlaying());
  EXPECT_EQ(sound_.music_name(), "/game/theme.mid");

  // A stop gives no notice; a notice that is not successful restarts nothing.
  sound_.BgmCommand("");
  media_.End(0, MediaNotice::kAborted);
  EXPECT_FALSE(sound_.MusicPlaying());

  // A CD track loops by its number.
  media_.music.cd_tracks["/game/cd"] = {{4, {100, 200}}};
  sound_.CdCommand(4);
  media_.End(0);
  EXPECT_TRUE(sound_.MusicPlaying());
  EXPECT_EQ(media_.music.log.back(), "play 100-299");

  // Without the flag the music stays ended.
  sound_.set_music_loop(0);
  media_.End(0);
  EXPECT_FALSE(sound_.MusicPlaying());

  sound_.set_effect_loop(1);
  sound_.WavCommand("se.wav");
  media_.End(1);
  EXPECT_TRUE(sound_.EffectPlaying());
  EXPECT_EQ(media_.effect.plays, 2);
  media_.End(1, MediaNotice::kSuperseded);
  EXPECT_EQ(media_.effect.plays, 2);
}

// The music and effect players repeat by themselves exactly while their loop
// flag is set, whichever way the flag changes; the end screen's sound never
// repeats.
TEST_F(SoundTest, PlayersRepeatWhileTheLoopFlagIsSet) {
  sound_.BgmCommand("theme.mid");
  EXPECT_FALSE(media_.music.repeat);
  sound_.set_music_loop(2);
  EXPECT_TRUE(media_.music.repeat);
  sound_.set_music_loop(0);
  EXPECT_FALSE(media_.music.repeat);

  SoundSave save;
  save.music_name = "/game/theme.mid";
  save.music_loop = 1;
  sound_.RestoreSave(save);
  EXPECT_TRUE(media_.music.repeat);
  EXPECT_TRUE(sound_.MusicPlaying());
  sound_.ResetState();
  EXPECT_FALSE(media_.music.repeat);

  sound_.set_effect_loop(1);
  sound_.WavCommand("se.wav");
  EXPECT_TRUE(media_.effect.repeat);
  sound_.set_effect_loop(0);
  EXPECT_FALSE(media_.effect.repeat);
  save.effect_name = "/game/se.wav";
  save.effect_loop = 1;
  sound_.RestoreSave(save);
  EXPECT_TRUE(media_.effect.repeat);
  sound_.PlayEndSound();
  EXPECT_FALSE(media_.effect.repeat);
  EXPECT_EQ(sound_.effect_loop(), 0);
}

TEST_F(SoundTest, EffectLoopIsSetAsideAndPutBack) {
  sound_.set_effect_loop(1);
  media_.effect.fail.insert("/game/missing.wav");
  sound_.WavCommand("missing.wav");
  EXPECT_EQ(sound_.effect_loop(), 1);
  sound_.WavCommand("se.wav");
  EXPECT_EQ(sound_.effect_loop(), 1);

  // Restoring a save sets the loop flags only after the effect has started.
  SoundSave save;
  save.effect_name = "/game/se.wav";
  save.effect_loop = 1;
  save.music_loop = 1;
  sound_.RestoreSave(save);
  EXPECT_EQ(sound_.effect_loop(), 1);
  EXPECT_EQ(sound_.music_loop(), 1);
  EXPECT_TRUE(sound_.EffectPlaying());
}

TEST_F(SoundTest, FadeArithmeticAndDurations) {
  // UserVolume 80 with the default 2000 ms: step 2, 40 ticks, the full 2 s.
  sound_.Startup(80);
  EXPECT_EQ(sound_.user_volume(), 80u);
  sound_.BgmCommand("theme.mid");
  sound_.StartFade("", kFadeOut);
  media_.gains.clear();
  EXPECT_EQ(TicksToEnd(), 40);
  EXPECT_EQ(media_.gains.front(), Raw(78));
  EXPECT_FALSE(sound_.MusicPlaying());
  EXPECT_EQ(media_.gain, Raw(80));  // StopFade puts the output back

  // UserVolume 100: 100 / 40 is 2, so the fade takes 50 ticks.
  sound_.Startup(100);
  EXPECT_EQ(sound_.user_volume(), 100u);
  sound_.StartFade("theme.mid", kFadeIn);
  EXPECT_EQ(media_.gains.back(), Raw(0));
  EXPECT_TRUE(sound_.MusicPlaying());
  sound_.FadeStep();
  EXPECT_EQ(media_.gain, Raw(2));
  EXPECT_EQ(TicksToEnd(), 49);
  EXPECT_EQ(media_.gain, Raw(100));

  // A fade shorter than a tick ends on the next one; a step below 1 is 1.
  sound_.FadeTimeCommand(30);
  sound_.StartFade("theme.mid", kFadeIn);
  EXPECT_EQ(TicksToEnd(), 1);
  sound_.Startup(30);
  sound_.FadeTimeCommand(2000);
  sound_.StartFade("theme.mid", kFadeIn);
  EXPECT_EQ(TicksToEnd(), 30);

  sound_.FadeTimeCommand(0);
  EXPECT_EQ(sound_.fade_time(), 2000);
  sound_.FadeTimeCommand(-5);
  EXPECT_EQ(sound_.fade_time(), 2000);
}

TEST_F(SoundTest, OutputVolumeRounding) {
  // Reading rounds to the nearest percent, writing truncates.
  uint32_t percent = 0;
  media_.gain = 32767;  // 49.9995 %
  EXPECT_TRUE(sound_.ReadOutputVolume(&percent));
  EXPECT_EQ(percent, 50u);
  media_.gain = 327;  // 0.499 %
  EXPECT_TRUE(sound_.ReadOutputVolume(&percent));
  EXPECT_EQ(percent, 0u);
  EXPECT_TRUE(sound_.SetOutputVolume(33));
  EXPECT_EQ(media_.gain, 21626u);
}

TEST_F(SoundTest, FadeOutNamesTheNextMusicAndStartsIt) {
  sound_.Startup(100);
  sound_.BgmCommand("first.mid");
  sound_.StartFade("next.mid", kFadeOut);
  EXPECT_EQ(sound_.music_name(), "next.mid");
  EXPECT_EQ(sound_.next_music(), "next.mid");
  sound_.FadeStep();
  EXPECT_EQ(sound_.music_name(), "next.mid");
  EXPECT_EQ(sound_.SaveFields().music_name, "next.mid");  // first.mid still plays
  TicksToEnd();
  EXPECT_EQ(sound_.music_name(), "/game/next.mid");
  EXPECT_EQ(media_.music.open_path, "/game/next.mid");
  EXPECT_TRUE(sound_.MusicPlaying());
  EXPECT_EQ(sound_.next_music(), "");
  EXPECT_EQ(media_.gain, Raw(100));

  // A music stopped by a fade-out does not loop.
  sound_.set_music_loop(1);
  sound_.StartFade("", kFadeOut);
  TicksToEnd();
  media_.End(0, MediaNotice::kAborted);
  EXPECT_FALSE(sound_.MusicPlaying());
}

TEST_F(SoundTest, WavEndsAFadeAndExitRestoresTheOutput) {
  sound_.Startup(80);
  sound_.BgmCommand("theme.mid");
  sound_.StartFade("", kFadeOut);
  for (int i = 0; i < 10; ++i) sound_.FadeStep();
  EXPECT_EQ(media_.gain, Raw(60));
  sound_.WavCommand("se.wav");
  EXPECT_EQ(sound_.fade_level(), 0u);
  EXPECT_EQ(media_.gain, Raw(80));
  EXPECT_TRUE(sound_.MusicPlaying());

  sound_.StartFade("", kFadeOut);
  for (int i = 0; i < 20; ++i) sound_.FadeStep();
  EXPECT_EQ(media_.gain, Raw(40));
  sound_.Shutdown();
  EXPECT_EQ(media_.gain, Raw(80));
  EXPECT_FALSE(sound_.MusicPlaying());
}

TEST_F(SoundTest, EmptyFadeInOnlyRestoresTheOutput) {
  sound_.Startup(100);
  sound_.BgmCommand("theme.mid");
  sound_.StartFade("", kFadeOut);
  sound_.FadeStep();
  sound_.StartFade("", kFadeIn);
  EXPECT_EQ(media_.gain, Raw(100));
  EXPECT_EQ(sound_.music_name(), "");
  EXPECT_GT(sound_.fade_level(), 0u);  // the fade-out already running goes on
  EXPECT_TRUE(sound_.MusicPlaying());
}

TEST_F(SoundTest, WithoutAMixerFadesNeverRun) {
  media_.has_mixer = false;
  sound_.Startup(100);
  EXPECT_EQ(sound_.user_volume(), 0u);
  sound_.StartFade("theme.mid", kFadeIn);
  EXPECT_TRUE(sound_.MusicPlaying());
  sound_.StartFade("next.mid", kFadeOut);
  EXPECT_EQ(TicksToEnd(), 0);
  EXPECT_TRUE(sound_.MusicPlaying());
  EXPECT_EQ(media_.music.open_path, "/game/theme.mid");
  EXPECT_TRUE(media_.gains.empty());
}

TEST_F(SoundTest, MusicVariableAndSaveFieldsFollowThePlayer) {
  EXPECT_FALSE(sound_.MusicPlaying());
  sound_.BgmCommand("theme.mid");
  sound_.WavCommand("se.wav");
  EXPECT_TRUE(sound_.MusicPlaying());
  SoundSave s = sound_.SaveFields();
  EXPECT_EQ(s.music_name, "/game/theme.mid");
  EXPECT_EQ(s.effect_name, "/game/se.wav");
  media_.End(0);
  media_.End(1);
  EXPECT_FALSE(sound_.MusicPlaying());
  s = sound_.SaveFields();
  EXPECT_EQ(s.music_name, "");
  EXPECT_EQ(s.effect_name, "");
  EXPECT_EQ(sound_.music_name(), "/game/theme.mid");  // ended music keeps its name

  nlohmann::ordered_json j;
  sound_.AddToDump(j);
  EXPECT_EQ(j["music_name"], "/game/theme.mid");
  EXPECT_EQ(j["music_playing"], false);
  EXPECT_FALSE(j.contains("movie"));
}

TEST_F(SoundTest, MovieIsCentredAndEndsByItself) {
  media_.music.video = {320, 240};
  int pumps = 0;
  host_.on_pump = [&] {
    if (++pumps == 5) {
      EXPECT_TRUE(host_.overlay_shown);
      EXPECT_EQ(host_.overlay_left, 160);
      EXPECT_EQ(host_.overlay_top, 120);
      EXPECT_EQ(host_.overlay_width, 320);
      nlohmann::ordered_json j;
      sound_.AddToDump(j);
      EXPECT_EQ(j["movie"]["x"], 160);
      EXPECT_EQ(j["movie"]["height"], 240);
      media_.End(0);
    }
  };
  sound_.BgmCommand("op.avi");
  EXPECT_EQ(pumps, 5);
  EXPECT_FALSE(host_.overlay_shown);
  EXPECT_FALSE(sound_.MovieShowing());
  EXPECT_EQ(sound_.music_name(), "/game/op.avi");
  EXPECT_GE(host_.overlay_shows, 2);  // the empty panel, then a picture

  host_.on_pump = [&] {
    EXPECT_EQ(host_.overlay_left, 0);
    EXPECT_EQ(host_.overlay_top, 0);
    media_.End(0);
  };
  sound_.BgmCommand("0,0,op.mpg");
}

TEST_F(SoundTest, HurryInputsAndPanelClickEndAMovie) {
  media_.music.video = {320, 240};
  for (HeldKey key : {HeldKey::kShift, HeldKey::kSpace, HeldKey::kReturn, HeldKey::kMiddleButton}) {
    int pumps = 0;
    host_.held.clear();
    host_.on_pump = [&] {
      if (++pumps == 3) host_.held.insert(key);
      ASSERT_LT(pumps, 100);
    };
    sound_.BgmCommand("op.mov");
    EXPECT_EQ(pumps, 3);
    EXPECT_FALSE(sound_.MusicPlaying());
    EXPECT_EQ(sound_.music_name(), "/game/op.mov");
  }
  host_.held.clear();

  // The left button outside the panel is not the panel's; a click on it is.
  int pumps = 0;
  bool outside_taken = true;
  host_.on_pump = [&] {
    ++pumps;
    if (pumps == 2) outside_taken = sound_.OnMouseDown(platform::MouseButton::kLeft, 100, 100);
    if (pumps == 4) {
      EXPECT_TRUE(sound_.OnMouseDown(platform::MouseButton::kRight, 200, 200));
    }
    if (pumps == 6) {
      EXPECT_TRUE(sound_.OnMouseDown(platform::MouseButton::kLeft, 200, 200));
    }
    ASSERT_LT(pumps, 100);
  };
  sound_.BgmCommand("op.QT");
  EXPECT_FALSE(outside_taken);
  EXPECT_EQ(pumps, 6);
  EXPECT_FALSE(sound_.OnMouseDown(platform::MouseButton::kLeft, 200, 200));
}

TEST_F(SoundTest, LoopingMovieReplaysUntilBrokenOff) {
  media_.music.video = {64, 48};
  sound_.set_music_loop(1);
  int pumps = 0;
  host_.on_pump = [&] {
    ++pumps;
    if (pumps % 3 == 0 && pumps < 12) media_.End(0);
    if (pumps == 13) host_.held.insert(HeldKey::kSpace);
    ASSERT_LT(pumps, 100);
  };
  sound_.BgmCommand("loop.mpeg");
  EXPECT_EQ(media_.music.plays, 4);  // the first play and three replays
  EXPECT_EQ(pumps, 13);
  EXPECT_FALSE(sound_.MusicPlaying());
  EXPECT_FALSE(host_.overlay_shown);
}

}  // namespace
}  // namespace zepa::sound
