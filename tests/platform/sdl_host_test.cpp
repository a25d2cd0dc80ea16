// The SDL host on the dummy video driver: real clock, no screen.
#include "platform/sdl/sdl_host.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/game_rect.h"
#include "platform/recording_handler.h"
#include "platform/sdl/keymap.h"
#include "platform/system.h"

namespace zepa::platform {
namespace {

using ::testing::ElementsAre;
using testing::RecordingHandler;

std::unique_ptr<Host> DummyHost(int scale = 1, std::optional<ScaleMode> scaling = std::nullopt) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  return CreateSdlHost(SdlOptions{scale, scaling});
}

// Pumps until `ms` of real time have passed.
void PumpFor(Host& host, uint32_t ms) {
  const uint32_t deadline = host.NowMs() + ms;
  while (host.Pump(true, deadline) && static_cast<int32_t>(host.NowMs() - deadline) < 0) {
  }
}

SDL_Window* TheWindow() {
  for (Uint32 id = 1; id < 10000; ++id) {
    if (SDL_Window* w = SDL_GetWindowFromID(id)) return w;
  }
  return nullptr;
}

// A host whose window is open, with a handler recording what reaches it.
// The display outlives the host, as the game's does: the host shows it
// again whenever the window needs painting.
struct ShownHost {
  Surface display{640, 480};
  std::unique_ptr<Host> host;
  std::unique_ptr<RecordingHandler> handler;
  SDL_Window* window = nullptr;
  Uint32 id = 0;

  explicit ShownHost(std::unique_ptr<Host> h) : host(std::move(h)) {
    if (!host) return;
    handler = std::make_unique<RecordingHandler>(host.get());
    host->SetHandler(handler.get());
    host->Present(display);
    window = TheWindow();
    if (window) id = SDL_GetWindowID(window);
  }
  bool Ok() const { return window != nullptr; }

  void PushClick(int x, int y, Uint8 button = SDL_BUTTON_LEFT) const {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = id;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
  }
};

TEST(SdlHost, TimerFiresOnTheRealClockOnlyWhileEnabled) {
  auto host = DummyHost();
  ASSERT_NE(host, nullptr);
  RecordingHandler handler(host.get());
  host->SetHandler(&handler);
  Surface s(640, 480, MakeColor(0, 0, 255));
  host->Present(s);

  host->SetTimerIntervalMs(20);
  host->SetTimerEnabled(true);
  const uint32_t start = host->NowMs();
  PumpFor(*host, 300);
  const uint32_t elapsed = host->NowMs() - start;
  EXPECT_GE(elapsed, 300u);
  EXPECT_LT(elapsed, 1000u);  // the deadline ends the wait (loose: a shared machine)
  // 15 at most; a loaded machine coalesces late ticks into fewer.
  EXPECT_GE(handler.timer_calls, 5);
  EXPECT_LE(handler.timer_calls, 15);

  host->SetTimerEnabled(false);
  const int before = handler.timer_calls;
  PumpFor(*host, 100);
  EXPECT_EQ(handler.timer_calls, before);
  EXPECT_FALSE(host->OutOfScriptedInput());
  EXPECT_FALSE(host->IsHeld(HeldKey::kSpace));
  EXPECT_FALSE(host->IsHeld(HeldKey::kMiddleButton));
}

TEST(SdlHost, PresentWaitsForTheNextRefresh) {
  auto host = DummyHost();
  ASSERT_NE(host, nullptr);
  Surface s(640, 480);
  host->Present(s);
  const uint32_t start = host->NowMs();
  for (int i = 0; i < 10; ++i) host->Present(s);
  EXPECT_GE(host->NowMs() - start, 100u);  // at most ~60 frames a second
}

// An exposed window shows again what was pushed last, also when that was a
// cross-fade's frame, which leaves no copy to compare the next one with. The
// dummy driver writes each window update as a picture when asked to.
TEST(SdlHost, AnExposedWindowShowsTheLastFadeFrameAgain) {
  ShownHost shown(DummyHost());
  ASSERT_TRUE(shown.Ok());
  Surface fade(640, 480, 0);
  for (size_t i = 0; i < fade.pixels.size(); i += 3) fade.pixels[i + 2] = 200;  // red
  shown.host->PresentWholeFrame(fade);

  namespace fs = std::filesystem;
  const fs::path folder =
      fs::temp_directory_path() / ("zepa-expose-" + std::to_string(SDL_GetTicks64()));
  fs::create_directories(folder);
  const fs::path here = fs::current_path();
  fs::current_path(folder);
  setenv("SDL_VIDEO_DUMMY_SAVE_FRAMES", "1", 1);
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = shown.id;
  e.window.event = SDL_WINDOWEVENT_EXPOSED;
  SDL_PushEvent(&e);
  shown.host->Pump(true, shown.host->NowMs() + 50);
  unsetenv("SDL_VIDEO_DUMMY_SAVE_FRAMES");
  std::vector<std::string> saved;
  for (const auto& entry : fs::directory_iterator(folder)) saved.push_back(entry.path().string());
  fs::current_path(here);
  ASSERT_EQ(saved.size(), 1u);
  SDL_Surface* picture = SDL_LoadBMP(saved[0].c_str());
  ASSERT_NE(picture, nullptr);
  SDL_Surface* rgb = SDL_ConvertSurfaceFormat(picture, SDL_PIXELFORMAT_RGB24, 0);
  ASSERT_NE(rgb, nullptr);
  const auto* middle = static_cast<const uint8_t*>(rgb->pixels) + 240 * rgb->pitch + 320 * 3;
  EXPECT_EQ(middle[0], 200);
  EXPECT_EQ(middle[1], 0);
  SDL_FreeSurface(rgb);
  SDL_FreeSurface(picture);
  fs::remove_all(folder);
}

TEST(SdlHost, DispatchesInputInDisplayCoordinatesAndDiscardsOnRequest) {
  ShownHost shown(DummyHost(2));
  ASSERT_TRUE(shown.Ok());
  Host* host = shown.host.get();
  RecordingHandler& handler = *shown.handler;
  const Uint32 id = shown.id;
  // The dummy screen (1024 x 768) cannot hold a doubled window, which opens
  // smaller; the player may still make it that large.
  SDL_SetWindowSize(shown.window, 1280, 960);

  auto push_key = [&](SDL_Keycode key, Uint16 mod) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = id;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
  };
  shown.PushClick(200, 100, SDL_BUTTON_LEFT);  // window pixels at scale 2
  push_key(SDLK_l, KMOD_LCTRL);
  push_key(SDLK_KP_ENTER, KMOD_RSHIFT);
  shown.PushClick(10, 10, SDL_BUTTON_X1);  // no such button in the game
  host->Pump(true, host->NowMs() + 100);
  ASSERT_EQ(handler.log.size(), 3u);
  EXPECT_THAT(handler.log[0], ::testing::EndsWith("down left 100,50"));
  EXPECT_THAT(handler.log[1], ::testing::EndsWith("key 76 ctrl"));
  EXPECT_THAT(handler.log[2], ::testing::EndsWith("key 13 shift"));

