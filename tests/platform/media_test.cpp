// The media backends: the silent players on the virtual clock, the SDL_mixer
// players on the dummy audio driver, CD folders and the movie decoder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/headless/headless_host.h"
#include "platform/headless/silent_media.h"
#include "platform/media_files.h"
#include "platform/sdl/audio_device.h"
#include "platform/sdl/movie_decoder.h"
#include "platform/sdl/sdl_host.h"
#include "platform/sdl/sdl_media.h"
#include "platform/sdl/sdl_media_probe.h"

namespace zepa::platform {
namespace {

namespace fs = std::filesystem;
using testing::Ffmpeg;
using testing::HaveFfmpeg;
using testing::Midi;
using testing::Wav;
using testing::WriteBytes;

// A status as a test shows it: its message when it failed.
::testing::AssertionResult Ok(const Status& status) {
  if (status.ok()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << status.message();
}

class MediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("zepa_media_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(MediaTest, SilentPlayersKeepRealLengthsOnTheVirtualClock) {
  WriteBytes(P("a.wav"), Wav(300));
  WriteBytes(P("theme.mid"), Midi(700));
  HeadlessHost host(HeadlessOptions{});
  auto probe = CreateSdlMediaProbe();
  auto media = CreateSilentMedia(host, probe.get());
  std::vector<std::pair<int, uint32_t>> notices;
  media->SetNoticeHandler([&](int player, MediaNotice n) {
    EXPECT_EQ(n, MediaNotice::kSuccessful);
    notices.emplace_back(player, host.now());
  });
  MediaPlayer& effect = media->Player(1);
  ASSERT_TRUE(Ok(effect.Open(P("a.wav"))));
  EXPECT_NEAR(effect.LengthMs(), 300, 2);
  MediaPlayer& music = media->Player(0);
  ASSERT_TRUE(Ok(music.Open(P("theme.mid"))));
  const uint32_t midi_ms = music.LengthMs();

  effect.Play(std::nullopt, std::nullopt);
  music.Play(std::nullopt, std::nullopt);
  EXPECT_EQ(effect.Mode(), MediaMode::kPlaying);
  while (notices.size() < 2 && host.now() < 5000) host.Pump(true, host.now() + 5000);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].first, 1);
  EXPECT_NEAR(notices[0].second, 300, 2);
  EXPECT_EQ(notices[1].second, std::max<uint32_t>(midi_ms, 1));
  EXPECT_EQ(effect.Mode(), MediaMode::kStopped);

