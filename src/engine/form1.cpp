#include "engine/form1.h"
#include "engine/limits.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "display/pixels.h"
#include "platform/cp932.h"
#include "script/scenario.h"

namespace zepa::engine {
namespace {

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != prefix[i]) return false;
  }
  return true;
}

// The extension test of start-up and the file windows: from the last dot,
// its first four characters compared without regard to case.
bool HasExtension(std::string_view name, std::string_view ext) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string_view e = name.substr(dot, 4);
  return e.size() == ext.size() && StartsWithNoCase(e, ext);
}

}  // namespace

Form1::Form1(platform::Host& host, Form1Options options)
    : host_(host),
      options_(std::move(options)),
      paths_(options_.game_dir),
      interp_(st_, vars_, *this),
      image1_(kScreenWidth, kScreenHeight, 0xffffff),
      image2_(kScreenWidth, kScreenHeight, 0xffffff) {
  paths_.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  ini_path_ = paths_.Resolve(kIniName);
  vars_.tick_count = [this] { return host_.NowMs(); };
  vars_.music_playing = [] { return false; };
}

Form1::~Form1() = default;

uint32_t Form1::NowMs() { return host_.NowMs(); }

bool Form1::PumpUntil(uint32_t deadline_ms) { return host_.Pump(true, deadline_ms); }

void Form1::ResetState() {
  st_.save_allowed = 1;
  mouse_x_target_.reset();
  mouse_y_target_.reset();
  fade_time_ = 2000;
  fade_direction_ = 0;
  next_music_.clear();
  st_.wait_start = 0;
  st_.until_target = 0;
  st_.wait_remaining = 0;
  music_loop_ = 0;
  effect_loop_ = 0;
  text_pending_ = 0;
  st_.scene_name.clear();
  picture_path_.clear();
  music_name_.clear();
  effect_name_.clear();
  character_record_.clear();
  frame_shown_ = 0;
  st_.skip_mode = 0;
  select_number_ = 0;
  select_now_ = 0;
  wait_mode_ = 0;
  character_count_ = 0;
  message_exist_ = 0;
  choice_lines_drawn_ = 0;
  text_color_ = 0xffffff;
  bg_text_color_ = 0;
  select_color_ = 0xffff00;
  select_back_color_ = 0xff0000;
  select_text_color_ = 0x00ffff;
  graphic_brush_color_ = 0xff0000;
  graphic_pen_color_ = 0x00ff00;
  vars_.Reset(options_.random_seed ? *options_.random_seed : static_cast<uint32_t>(std::time(nullptr)));
}

void Form1::FormCreate() {
  st_.go_target.clear();
  st_.window_request = 0;
  st_.adv_mode = script::adv::kBusy;
  st_.scenario_text.clear();
  st_.current_line.reset();
  ResetState();

  ini_ = IniFile::Load(ini_path_);
  const platform::ScreenSize screen = host_.GetScreenSize();
  config_ = ReadConfig(ini_, screen.width, screen.height);
  if (!options_.font_file.empty()) config_.font_file = options_.font_file;
  debug_state_ = config_.debug != 0 ? 1 : 0;
  debug_was_on_ = debug_state_ != 0;
  end_music_ = Bounded(config_.end_bgm, 512);
  end_picture_ = Bounded(config_.end_pic, 512);

  full_screen_ = config_.full_screen;
  if (screen.width == kScreenWidth && screen.height == kScreenHeight) full_screen_ = 1;
  if (full_screen_) {
    host_.SetWindowPosition(0, 0);
  } else {
    host_.SetWindowPosition(config_.pos_left, config_.pos_top);
  }
  if (full_screen_ && debug_state_ == 0) {
    if (!host_.SetFullScreen(true)) full_screen_ = 0;
  }

  text_wait_ = config_.text_wait;
  main_scenario_ = Bounded(config_.scenario, script::kNameBytes);
  st_.scenario_name = main_scenario_;
  geometry_ = display::ClampMessageGeometry(config_.message_line, config_.message_mojisuu,
                                            config_.message_width, config_.interval);
  select_y_ = config_.message_y;
  host_.SetCaption(kCaption);
  image1_.Fill(0xffffff);
  image2_.Fill(0xffffff);
  Repaint();
  OpenFontFromConfig();
  LoadWaitIcons();

  for (const std::string& arg : options_.args) {
    if (HasExtension(arg, ".kvs")) {
      st_.scenario_name = Bounded(arg, script::kNameBytes);
      break;
    }
    if (HasExtension(arg, ".kvd")) {
      // Reading a save file restores adv_mode itself; until save files are
      // read, the game stays where creation left it.
      return;
    }
  }

  switch (LoadScenario(st_.scenario_name)) {
    case script::LoadOutcome::kLoaded:
      break;
    case script::LoadOutcome::kFailed:
      EndSequence();
      return;
    case script::LoadOutcome::kRaised:
      return;  // reported; the window stays white and the interpreter idle
  }
  st_.adv_mode = script::adv::kRun;
}