  handler.log.clear();
  shown.PushClick(20, 20, SDL_BUTTON_RIGHT);
  push_key(SDLK_SPACE, 0);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  host->DiscardInput();
  EXPECT_FALSE(host->Pump(true, host->NowMs() + 100));
  ASSERT_EQ(handler.log.size(), 1u);  // the close request survives the discard
  EXPECT_THAT(handler.log[0], ::testing::EndsWith("close"));
  EXPECT_TRUE(host->Closed());
}

// The window resized to any shape maps clicks and moves back to the game's
// pixels, drops those on the bars, and keeps a kept size within the screen.
TEST(SdlHost, ClicksInAResizedWindowLandOnTheGamePixelBelowThem) {
  ShownHost shown(DummyHost(0, ScaleMode::kInteger));
  ASSERT_TRUE(shown.Ok());
  Host* host = shown.host.get();
  RecordingHandler& handler = *shown.handler;
  SDL_Window* window = shown.window;
  const Uint32 id = shown.id;
  auto click = [&](int x, int y) {
    shown.PushClick(x, y);
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = id;
    e.motion.x = x;
    e.motion.y = y;
    SDL_PushEvent(&e);
  };
  struct Row {
    int w, h;
    ScaleMode mode;
    int x, y;
    const char* want;  // nullptr: on a bar
  };
  const Row rows[] = {
      {640, 480, ScaleMode::kInteger, 639, 479, "639,479"},
      // Integer mode at 1000 x 700: 1x centred with bars of 180 and 110 px.
      {1000, 700, ScaleMode::kInteger, 180, 110, "0,0"},
      {1000, 700, ScaleMode::kInteger, 179, 300, nullptr},
      {1000, 700, ScaleMode::kInteger, 500, 589, "320,479"},
      // Sharp at 1000 x 600: 800 x 600 from x 100, factor 1.25.
      {1000, 600, ScaleMode::kSharp, 100, 0, "0,0"},
      {1000, 600, ScaleMode::kSharp, 899, 599, "639,479"},
      {1000, 600, ScaleMode::kSharp, 900, 10, nullptr},
      {1000, 600, ScaleMode::kSharp, 600, 300, "400,240"},
      // Tall: 700 x 525 from y 137.
      {700, 800, ScaleMode::kNearest, 350, 137, "320,0"},
      {700, 800, ScaleMode::kNearest, 350, 136, nullptr},
      {700, 800, ScaleMode::kSmooth, 699, 661, "639,479"},
  };
  for (const Row& r : rows) {
    host->SetScaleMode(r.mode);
    SDL_SetWindowSize(window, r.w, r.h);
    click(r.x, r.y);
    handler.log.clear();
    host->Pump(true, host->NowMs() + 20);
    const std::optional<WindowView> view = host->DescribeWindow();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->width, r.w);
    EXPECT_EQ(view->game_rect, FitGameRect(r.w, r.h, 640, 480, r.mode));
    if (r.want) {
      ASSERT_EQ(handler.log.size(), 2u) << r.w << "x" << r.h << " " << r.x << "," << r.y;
      EXPECT_THAT(handler.log[0], ::testing::EndsWith(std::string("down left ") + r.want));
      EXPECT_THAT(handler.log[1], ::testing::EndsWith(std::string("move ") + r.want));
    } else {
      EXPECT_TRUE(handler.log.empty()) << r.w << "x" << r.h << " " << handler.log[0];
    }
  }
  EXPECT_EQ(host->CurrentWindowLook(), std::nullopt);  // the dummy driver has no screen

  // A size kept from a larger screen comes back no larger than this one.
  host->RestoreWindowLook({4000, 3000, false});
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_LE(w, 1024);
  EXPECT_LE(h, 768);
  EXPECT_GE(w, 320);
}