  // A stop gives no notice, and the clock does not wait for one.
  effect.Play(std::nullopt, std::nullopt);
  effect.Stop();
  const uint32_t before = host.now();
  host.Pump(true, before + 1000);
  EXPECT_EQ(notices.size(), 2u);
  EXPECT_EQ(host.now(), before + 1000);
}

TEST_F(MediaTest, BadFilesAreRefusedOrBoundedNeverACrash) {
  WriteBytes(P("empty.wav"), "");
  WriteBytes(P("garbage.wav"), std::string(3000, '\x5a'));
  WriteBytes(P("truncated.wav"), Wav(300).substr(0, 60));
  WriteBytes(P("hour.wav"), Wav(20, 22050, 3600 * 1000).substr(0, 1024));
  fs::create_directories(dir_ / "dir.wav");
  std::string jpeg = "\xFF\xD8\xFF\xE0";
  jpeg += std::string("\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 16);
  jpeg += std::string(2000, '\x11');
  WriteBytes(P("photo.mp3"), jpeg);
  WriteBytes(P("many.mid"), Midi(200, 10000));
  WriteBytes(P("garbage.avi"), std::string(5000, '\x33'));
  WriteBytes(P("huge.mpg"),
             "YUV4MPEG2 W65535 H65535 F25:1 Ip A1:1 C420jpeg\nFRAME\n" + std::string(4000, '\x10'));
  WriteBytes(P("big.mov"),
             "YUV4MPEG2 W5000 H5000 F25:1 Ip A1:1 C420jpeg\nFRAME\n" + std::string(4000, '\x10'));

  HeadlessHost host(HeadlessOptions{});
  auto probe = CreateSdlMediaProbe();
  auto media = CreateSilentMedia(host, probe.get());
  auto sdl_media = CreateSdlMedia();
  for (MediaPlayer* player :
       {&media->Player(0), &media->Player(1), &sdl_media->Player(0), &sdl_media->Player(1)}) {
    for (const char* name : {"empty.wav", "garbage.wav", "dir.wav", "photo.mp3", "missing.ogg"}) {
      const Status opened = player->Open(P(name));
      EXPECT_FALSE(opened.ok()) << name;
      EXPECT_FALSE(opened.message().empty()) << name;
      EXPECT_EQ(player->Mode(), MediaMode::kNotReady) << name;
    }
    // A header claiming an hour over 1 KB of data: refused or only as long
    // as the data there is.
    for (const char* name : {"hour.wav", "truncated.wav"}) {
      if (player->Open(P(name)).ok()) {
        EXPECT_LT(player->LengthMs(), 1000u) << name;
        player->Close();
      }
    }
  }
  for (MediaPlayer* player : {&media->Player(0), &sdl_media->Player(0)}) {
    const auto start = std::chrono::steady_clock::now();
    if (player->Open(P("many.mid")).ok()) player->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    std::string error;
    for (const char* name : {"garbage.avi", "huge.mpg", "big.mov"}) {
      const Status opened = player->Open(P(name));
      EXPECT_FALSE(opened.ok()) << name;
      EXPECT_FALSE(opened.message().empty()) << name;
      EXPECT_EQ(player->MovieSize().width, 0);
      error = opened.message();
    }
    EXPECT_NE(error.find("5000 x 5000"), std::string::npos) << error;
  }
}

// Headers that would make a decoder divide by zero (no channels, no rate, a
// zero block) are refused by every player, and by the length probe the
// music player runs, with what is wrong; the sound file beside them plays.
TEST_F(MediaTest, WavesWithImpossibleHeadersAreRefusedBeforeDecoding) {
  const std::string good = Wav(200);
  auto zeroed = [&](size_t at, size_t bytes) {
    std::string s = good;
    s.replace(at, bytes, std::string(bytes, '\0'));
    return s;
  };
  WriteBytes(P("good.wav"), good);
  WriteBytes(P("mute.wav"), zeroed(22, 2));   // channels
  WriteBytes(P("still.wav"), zeroed(24, 4));  // sample rate
  WriteBytes(P("flat.wav"), zeroed(32, 2));   // block align
  const std::pair<const char*, const char*> bad[] = {
      {"mute.wav", "the header says 0 channels (1 to 8 play)"},
      {"still.wav", "the header says a sample rate of 0"},
      {"flat.wav", "the header says a block size of 0"},
  };
  HeadlessHost host(HeadlessOptions{});
  auto probe = CreateSdlMediaProbe();
  auto media = CreateSilentMedia(host, probe.get());
  auto sdl_media = CreateSdlMedia();
  for (MediaPlayer* player :
       {&media->Player(0), &media->Player(1), &sdl_media->Player(0), &sdl_media->Player(1)}) {
    for (const auto& [name, message] : bad) {
      const Status opened = player->Open(P(name));
      EXPECT_FALSE(opened.ok()) << name;
      EXPECT_EQ(opened.message(), message);
      EXPECT_EQ(player->Mode(), MediaMode::kNotReady) << name;
    }
    EXPECT_TRUE(Ok(player->Open(P("good.wav"))));
    EXPECT_NEAR(player->LengthMs(), 200, 5);
    player->Close();
  }
  EXPECT_EQ(ProbeMusicLength(P("mute.wav")).message(), "the header says 0 channels (1 to 8 play)");
  EXPECT_EQ(ProbeChunkLength(P("flat.wav")).message(), "the header says a block size of 0");
}

TEST_F(MediaTest, CdTracksByTheirFileNames) {
  WriteBytes(P("cd/Track01.OGG"), "x");
  WriteBytes(P("cd/track2.wav"), "x");
  WriteBytes(P("cd/track_3.mp3"), "x");
  WriteBytes(P("cd/TRACK_04.flac"), "x");
  WriteBytes(P("cd/track5.mid"), "x");  // not a track extension
  WriteBytes(P("cd/track06.wav"), "x");
  WriteBytes(P("cd/track6.ogg"), "x");  // trackN comes before trackNN
  fs::create_directories(dir_ / "cd/track7.wav");
  const std::map<int, std::string> tracks = FindCdTracks(P("cd"));
  ASSERT_EQ(tracks.size(), 5u);
  EXPECT_EQ(fs::path(tracks.at(1)).filename(), "Track01.OGG");
  EXPECT_EQ(fs::path(tracks.at(2)).filename(), "track2.wav");
  EXPECT_EQ(fs::path(tracks.at(3)).filename(), "track_3.mp3");
  EXPECT_EQ(fs::path(tracks.at(4)).filename(), "TRACK_04.flac");
  EXPECT_EQ(fs::path(tracks.at(6)).filename(), "track6.ogg");

  // The silent CD player lays real tracks end to end.
  WriteBytes(P("disc/track1.wav"), Wav(400));
  WriteBytes(P("disc/track2.wav"), Wav(250));
  HeadlessHost host(HeadlessOptions{});
  auto probe = CreateSdlMediaProbe();
  auto media = CreateSilentMedia(host, probe.get());
  MediaPlayer& music = media->Player(0);
  ASSERT_TRUE(Ok(music.OpenCd(P("disc"))));
  EXPECT_EQ(music.Mode(), MediaMode::kStopped);
  const auto span = music.CdTrack(2);
  ASSERT_TRUE(span);
  EXPECT_NEAR(span->start_ms, 400, 2);
  EXPECT_NEAR(span->length_ms, 250, 2);
  EXPECT_FALSE(music.CdTrack(3));
  ASSERT_TRUE(Ok(music.OpenCd(P("cd/track7.wav"))));  // a folder without tracks: no disc
  EXPECT_EQ(music.Mode(), MediaMode::kNotReady);
  EXPECT_EQ(music.OpenCd(P("nowhere")).code(), StatusCode::kMissing);
}

// True while SDL runs an audio thread in this process (its threads are
// named SDLAudio...).
bool AudioThreadRunning() {
  std::error_code ec;
  for (auto it = fs::directory_iterator("/proc/self/task", ec);
       !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::ifstream comm(it->path() / "comm");
    std::string name;
    std::getline(comm, name);
    if (name.rfind("SDLAudio", 0) == 0) return true;
  }
  return false;
}

size_t ThreadCount() {
  size_t n = 0;
  std::error_code ec;
  for (auto it = fs::directory_iterator("/proc/self/task", ec);
       !ec && it != fs::directory_iterator(); it.increment(ec))
    ++n;
  return n;
}

// The audio thread names itself once it runs, a moment after the device
// opens.
bool AudioThreadStarts() {
  for (int i = 0; i < 200; ++i) {
    if (AudioThreadRunning()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// A headless run that never asks a length starts no audio device; the first
// length opens one (the dummy driver) and the probe's end closes it.
TEST_F(MediaTest, SilentPlayersOpenAudioOnlyForALength) {
  WriteBytes(P("a.wav"), Wav(300));
  WriteBytes(P("cd/track1.wav"), Wav(200));
  ASSERT_FALSE(AudioThreadRunning());
  // A thread is listed as soon as it exists, before it names itself.
  const size_t threads = ThreadCount();
  auto probe = CreateSdlMediaProbe();
  HeadlessHost host(HeadlessOptions{});
  auto media = CreateSilentMedia(host, probe.get());
  ASSERT_TRUE(Ok(media->Player(0).OpenCd(P("cd"))));
  EXPECT_EQ(ThreadCount(), threads) << "made, opened a CD, no length asked yet";
  ASSERT_TRUE(Ok(media->Player(1).Open(P("a.wav"))));
  EXPECT_NEAR(media->Player(1).LengthMs(), 300, 2);
  EXPECT_TRUE(AudioThreadStarts());
  media.reset();
  probe.reset();
  EXPECT_EQ(ThreadCount(), threads);

  // Without a probe files still open and end at once; movies are refused.
  WriteBytes(P("op.mpg"), "x");
  auto bare = CreateSilentMedia(host, nullptr);
  ASSERT_TRUE(Ok(bare->Player(0).Open(P("a.wav"))));
  EXPECT_EQ(bare->Player(0).LengthMs(), 0u);
  const Status no_movie = bare->Player(0).Open(P("op.mpg"));
  EXPECT_NE(no_movie.message().find("no movie decoder"), std::string::npos) << no_movie.message();
  EXPECT_EQ(bare->Player(1).Open(P("missing.wav")).code(), StatusCode::kMissing);
  EXPECT_EQ(ThreadCount(), threads);
}

// The real SDL audio path: notices of both players reach the game thread
// from the pump, at the end of play; a stop gives none.
TEST_F(MediaTest, SdlNoticesReachTheGameThread) {
  WriteBytes(P("short.wav"), Wav(200));
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  auto host = CreateSdlHost(SdlOptions{});
  ASSERT_TRUE(host);
  {
    auto media = CreateSdlMedia();
    ASSERT_TRUE(media->OpenMixer());
    const auto game_thread = std::this_thread::get_id();
    std::vector<std::pair<int, uint32_t>> notices;
    media->SetNoticeHandler([&](int player, MediaNotice n) {
      EXPECT_EQ(std::this_thread::get_id(), game_thread);
      EXPECT_EQ(n, MediaNotice::kSuccessful);
      notices.emplace_back(player, host->NowMs());
    });
    ASSERT_TRUE(Ok(media->Player(0).Open(P("short.wav"))));
    ASSERT_TRUE(Ok(media->Player(1).Open(P("short.wav"))));
    EXPECT_NEAR(media->Player(1).LengthMs(), 200, 2);
    const uint32_t start = host->NowMs();
    ASSERT_TRUE(media->Player(0).Play(std::nullopt, std::nullopt));
    ASSERT_TRUE(media->Player(1).Play(std::nullopt, std::nullopt));
    EXPECT_EQ(media->Player(0).Mode(), MediaMode::kPlaying);
    while (notices.size() < 2 && host->NowMs() - start < 3000) host->Pump(true, host->NowMs() + 50);
    ASSERT_EQ(notices.size(), 2u);
    for (const auto& [player, at] : notices) {
      EXPECT_GE(at - start, 150u) << player;
      EXPECT_LT(at - start, 1000u) << player;
    }
    EXPECT_EQ(media->Player(0).Mode(), MediaMode::kStopped);

    ASSERT_TRUE(media->Player(1).Play(std::nullopt, std::nullopt));
    media->Player(1).Stop();
    const uint32_t stopped = host->NowMs();
    while (host->NowMs() - stopped < 400) host->Pump(true, host->NowMs() + 50);
    EXPECT_EQ(notices.size(), 2u);
  }
}

// The player's own levels scale what each player plays, measured in what
// the mixer wrote out (SDL's disk driver), and leave the output gain that
// the game reads and fades alone.
TEST_F(MediaTest, SdlPlayerLevelsScaleTheirOwnSoundOnly) {
  WriteBytes(P("tone.wav"), Wav(250));
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", P("out.raw").c_str(), 1);
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  auto host = CreateSdlHost(SdlOptions{});
  ASSERT_TRUE(host);
  {
    auto media = CreateSdlMedia();
    ASSERT_TRUE(media->OpenMixer());
    for (int player : {0, 1}) {
      const Status opened = media->Player(player).Open(P("tone.wav"));
      ASSERT_TRUE(opened.ok()) << opened.message();
    }
    const auto play = [&](int player, int percent) {
      media->Player(player).SetVolumePercent(percent);
      ASSERT_TRUE(media->Player(player).Play(std::nullopt, std::nullopt));
      const uint32_t start = host->NowMs();
      while (media->Player(player).Mode() == MediaMode::kPlaying && host->NowMs() - start < 3000)
        host->Pump(true, host->NowMs() + 20);
      // A gap of silence between the bursts.
      const uint32_t end = host->NowMs();
      while (host->NowMs() - end < 150) host->Pump(true, host->NowMs() + 20);
    };
    play(1, 100);
    play(1, 25);
    play(0, 50);
    uint32_t gain = 0;
    ASSERT_TRUE(media->ReadGain(&gain));
    EXPECT_EQ(gain, Media::kGainMax);
  }
  host.reset();
  unsetenv("SDL_DISKAUDIOFILE");
  setenv("SDL_AUDIODRIVER", "dummy", 1);

  // The loudest sample of each burst, bursts parted by 50 ms of silence.
  std::ifstream in(P("out.raw"), std::ios::binary);
  std::vector<int16_t> samples;
  for (int16_t v; in.read(reinterpret_cast<char*>(&v), sizeof v);) samples.push_back(v);
  std::vector<int> peaks;
  size_t quiet = 1u << 30;
  for (const int16_t v : samples) {
    if (std::abs(v) < 64) {
      ++quiet;
      continue;
    }
    if (quiet > 44100 * 2 / 20) peaks.push_back(0);
    quiet = 0;
    peaks.back() = std::max(peaks.back(), std::abs(static_cast<int>(v)));
  }
  ASSERT_EQ(peaks.size(), 3u);
  EXPECT_NEAR(peaks[0], 12000, 600);
  EXPECT_NEAR(peaks[1], 3000, 300);
  EXPECT_NEAR(peaks[2], 6000, 400);
}

// A movie on the SDL music player: pictures while it plays, its sound on the
// music stream, and a notice from the pump when its time is up.
TEST_F(MediaTest, SdlMoviePlaysForItsLength) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "no ffmpeg command";
  ASSERT_TRUE(
      Ffmpeg("-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=frequency=440 -t 0.4 "
             "-c:v mpeg1video -c:a mp2 " +
             P("op.mpg")));
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  auto host = CreateSdlHost(SdlOptions{});
  ASSERT_TRUE(host);
  {
    auto media = CreateSdlMedia();
    int notices = 0;
    media->SetNoticeHandler([&](int player, MediaNotice) { notices += player == 0 ? 1 : 100; });
    MediaPlayer& music = media->Player(0);
    ASSERT_TRUE(Ok(music.Open(P("op.mpg"))));
    EXPECT_EQ(music.MovieSize().width, 160);
    ASSERT_TRUE(music.Play(std::nullopt, std::nullopt));
    const uint32_t start = host->NowMs();
    int pictures = 0;
    Surface frame;
    while (music.Mode() == MediaMode::kPlaying && host->NowMs() - start < 3000) {
      host->Pump(true, host->NowMs() + 10);
      pictures += music.TakeFrame(&frame) ? 1 : 0;
    }
    const uint32_t took = host->NowMs() - start;
    EXPECT_GE(took, 350u);
    EXPECT_LT(took, 1000u);
    EXPECT_GE(pictures, 5);
    while (notices == 0 && host->NowMs() - start < 3000) host->Pump(true, host->NowMs() + 10);
    EXPECT_EQ(notices, 1);
    music.Close();
  }
}

TEST_F(MediaTest, MovieDecoderGivesPicturesAtTheirTimes) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "no ffmpeg command";
  ASSERT_TRUE(
      Ffmpeg("-f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440 -t 0.6 "
             "-c:v mpeg1video -c:a mp2 " +
             P("op.mpg")));
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=frequency=440 -t 0.5 " + P("sound.avi")));
  const auto soundless = MovieDecoder::Open(P("sound.avi"));
  EXPECT_FALSE(soundless.ok());
  EXPECT_EQ(soundless.message(), "the file has no video stream");

  auto opened = MovieDecoder::Open(P("op.mpg"));
  ASSERT_TRUE(opened.ok()) << opened.message();
  std::unique_ptr<MovieDecoder>& movie = *opened;
  EXPECT_EQ(movie->size().width, 320);
  EXPECT_EQ(movie->size().height, 240);
  EXPECT_NEAR(movie->duration_ms(), 600, 60);
  EXPECT_TRUE(movie->has_audio());
  Surface frame;
  ASSERT_TRUE(movie->FrameAt(0, &frame));
  EXPECT_EQ(frame.width, 320);
  EXPECT_FALSE(movie->FrameAt(0, &frame));  // the same picture again
  const std::optional<uint32_t> next = movie->NextFrameMs();
  ASSERT_TRUE(next);
  EXPECT_NEAR(*next, 40, 2);
  // testsrc draws colour bars: the picture is not one flat colour.
  EXPECT_NE(frame.Get(10, 10), frame.Get(300, 10));
  int pictures = 1;
  for (uint32_t t = 40; t <= 1000; t += 40) pictures += movie->FrameAt(t, &frame) ? 1 : 0;
  EXPECT_NEAR(pictures, 15, 1);
  EXPECT_FALSE(movie->NextFrameMs());
  movie->Rewind();
  EXPECT_TRUE(movie->FrameAt(0, &frame));
  // The sound comes in pieces of whatever size the device asks for, to its
  // end, and holds the tone.
  const std::unique_ptr<MovieSound> sound = movie->OpenSound(44100);
  ASSERT_TRUE(sound);
  std::vector<int16_t> piece(1001);
  size_t values = 0;
  int loudest = 0;
  for (int i = 0; i < 100000 && !sound->ended(); ++i) {
    const size_t got = sound->Read(piece.data(), piece.size());
    for (size_t k = 0; k < got; ++k) loudest = std::max(loudest, std::abs(int{piece[k]}));
    values += got;
  }
  EXPECT_TRUE(sound->ended());
  EXPECT_EQ(sound->Read(piece.data(), piece.size()), 0u);
  EXPECT_NEAR(static_cast<double>(values), 44100 * 2 * 0.6, 44100 * 2 * 0.1);
  EXPECT_GT(loudest, 1000);
}

// A long file's length comes from its first pictures and its last packets,
// read near its end, in both kinds of container (entered there by bytes and
// by time): it must be the one a read of the whole file gives, the sound's
// end included where it outlasts the pictures.
TEST_F(MediaTest, LongMoviesHaveTheLengthOfTheirLastSoundOrPicture) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "no ffmpeg command";
  const std::string inputs =
      "-f lavfi -i testsrc=size=320x240:rate=25:d=10,noise=alls=60:allf=t -f lavfi -i "
      "sine=frequency=440:d=10.5 ";
  ASSERT_TRUE(Ffmpeg(inputs + "-c:v mpeg1video -q:v 2 -c:a mp2 " + P("long.mpg")));
  ASSERT_TRUE(Ffmpeg(inputs + "-c:v mpeg4 -q:v 2 -c:a aac -f mov " + P("long.mov")));
  for (const char* name : {"long.mpg", "long.mov"}) {
    SCOPED_TRACE(name);
    // Smaller files are read whole: these must take the other way.
    ASSERT_GT(std::filesystem::file_size(P(name)), 5u << 20);
    auto opened = MovieDecoder::Open(P(name));
    ASSERT_TRUE(opened.ok()) << opened.message();
    std::unique_ptr<MovieDecoder>& movie = *opened;
    EXPECT_NEAR(movie->duration_ms(), 10500, 60);
  }
}

// Picture widths that are not a multiple of the scaler's vector width, odd
// and even heights: every picture of two movies in a row decodes whole (a
// scaler handed packed lines leaves some sizes black), and nothing is
// written past the picture (which would end in a heap fault at the next
// free).
TEST_F(MediaTest, MoviesOfAnyWidthDecodeWithoutOverrunningThePicture) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "no ffmpeg command";
  // One ffmpeg run makes every size from one source.
  std::string graph = "[0]split=101";
  for (int i = 0; i <= 100; ++i) graph += "[s" + std::to_string(i) + "]";
  std::string outputs;
  std::vector<VideoSize> sizes;
  for (int i = 0; i <= 100; ++i) {
    const VideoSize size{160 + 2 * i, i % 2 == 0 ? 120 : 101 + 2 * (i % 5)};
    sizes.push_back(size);
    graph += ";[s" + std::to_string(i) + "]scale=" + std::to_string(size.width) + ":" +
             std::to_string(size.height) + "[o" + std::to_string(i) + "]";
    outputs += " -map [o" + std::to_string(i) + "] -c:v mpeg1video " +
               P("w" + std::to_string(size.width) + ".mpg");
  }
  ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=size=360x111:rate=25:d=0.12 -filter_complex \"" + graph +
                     "\"" + outputs));
  for (const VideoSize& size : sizes) {
    SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
    for (int round = 0; round < 2; ++round) {
      auto opened = MovieDecoder::Open(P("w" + std::to_string(size.width) + ".mpg"));
      ASSERT_TRUE(opened.ok()) << opened.message();
      std::unique_ptr<MovieDecoder>& movie = *opened;
      ASSERT_EQ(movie->size().width, size.width);
      ASSERT_EQ(movie->size().height, size.height);
      auto frame = std::make_unique<Surface>();
      // The second round decodes into a picture of the right size whose
      // allocation goes on past its last line with marked bytes: the
      // scaler's library is not instrumented, so only the marks show a
      // write past the end.
      constexpr size_t kMarks = 64;
      const size_t bytes = static_cast<size_t>(size.width) * size.height * 3;
      if (round == 1) {
        frame->Reset(size.width, size.height, 0);
        frame->pixels.resize(bytes + kMarks, 0xa5);
        frame->pixels.resize(bytes);
      }
      int pictures = 0;
      for (uint32_t t = 0; t <= 200; t += 40) pictures += movie->FrameAt(t, frame.get()) ? 1 : 0;
      EXPECT_EQ(pictures, 3);
      if (round == 1) {
        ASSERT_GE(frame->pixels.capacity(), bytes + kMarks);
        const uint8_t* past = frame->pixels.data() + bytes;
        EXPECT_EQ(std::count(past, past + kMarks, 0xa5), static_cast<long>(kMarks))
            << "the decoder wrote past the picture's last line";
      }
      ASSERT_EQ(frame->width, size.width);
      ASSERT_EQ(frame->height, size.height);
      // testsrc's bars reach the last column and the bottom line.
      EXPECT_NE(frame->Get(size.width - 1, 0), frame->Get(0, 0));
      EXPECT_NE(frame->Get(size.width - 1, size.height - 1), 0u);
    }
  }
}

}  // namespace
}  // namespace zepa::platform