script::LoadOutcome Form1::LoadScenario(const std::string& name) {
  if (name.empty()) return script::LoadOutcome::kFailed;
  script::DecodedScenario decoded;
  if (StartsWithNoCase(name, "http:")) {
    // Fetching scenarios over HTTP is not built yet: it fails like a file
    // that cannot be read.
    return script::LoadOutcome::kFailed;
  } else {
    const std::string path = paths_.Resolve(name);
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
      host_.ShowError("Cannot open file \"" + path + "\". " + ec.message());
      return script::LoadOutcome::kRaised;
    }
    if (size > kMaxScenarioBytes) {
      host_.ShowError("The scenario file \"" + path + "\" is larger than 64 MiB and was not loaded.");
      return script::LoadOutcome::kFailed;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return script::LoadOutcome::kFailed;
    std::string bytes;
    try {
      bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
      return script::LoadOutcome::kFailed;
    }
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    decoded = script::DecodeScenarioFile(bytes);
  }

  st_.scenario_text = std::move(decoded.text);
  FillBuffer(0xffffff);
  FadeToBuffer(500);
  if (decoded.encoded) {
    if (debug_state_ == 1) debug_state_ = 0;
    if (debug_state_ == 2) debug_state_ = 3;
  }
  st_.current_line = 0;
  st_.scenario_name = Bounded(name, script::kNameBytes);
  return script::LoadOutcome::kLoaded;
}

void Form1::Tick() {
  tick_time_ = host_.NowMs();
  // The debug monitor's window comes with the debug view; its state moves.
  if (debug_state_ == 1) debug_state_ = 2;
  if (debug_state_ == 3) debug_state_ = 0;

  if (st_.adv_mode == script::adv::kRun && !stepping_) {
    stepping_ = true;
    interp_.Step();
    stepping_ = false;
  }

  if (st_.go_target == "#MENU") {
    FillBuffer(0xffffff);
    ForgetCharacters();
    HideWaitIcon();
    DrawFrame();
    FadeToBuffer(500);
    st_.adv_mode = script::adv::kRun;
  }
  if (!st_.go_target.empty()) {
    if (auto line = script::FindLabel(st_.scenario_text, st_.go_target)) st_.current_line = *line;
    st_.go_target.clear();
  }
  if (st_.window_request != 0) {
    // The save and load windows are not built yet; the request is consumed.
    st_.window_request = 0;
  }
  BlinkWaitIcon();
}

void Form1::OpenFontFromConfig() {
  if (!options_.open_font) return;
  platform::FontRequest request;
  if (!config_.font_file.empty()) request.file_path = paths_.Resolve(config_.font_file);
  std::string error;
  font_ = options_.open_font(request, &error);
  if (!font_) host_.ShowError(error);
}

void Form1::FillBuffer(platform::Color color) { image1_.Fill(color); }

void Form1::Flip() {
  image2_ = image1_;
  message_exist_ = 0;
  Repaint();
}

void Form1::Repaint() { host_.Invalidate(image2_); }

