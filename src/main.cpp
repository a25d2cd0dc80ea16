// zepa: picks a backend, reads the command line and runs the main window.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/explore.h"
#include "check/new_game.h"
#include "display/picture.h"
#include "engine/config.h"
#include "engine/main_window.h"
#include "engine/title_window.h"
#include "platform/file_watch.h"
#include "platform/files.h"
#include "platform/headless/headless_host.h"
#include "platform/headless/image_writer.h"
#include "platform/headless/silent_media.h"
#include "platform/headless/stop_signals.h"
#include "platform/log.h"
#include "platform/sdl/sdl_host.h"
#include "platform/sdl/sdl_media.h"
#include "platform/sdl/sdl_media_probe.h"
#include "platform/toolkit/ttf_font.h"
#include "player/player_files.h"
#include "script/interpreter.h"
#include "windows/folder_chooser.h"
#include "windows/game_folder.h"
#include "zepa_version.h"

namespace {

constexpr const char* kUsage =
    "usage: zepa [options] [DIR | file.kvs | file.kvd ...]\n"
    "       zepa new DIR [--title TEXT]   make a small playable game in DIR\n"
    "  --game DIR        the game directory, as is a DIR argument (default: the\n"
    "                    folder of a .kvs or .kvd argument or the current one when\n"
    "                    it holds a game, else a folder chooser asks)\n"
    "  --scale N         open the window N times larger (as far as the screen allows)\n"
    "  --scaling MODE    how the game is enlarged: sharp (the default: whole pixels,\n"
    "                    then smoothed to fit), integer, nearest or smooth\n"
    "  --font FILE       the font file for message text\n"
    "  --check           check the game (configuration, scenarios, the files they\n"
    "                    name, the font) without running it; prints file:line:\n"
    "                    message lines and a count; exit 0 clean, 1 faults found\n"
    "  --json            with --check: print the report as JSON\n"
    "  --strict          with --check: also note what the game handles by its own\n"
    "                    choice (labels only run into, default files left out)\n"
    "  --explore DIR [--json FILE] [--dot FILE] [--svg FILE] [--max-states N]\n"
    "                    play every path of the game headless and report labels,\n"
    "                    endings, problems, loops and coverage; exit 0 clean, 1 problems\n"
    "  --save-dir DIR    where save files are written (default: the game directory,\n"
    "                    or $XDG_DATA_HOME/zepa/GAME when that is read-only)\n"
    "  --watch           reload the scenario or picture when it changes on disk,\n"
    "                    going on at the label the game was in\n"
    "  --headless        run without a window, on a virtual clock\n"
    "  --input EVENTS    headless: the scripted input file\n"
    "  --dump FILE       headless: write the state as JSON at the end\n"
    "  --shot FILE       headless: write the display (.png or .bmp) at the end\n"
    "  --until MS        headless: stop at this virtual time\n"
    "  --quantum MS      headless: virtual time per presented frame (default 1)\n"
    "  --screen WxH      headless: the screen size the game sees (default 1920x1080)\n"
    "  --window WxH      headless: a window of this size around the game; scripted\n"
    "                    clicks are then points of the window, and the dump tells it\n"
    "  --shot-window FILE  headless: write what the window shows at its size at the end\n"
    "  --desktop FILE    headless: the desktop picture behind the title window (.png or .bmp)\n"
    "  --write-config    headless: write the configuration back into rurirora.ini at the end\n"
    "  --help-commands   list the scenario commands, one line each\n"
    "  --shot-dir DIR    headless: where F12 writes screenshots (default: none)\n"
    "  --help, --version\n"
    "exit status: 0 done; 1 the game showed an error; 2 bad arguments or an input\n"
    "file that cannot be read; 3 a dump or shot (--dump, --shot or a scripted one)\n"
    "that could not be written, which wins over 1; 143 or 130 a headless run ended\n"
    "by SIGTERM or SIGINT (its dump and shot are still written).\n";

// Event scripts are small; the bound keeps a wrong file from filling memory.
constexpr size_t kMaxInputBytes = size_t{64} << 20;
constexpr size_t kMaxDesktopBytes = size_t{256} << 20;

struct Options {
  zepa::engine::MainWindowOptions form;
  bool headless = false;
  bool game_given = false;    // --game, even when it names the current folder
  bool write_config = false;  // headless: write rurirora.ini back at the end
  bool check = false, json = false, strict = false;
  bool watch = false;
  int scale = 0;  // not given
  std::optional<zepa::platform::ScaleMode> scaling;
  int window_w = 0, window_h = 0;
  std::string input, dump, shot, desktop, shot_dir, shot_window;
  std::optional<uint32_t> until_ms;
  uint32_t quantum_ms = 1;
  int screen_w = 1920, screen_h = 1080;
};

int BadInput(const std::string& message) {
  zepa::platform::LogError("zepa: %s\n", message.c_str());
  return 2;
}

int BadUsage(const std::string& message) {
  zepa::platform::LogError("zepa: %s (see zepa --help)\n", message.c_str());
  return 2;
}

std::optional<long> ParseInt(const std::string& s, long min, long max) {
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0' || v < min || v > max) return std::nullopt;
  return v;
}

// Returns an exit status when the program should stop now.
std::optional<int> ParseArgs(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string* out) -> bool {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--help-commands") {
      std::fputs(zepa::script::Interpreter::CommandHelp().c_str(), stdout);
      return 0;
    } else if (a == "--version") {
      zepa::build::PrintVersion("zepa");
      return 0;
    } else if (a == "--check") {
      o->check = true;
    } else if (a == "--json") {
      o->json = true;
    } else if (a == "--strict") {
      o->strict = true;
    } else if (a == "--watch") {
      o->watch = true;
    } else if (a == "--headless") {
      o->headless = true;
    } else if (a == "--write-config") {
      o->write_config = true;
    } else if (a == "--game") {
      if (!value(&o->form.game_dir)) return BadUsage("--game needs a directory");
      o->game_given = true;
    } else if (a == "--save-dir") {
      if (!value(&o->form.save_dir)) return BadUsage("--save-dir needs a directory");
    } else if (a == "--font") {
      if (!value(&o->form.font_file)) return BadUsage("--font needs a file");
    } else if (a == "--input") {
      if (!value(&o->input)) return BadUsage("--input needs a file");
    } else if (a == "--dump") {
      if (!value(&o->dump)) return BadUsage("--dump needs a file");
    } else if (a == "--shot-dir") {
      if (!value(&o->shot_dir)) return BadUsage("--shot-dir needs a directory");
    } else if (a == "--shot") {
      if (!value(&o->shot)) return BadUsage("--shot needs a file");
    } else if (a == "--shot-window") {
      if (!value(&o->shot_window)) return BadUsage("--shot-window needs a file");
    } else if (a == "--scaling") {
      if (!value(&v)) return BadUsage("--scaling needs a mode");
      o->scaling = zepa::platform::ParseScaleMode(v);
      if (!o->scaling) return BadUsage("--scaling takes sharp, integer, nearest or smooth");
    } else if (a == "--scale") {
      if (!value(&v)) return BadUsage("--scale needs a number");
      auto n = ParseInt(v, 1, 8);
      if (!n) return BadUsage("--scale takes a whole number from 1 to 8");
      o->scale = static_cast<int>(*n);
    } else if (a == "--until") {
      if (!value(&v)) return BadUsage("--until needs milliseconds");
      auto n = ParseInt(v, 0, 0x7fffffffL);
      if (!n) return BadUsage("--until takes a number of milliseconds");
      o->until_ms = static_cast<uint32_t>(*n);
    } else if (a == "--quantum") {
      if (!value(&v)) return BadUsage("--quantum needs milliseconds");
      auto n = ParseInt(v, 1, 1000);
      if (!n) return BadUsage("--quantum takes a number of milliseconds from 1 to 1000");
      o->quantum_ms = static_cast<uint32_t>(*n);
    } else if (a == "--desktop") {
      if (!value(&v)) return BadUsage("--desktop needs a picture file");
      o->desktop = v;
    } else if (a == "--screen" || a == "--window") {
      if (!value(&v)) return BadUsage(a + " needs WxH");
      const size_t x = v.find('x');
      auto w = x == std::string::npos ? std::nullopt : ParseInt(v.substr(0, x), 1, 65535);
      auto h = x == std::string::npos ? std::nullopt : ParseInt(v.substr(x + 1), 1, 65535);
      if (!w || !h) return BadUsage(a + " takes WxH, for example 1920x1080");
      (a == "--screen" ? o->screen_w : o->window_w) = static_cast<int>(*w);
      (a == "--screen" ? o->screen_h : o->window_h) = static_cast<int>(*h);
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      return BadUsage("unknown option " + a);
    } else {
      o->form.args.push_back(a);
    }
  }
  if (!o->headless && (!o->input.empty() || !o->dump.empty() || !o->shot.empty() || o->until_ms ||
                       !o->shot_dir.empty() || !o->desktop.empty() || o->write_config ||
                       o->window_w || !o->shot_window.empty()))
    return BadUsage(
        "--input, --dump, --shot, --shot-window, --window, --until, --desktop and "
        "--write-config need --headless");
  if (o->json && !o->check) return BadUsage("--json needs --check");
  if (o->strict && !o->check) return BadUsage("--strict needs --check");
  if (o->check && o->form.args.size() > 1) return BadUsage("--check takes one scenario at most");
  return std::nullopt;
}

