// The sound room on the headless host with the silent players: loops and
// movies on the virtual clock, as headless runs of a game see them.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/headless/headless_host.h"
#include "platform/headless/image_writer.h"
#include "platform/headless/silent_media.h"
#include "platform/media_files.h"
#include "platform/sdl/sdl_media_probe.h"
#include "sound/sound.h"

namespace zepa::sound {
namespace {

namespace fs = std::filesystem;

// Routes what the pump hands out to the room, as the main window will.
class Router : public platform::InputHandler {
 public:
  explicit Router(Sound& sound) : sound_(sound) {}
  void OnKeyDown(int, bool, bool) override {}
  void OnMouseDown(platform::MouseButton b, int x, int y) override {
    if (!sound_.OnMouseDown(b, x, y)) ++clicks_missed;
  }
  void OnMouseMove(int, int) override {}
  void OnMouseWheel(int) override {}
  void OnTimer() override { sound_.FadeStep(); }
  void OnCloseRequest() override {}
  int clicks_missed = 0;

 private:
  Sound& sound_;
};

class HeadlessSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("zepa_hsound_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (host_) host_->SetHandler(nullptr);
    sound_.reset();
    media_.reset();
    host_.reset();
    fs::remove_all(dir_);
  }
  void Start(const std::string& events = "") {
    host_ = std::make_unique<platform::HeadlessHost>(platform::HeadlessOptions{});
    const auto loaded = host_->LoadEvents(events);
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    media_ = platform::CreateSilentMedia(*host_, probe_.get());
    sound_ = std::make_unique<Sound>(*host_, media_.get(), [this](std::string_view n) {
      return (dir_ / std::string(n)).string();
    });
    sound_->SetDisplay(&display_);
    router_ = std::make_unique<Router>(*sound_);
    host_->SetHandler(router_.get());
    host_->SetTimerIntervalMs(50);
    host_->SetTimerEnabled(true);
    sound_->Startup(100);
  }
  void PumpUntil(uint32_t ms) {
    while (host_->now() < ms && host_->Pump(true, ms)) {
    }
  }