bool Form1::HurryHeld() {
  return host_.IsHeld(platform::HeldKey::kShift) || host_.IsHeld(platform::HeldKey::kSpace) ||
         host_.IsHeld(platform::HeldKey::kReturn) || host_.IsHeld(platform::HeldKey::kMiddleButton);
}

void Form1::FadeToBuffer(int32_t duration_ms) {
  const int saved_mode = st_.adv_mode;
  st_.adv_mode = script::adv::kBusy;
  const uint32_t d = EffectDurationMs(duration_ms);
  message_exist_ = 0;
  const platform::Surface from = image2_;
  const platform::Surface& to = image1_;
  const uint64_t step = std::max<uint32_t>(1, 65536 / d);
  const uint32_t start = host_.NowMs();
  for (;;) {
    uint64_t t = static_cast<uint64_t>(host_.NowMs() - start) * step;
    if (t > 65536) t = 65536;
    if (HurryHeld() || host_.Closed()) break;
    if (host_.FrameWanted()) display::BlendFrames(from, to, image2_, static_cast<uint32_t>(t));
    host_.Present(image2_);
    if (t >= 65536) break;
  }
  image2_ = to;
  Repaint();
  st_.adv_mode = saved_mode;
}

void Form1::EndSequence() {
  // The end picture and sound come with the end screen; until then the
  // display fades to white and the window closes.
  FillBuffer(0xffffff);
  FadeToBuffer(2000);
  host_.Close();
}

void Form1::RunCommand(script::Command command, const script::CommandArgs& args) {
  using script::Command;
  switch (command) {
    case Command::kFlip:
      Flip();
      break;
    case Command::kFade:
      message_exist_ = 0;
      FadeToBuffer(args.numbers[0]);
      break;
    case Command::kFill:
      FillBuffer(args.color);
      ForgetCharacters();
      frame_shown_ = 0;
      break;
    case Command::kPic:
      LoadBackground(args.text);
      ForgetCharacters();
      DrawFrame();
      break;
    case Command::kPicture:
      LoadBackground(args.text);
      frame_shown_ = 0;
      ForgetCharacters();
      break;
    case Command::kP:
      LoadBackground(args.text);
      DrawFrame();
      ForgetCharacters();
      message_exist_ = 0;
      FadeToBuffer(1000);
      break;
    case Command::kBPic:
      DrawPictureCommand(args.text, true);
      break;
    case Command::kBPicture:
      DrawPictureCommand(args.text, false);
      break;
    case Command::kFrame:
      DrawFrame();
      break;
    case Command::kChara: {
      const bool frame = frame_shown_ == 1;
      if (frame) RemoveFrame();
      ShowCharacters(args.text);
      if (frame) DrawFrame();
      break;
    }
    case Command::kGDot:
    case Command::kGLine:
    case Command::kGSquare:
    case Command::kGCircle:
    case Command::kGEllipse:
      DrawShape(command, args.numbers);
      break;
    case Command::kEndPic:
      end_picture_ = Bounded(args.text, 512);
      break;
    case Command::kEndBgm:
      end_music_ = Bounded(args.text, 512);
      break;
    case Command::kEnd:
      EndSequence();
      break;
    case Command::kGbColor:
      graphic_brush_color_ = args.color;
      break;
    case Command::kGpColor:
      graphic_pen_color_ = args.color;
      break;
    case Command::kTextColor:
      text_color_ = args.color;
      break;
    case Command::kBgTextColor:
      bg_text_color_ = args.color;
      break;
    case Command::kSelectColor:
      select_color_ = args.color;
      break;
    case Command::kSelectBackColor:
      select_back_color_ = args.color;
      break;
    case Command::kSelectTextColor:
      select_text_color_ = args.color;
      break;
    case Command::kTextWait:
      text_wait_ = args.numbers[0];
      break;
    case Command::kBgmFadeTime:
      fade_time_ = args.numbers[0] < 1 ? 2000 : args.numbers[0];
      break;
    case Command::kBgmLoop:
      music_loop_ = args.numbers[0];
      break;
    case Command::kWavLoop:
      effect_loop_ = args.numbers[0];
      break;
    case Command::kText:
      ShowText(args.text, false);
      break;
    case Command::kTextNw:
      ShowText(args.text, true);
      break;
    case Command::kSel:
      select_now_ = 0;
      ShowChoices(args.text);
      break;
    case Command::kTelo:
      Telo(args.text);
      break;
    case Command::kBText:
      BText(args.text);
      break;
    case Command::kMouse: {
      // Without a comma the old targets stay; a third field is ignored.
      const size_t comma = args.text.find(',');
      if (comma != std::string::npos) {
        const std::string x = args.text.substr(0, comma);
        std::string y = args.text.substr(comma + 1);
        y = y.substr(0, y.find(','));
        mouse_x_target_.reset();
        mouse_y_target_.reset();
        if (vars_.VariableText(x)) mouse_x_target_ = x;
        if (vars_.VariableText(y)) mouse_y_target_ = y;
      }
      wait_bmp_ = WaitIcon::kMouse;
      ShowWaitIcon();
      break;
    }
    default:
      // Sound and the auxiliary windows act through their own modules.
      break;
  }
}