int RunCheck(const Options& o) {
  const std::string dir = o.form.game_dir.empty() ? "." : o.form.game_dir;
  if (zepa::platform::ProbePath(dir) != zepa::platform::PathKind::kDirectory)
    return BadUsage("no game directory " + dir);
  zepa::engine::CheckOptions co;
  co.game_dir = dir;
  if (!o.form.args.empty()) co.scenario = o.form.args.front();
  co.font_file = o.form.font_file;
  co.strict = o.strict;
  co.open_font = zepa::platform::OpenFont;
  const zepa::engine::CheckReport report = zepa::engine::CheckGame(co);
  const std::string text =
      o.json ? zepa::engine::FormatCheckJson(report) : zepa::engine::FormatCheckText(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return zepa::engine::CheckExitStatus(report);
}

zepa::engine::TitleStartup TitleFor(const Options& o) {
  zepa::engine::TitleStartup t;
  t.game_dir = o.form.game_dir;
  t.open_font = o.form.open_font;
  t.font_file = o.form.font_file;
  return t;
}

// The desktop picture of a headless run; black (nothing) when it cannot be read.
std::optional<zepa::platform::Surface> ReadDesktop(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::optional<zepa::platform::Surface> picture;
  if (path.size() > 4 && path.compare(path.size() - 4, 4, ".png") == 0) {
    picture = zepa::platform::ReadPng(path);
  } else {
    // Bounded, and never opened when it is a FIFO or device (/dev/zero).
    const zepa::platform::ReadResult read = zepa::platform::ReadRegularFile(path, kMaxDesktopBytes);
    if (read.status == zepa::platform::ReadStatus::kOk)
      picture = zepa::display::DecodeBmp(std::span<const uint8_t>(
          reinterpret_cast<const uint8_t*>(read.bytes.data()), read.bytes.size()));
  }
  if (!picture)
    zepa::platform::LogWarning("zepa: cannot read the desktop picture %s\n", path.c_str());
  return picture;
}

// A run stopped by a signal exits as the shell reports a death by it.
int HeadlessStatus(const zepa::platform::HeadlessHost& host) {
  if (const int signal_number = zepa::platform::CaughtStopSignal()) return 128 + signal_number;
  if (!host.output_failures().empty()) return 3;
  return host.error_shown() ? 1 : 0;
}

int RunHeadless(Options& o) {
  zepa::platform::CatchStopSignals();
  zepa::platform::HeadlessOptions ho;
  ho.quantum_ms = o.quantum_ms;
  ho.screen_width = o.screen_w;
  ho.screen_height = o.screen_h;
  ho.until_ms = o.until_ms;
  ho.window_width = o.window_w;
  ho.window_height = o.window_h;
  ho.scaling = o.scaling;
  // Made before the host and the players so that it outlives both.
  auto probe = zepa::platform::CreateSdlMediaProbe();
  auto host = zepa::platform::CreateHeadlessHost(ho);
  if (!o.input.empty()) {
    const zepa::platform::ReadResult read =
        zepa::platform::ReadRegularFile(o.input, kMaxInputBytes);
    if (read.status != zepa::platform::ReadStatus::kOk)
      return BadInput("cannot read the input file " + read.error);
    if (const auto loaded = host->LoadEvents(read.bytes); !loaded.ok())
      return BadInput(o.input + ": " + loaded.message());
  }
  // Silent players keep real lengths, so sound ends on the virtual clock.
  auto media = zepa::platform::CreateSilentMedia(*host, probe.get());
  o.form.media = media.get();
  const auto game_dir = zepa::windows::GameFolderToPlay(*host, o.form.game_dir, false);
  if (!game_dir) return HeadlessStatus(*host);
  o.form.game_dir = *game_dir;
  zepa::engine::TitleStartup title = TitleFor(o);
  title.desktop = ReadDesktop(o.desktop);
  // The hold counts whole seconds of the virtual clock.
  title.calendar_seconds = [&host] { return static_cast<int64_t>(host->NowMs() / 1000); };
  zepa::engine::ShowTitleWindow(*host, title);
  if (host->Closed()) {
    // The run ended during the title: there is no game to dump or show.
    if (!o.dump.empty())
      host->ReportOutputFailure("cannot write the dump " + o.dump +
                                ": the run ended before the game started");
    if (!o.shot.empty())
      host->ReportOutputFailure("cannot write the shot " + o.shot +
                                ": the run ended before the game started");
    return HeadlessStatus(*host);
  }
  o.form.write_config = o.write_config;
  zepa::engine::MainWindow form(*host, o.form);
  host->SetHandler(&form);
  host->SetTimerIntervalMs(50);
  host->SetTimerEnabled(true);
  form.Start();
  // The final dump and shot show the game as it stood, before the shutdown
  // stops the music.
  form.Run([&] {
    if (!o.dump.empty())
      if (const auto dumped = form.OnDumpRequest(o.dump); !dumped.ok())
        host->ReportOutputFailure("cannot write the dump " + dumped.message());
    if (!o.shot.empty())
      if (const auto shot = zepa::platform::WriteImageFile(form.display(), o.shot); !shot.ok())
        host->ReportOutputFailure("cannot write the shot " + shot.message());
    if (!o.shot_window.empty())
      if (const auto shot = zepa::platform::WriteImageFile(host->WindowShot(), o.shot_window);
          !shot.ok())
        host->ReportOutputFailure("cannot write the shot " + shot.message());
  });
  host->SetHandler(nullptr);
  return HeadlessStatus(*host);
}

int RunWindow(Options& o) {
  zepa::platform::SdlOptions so;
  so.scale = o.scale;
  so.scaling = o.scaling;
  auto host = zepa::platform::CreateSdlHost(so);
  if (!host) {
    zepa::platform::LogError("zepa: cannot open the window\n");
    return 1;
  }
  int status = 0;
  // Made after the host and gone before it: the players need its audio.
  auto media = zepa::platform::CreateSdlMedia();
  o.form.media = media.get();
  const auto game_dir = zepa::windows::GameFolderToPlay(*host, o.form.game_dir, true);
  if (!game_dir) return 0;
  o.form.game_dir = *game_dir;
  try {
    // The screen behind the window cannot be read portably: the title
    // fades in over black.
    zepa::engine::TitleStartup title = TitleFor(o);
    title.calendar_seconds = [] { return static_cast<int64_t>(std::time(nullptr)); };
    title.skip_without_hold = true;
    zepa::engine::ShowTitleWindow(*host, title);
    if (host->Closed()) return 0;
    zepa::engine::MainWindow form(*host, o.form);
    host->SetHandler(&form);
    host->SetTimerIntervalMs(50);
    host->SetTimerEnabled(true);
    form.Start();
    form.Run();
    host->SetHandler(nullptr);
  } catch (const std::exception& e) {
    // The main window is gone: the error box's pump must not reach it.
    host->SetHandler(nullptr);
    host->ShowError(e.what());
    status = 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "new")
    return zepa::engine::RunNewGameCommand({argv + 2, argv + argc}, std::cout, std::cerr);
  if (argc > 1 && std::string(argv[1]) == "--explore")
    return zepa::engine::ExploreCommand(std::vector<std::string>(argv + 1, argv + argc),
                                        zepa::platform::OpenFont);
  Options o;
  if (auto status = ParseArgs(argc, argv, &o)) return *status;
  auto game = zepa::windows::ResolveGameArguments(o.game_given ? o.form.game_dir : "", o.form.args);
  if (!game.error.empty()) return BadUsage(game.error);
  o.form.game_dir = game.game_dir;
  o.form.args = std::move(game.args);
  o.form.open_font = zepa::platform::OpenFont;
  const auto watch = o.watch ? zepa::platform::CreatePollingFileWatch() : nullptr;
  o.form.watch = watch.get();
  const char* pwd = std::getenv("PWD");
  o.form.game_name = zepa::player::GameName(o.form.game_dir, pwd ? pwd : "");
  o.form.player_paths =
      zepa::player::PathsFromEnvironment(o.form.game_name, o.headless, o.form.save_dir, o.shot_dir);
  try {
    if (o.check) return RunCheck(o);
    return o.headless ? RunHeadless(o) : RunWindow(o);
  } catch (const std::exception& e) {
    zepa::platform::LogError("zepa: %s\n", e.what());
    return 1;
  }
}