  fs::path dir_;
  platform::Surface display_{640, 480, 0xffffff};
  std::unique_ptr<platform::MediaProbe> probe_ = platform::CreateSdlMediaProbe();
  std::unique_ptr<platform::HeadlessHost> host_;
  std::unique_ptr<platform::Media> media_;
  std::unique_ptr<Sound> sound_;
  std::unique_ptr<Router> router_;
};

TEST_F(HeadlessSoundTest, LoopRestartsAtTheEndOfTheFile) {
  platform::testing::WriteBytes(dir_ / "loop.wav", platform::testing::Wav(300));
  Start();
  sound_->set_music_loop(1);
  sound_->BgmCommand("loop.wav");
  PumpUntil(299);
  EXPECT_TRUE(sound_->MusicPlaying());
  PumpUntil(301);
  EXPECT_TRUE(sound_->MusicPlaying());  // restarted at 300
  sound_->set_music_loop(0);
  PumpUntil(599);
  EXPECT_TRUE(sound_->MusicPlaying());
  PumpUntil(601);
  EXPECT_FALSE(sound_->MusicPlaying());

  // A fade-out on the real tick: 100 / 40 = 2 a tick, 50 ticks.
  sound_->BgmCommand("loop.wav");
  sound_->set_music_loop(1);
  sound_->StartFade("", kFadeOut);
  const uint32_t start = host_->now();
  while (sound_->fade_level() > 0 && host_->now() < start + 5000) host_->Pump(true, start + 5000);
  EXPECT_NEAR(host_->now() - start, 2500, 50);
  EXPECT_FALSE(sound_->MusicPlaying());
  PumpUntil(host_->now() + 400);
  EXPECT_FALSE(sound_->MusicPlaying());
}

TEST_F(HeadlessSoundTest, MovieFramesFollowTheVirtualClock) {
  if (!platform::testing::HaveFfmpeg()) GTEST_SKIP() << "no ffmpeg command";
  ASSERT_TRUE(platform::testing::Ffmpeg(
      "-f lavfi -i color=c=red:size=320x240:rate=25:d=0.4 -f lavfi -i "
      "color=c=blue:size=320x240:rate=25:d=0.4 -filter_complex concat=n=2 "
      "-c:v mpeg1video " +
      (dir_ / "op.mpg").string()));
  // A shot at 200 ms shows red, one at 600 ms blue; a click beside the panel
  // changes nothing, holding Space at 700 ms ends the movie.
  Start("200 shot " + (dir_ / "a.png").string() + "\n600 shot " + (dir_ / "b.png").string() +
        "\n650 click 50 50\n700 hold Space 100\n");
  sound_->BgmCommand("op.mpg");
  EXPECT_NEAR(host_->now(), 700, 5);
  EXPECT_FALSE(sound_->MovieShowing());
  EXPECT_EQ(router_->clicks_missed, 1);
  // The shots show the movie centred over the white screen: red, then blue.
  const std::optional<platform::Surface> a = platform::ReadPng((dir_ / "a.png").string());
  const std::optional<platform::Surface> b = platform::ReadPng((dir_ / "b.png").string());
  ASSERT_TRUE(a && b);
  ASSERT_EQ(a->width, 640);
  ASSERT_EQ(b->height, 480);
  for (const auto& [shot, want_red] : {std::pair{&*a, true}, std::pair{&*b, false}}) {
    const uint32_t inside = shot->Get(320, 240);
    EXPECT_GT(want_red ? platform::RedOf(inside) : platform::BlueOf(inside), 200) << want_red;
    EXPECT_LT(want_red ? platform::BlueOf(inside) : platform::RedOf(inside), 60) << want_red;
    EXPECT_EQ(shot->Get(159, 240), 0xffffffu);  // just left of the panel
    EXPECT_NE(shot->Get(160, 240), 0xffffffu);
  }
  // After the movie nothing of it stays on what is shown.
  const platform::Surface after = host_->Composed();
  EXPECT_EQ(after.Get(320, 240), 0xffffffu);
}

TEST_F(HeadlessSoundTest, ComposedFrameDuringAMovie) {
  if (!platform::testing::HaveFfmpeg()) GTEST_SKIP() << "no ffmpeg command";
  ASSERT_TRUE(platform::testing::Ffmpeg(
      "-f lavfi -i color=c=red:size=320x240:rate=25:d=0.4 -f lavfi -i "
      "color=c=blue:size=320x240:rate=25:d=0.4 -filter_complex concat=n=2 "
      "-c:v mpeg1video " +
      (dir_ / "op.mpg").string()));
  Start();
  std::vector<std::pair<uint32_t, platform::Color>> seen;
  nlohmann::ordered_json dumped;
  // Looks at the screen every 100 ms from inside the movie's own pumps.
  struct Watch : platform::InputHandler {
    Watch(platform::HeadlessHost& h, Sound& s, decltype(seen)& v, nlohmann::ordered_json& d)
        : host(h), sound(s), out(v), dump(d) {}
    void OnKeyDown(int, bool, bool) override {}
    void OnMouseDown(platform::MouseButton, int, int) override {}
    void OnMouseMove(int, int) override {}
    void OnMouseWheel(int) override {}
    void OnTimer() override {
      if (!sound.MovieShowing() || host.now() % 100 != 0) return;
      out.emplace_back(host.now(), host.Composed().Get(320, 240));
      if (dump.empty()) sound.AddToDump(dump);
    }
    void OnCloseRequest() override {}
    platform::HeadlessHost& host;
    Sound& sound;
    decltype(seen)& out;
    nlohmann::ordered_json& dump;
  } watch(*host_, *sound_, seen, dumped);
  host_->SetHandler(&watch);
  sound_->BgmCommand("op.mpg");
  EXPECT_NEAR(host_->now(), 800, 50);  // the movie's own length
  ASSERT_GE(seen.size(), 6u);
  for (const auto& [t, c] : seen) {
    const int red = platform::RedOf(c), blue = platform::BlueOf(c);
    if (t <= 300) {
      EXPECT_GT(red, 200) << t;
    }
    if (t >= 500 && t <= 700) {
      EXPECT_GT(blue, 200) << t;
    }
  }
  EXPECT_EQ(dumped["movie"]["x"], 160);
  EXPECT_EQ(dumped["movie"]["y"], 120);
  EXPECT_EQ(dumped["movie"]["width"], 320);
  EXPECT_FALSE(sound_->MusicPlaying());
}

}  // namespace
}  // namespace zepa::sound