void Form1::OnTimer() { Tick(); }

void Form1::OnCloseRequest() { host_.Close(); }

bool Form1::IdleForPlayer() const {
  if (stepping_ || !st_.go_target.empty() || st_.window_request != 0) return false;
  switch (st_.adv_mode) {
    case script::adv::kRun:
      return !st_.current_line || *st_.current_line >= st_.scenario_text.size();
    case script::adv::kBusy:
      return true;  // left busy by an error: only a restart moves it
    default:
      return true;  // a text, choice or click wait
  }
}

void Form1::Run() {
  host_.SetHandler(this);
  host_.SetTimerIntervalMs(50);
  host_.SetTimerEnabled(true);
  while (!host_.Closed()) {
    if (host_.OutOfScriptedInput() && IdleForPlayer()) break;
    if (!host_.Pump(false, 0)) break;
  }
  FormDestroy();
}

void Form1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (full_screen_) host_.SetFullScreen(false);
  ConfigurationWriteBack();
}

void Form1::ConfigurationWriteBack() {
  // The profile functions read and rewrite the file key by key, so edits
  // made to it while the game ran are kept.
  IniFile ini = IniFile::Load(ini_path_);
  const bool debug_on = debug_state_ == 1 || debug_state_ == 2;
  ini.SetInt("SCREEN", "FULL", full_screen_);
  ini.Set("END", "BGM", config_.end_bgm);
  ini.Set("END", "PIC", config_.end_pic);
  ini.Set("BGM", "CDDRIVE", config_.cd_drive);
  if (debug_on) {
    ini.SetInt("SYSTEM", "DEBUG", 1);
  } else if (debug_was_on_) {
    // A monitor switched off by an encoded scenario stays off next time.
    ini.SetInt("SYSTEM", "DEBUG", 0);
  }
  ini.SetInt("TEXT", "TELOWAIT", text_wait_);
  ini.Set("FILE", "DATA", config_.data_file);
  int left = config_.pos_left, top = config_.pos_top;
  if (!full_screen_) host_.GetWindowPosition(&left, &top);
  ini.SetInt("POS", "TOP", top);
  ini.SetInt("POS", "LEFT", left);
  if (debug_on) {
    ini.SetInt("SYSTEM", "DEBUG_X", config_.debug_x);
    ini.SetInt("SYSTEM", "DEBUG_Y", config_.debug_y);
  }
  ini.SetInt("MAIN", "SCENARIOSET", config_.scenario_set);
  std::string scenario = main_scenario_;
  if (config_.scenario_set != 0) {
    if (StartsWithNoCase(st_.scenario_name, "http:")) {
      scenario = st_.scenario_name;
    } else {
      scenario = paths_.RelativeToGame(paths_.Resolve(st_.scenario_name));
    }
  }
  ini.Set("MAIN", "SCENARIO", scenario);
  ini.SetInt("MESSAGE", "INTERVAL", config_.interval);
  ini.Save(ini_path_);
}

}  // namespace zepa::engine