// A middle click or key tap that goes down and up between two looks at the
// key state (a movie pumps, then looks) counts as held at the next look.
TEST(SdlHost, ATapBetweenTwoLooksReadsAsHeldOnce) {
  auto host = DummyHost();
  ASSERT_NE(host, nullptr);
  Surface s(640, 480);
  host->Present(s);
  SDL_Window* window = TheWindow();
  ASSERT_NE(window, nullptr);
  auto push = [&](Uint32 type, SDL_Keycode key, Uint8 button) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
      e.key.windowID = SDL_GetWindowID(window);
      e.key.keysym.sym = key;
    } else {
      e.button.windowID = SDL_GetWindowID(window);
      e.button.button = button;
    }
    SDL_PushEvent(&e);
  };
  EXPECT_FALSE(host->IsHeld(HeldKey::kMiddleButton));
  push(SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_MIDDLE);
  push(SDL_MOUSEBUTTONUP, 0, SDL_BUTTON_MIDDLE);
  push(SDL_KEYDOWN, SDLK_RETURN, 0);
  push(SDL_KEYUP, SDLK_RETURN, 0);
  host->Pump(true, host->NowMs() + 5);
  EXPECT_TRUE(host->IsHeld(HeldKey::kMiddleButton));
  EXPECT_FALSE(host->IsHeld(HeldKey::kMiddleButton));
  EXPECT_TRUE(host->IsHeld(HeldKey::kReturn));
  EXPECT_FALSE(host->IsHeld(HeldKey::kSpace));
  // Discarded input takes its taps along.
  push(SDL_KEYDOWN, SDLK_SPACE, 0);
  host->DiscardInput();
  EXPECT_FALSE(host->IsHeld(HeldKey::kSpace));
}

TEST(SdlHost, KeyMapGivesWindowsVirtualKeys) {
  const std::vector<std::pair<SDL_Keycode, int>> table = {
      {SDLK_RETURN, 0x0D}, {SDLK_KP_ENTER, 0x0D}, {SDLK_LSHIFT, 0x10}, {SDLK_RSHIFT, 0x10},
      {SDLK_LCTRL, 0x11},  {SDLK_ESCAPE, 0x1B},   {SDLK_SPACE, 0x20},  {SDLK_LEFT, 0x25},
      {SDLK_UP, 0x26},     {SDLK_RIGHT, 0x27},    {SDLK_DOWN, 0x28},   {SDLK_F1, 0x70},
      {SDLK_F11, 0x7A},    {SDLK_F12, 0x7B},      {SDLK_a, 0x41},      {SDLK_z, 0x5A},
      {SDLK_0, 0x30},      {SDLK_9, 0x39},        {SDLK_KP_0, 0x60},   {SDLK_KP_9, 0x69},
      {SDLK_F13, 0x7C},    {SDLK_UNKNOWN, 0},     {SDLK_MUTE, 0},
  };
  for (const auto& [key, vk_code] : table) EXPECT_EQ(VirtualKeyFromSdl(key), vk_code) << key;
}

// An idle engine must sleep: pumping for 2 s with the 50 ms timer on. The
// timer's exact count is the tick scheduler's test, on a clock of its own;
// here the margins are wide, for a machine shared with other work: a
// spinning pump takes a whole core, a stalled timer fires not at all.
TEST(SdlHost, IdlePumpUsesNextToNoCpu) {
  auto host = DummyHost();
  ASSERT_NE(host, nullptr);
  RecordingHandler handler(host.get());
  host->SetHandler(&handler);
  host->SetTimerIntervalMs(50);
  host->SetTimerEnabled(true);
  const double cpu_start = ProcessCpuSeconds();
  const uint32_t wall_start = host->NowMs();
  const uint32_t deadline = wall_start + 2000;
  while (static_cast<int32_t>(host->NowMs() - deadline) < 0) host->Pump(false, 0);
  const double cpu_ms = 1000.0 * (ProcessCpuSeconds() - cpu_start);
  const double wall_ms = host->NowMs() - wall_start;
  const double percent = 100.0 * cpu_ms / wall_ms;
  std::printf("idle pump: %.1f ms CPU in %.0f ms, %.2f %% of one core, %d ticks\n", cpu_ms, wall_ms,
              percent, handler.timer_calls);
  RecordProperty("cpu_percent", std::to_string(percent));
  EXPECT_GE(handler.timer_calls, 20);
  EXPECT_LT(percent, 25.0);
}

}  // namespace
}  // namespace zepa::platform
