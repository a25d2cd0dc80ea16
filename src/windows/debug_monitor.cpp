#include "windows/debug_monitor.h"

#include <cstdio>

#include "platform/cp932.h"
#include "platform/files.h"
#include "script/file_names.h"
#include "script/scenario.h"

namespace zepa::windows {
namespace {

using platform::Control;
using platform::ControlKind;

constexpr const char* kNoteText = "現在読みこまれているシナリオを暗号化して出力します。";
constexpr const char* kNoteFailed = "出力ファイルを作成できませんでした。";
constexpr platform::Color kNoteFailedColor = 0x0000ff;  // red, 0x00BBGGRR

// The value column of the upper panel.
constexpr int kValueX = 72;
constexpr int kValueWidth = 241;
constexpr int kRowHeight = 18;
// A music or effect name and its loop flag share the value column.
constexpr int kNameWidth = 166;
constexpr int kLoopX = kValueX + kNameWidth + 4;

// The scenario excerpt is read into a 1024-byte buffer.
constexpr size_t kExcerptBytes = 1023;

// The window's fixed texts are written here in UTF-8 and handed to the
// refresh as the game's code page, like every other text it shows.
std::string Sjis(std::string_view utf8) { return platform::Utf8ToCp932(utf8); }

std::string FormatNumbers(const std::string& format, int32_t a, int32_t b = 0) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, format.c_str(), a, b);
  return buffer;
}

Control Caption(int x, int y, std::string text) {
  Control c;
  c.kind = ControlKind::kLabel;
  c.rect = {x, y + 3, 0, 0};
  c.text = std::move(text);
  c.parent = "Panel1";
  return c;
}

Control Value(std::string name, int x, int y, int width, int height = kRowHeight) {
  Control c;
  c.name = std::move(name);
  c.kind = ControlKind::kLabel;
  c.rect = {x, y, width, height};
  c.framed = true;
  c.parent = "Panel1";
  return c;
}

}  // namespace

std::string ScriptExcerpt(std::string_view scenario_text, size_t current_line) {
  if (current_line >= scenario_text.size()) return {};
  std::string_view text = scenario_text.substr(current_line, kExcerptBytes);
  size_t cut = text.find("\n[");
  if (cut == std::string_view::npos) cut = text.find("\n//");
  if (cut != std::string_view::npos) text = text.substr(0, cut);
  return std::string(text);
}

DebugTexts RefreshTexts(const DebugView& v) {
  DebugTexts t;
  // "%d" of the unsigned clock, as the window always printed it.
  t.time = FormatNumbers("%8d", static_cast<int32_t>(v.tick_time_ms));
  if (v.wait_remaining > 0) {
    t.until = FormatNumbers(Sjis("待機：%8d /%8d"), v.wait_remaining,
                            static_cast<int32_t>(v.until_target));
  } else {
    // Ten ideographic spaces follow, exactly as the window stored the text.
    t.until = Sjis("待機状態　　　　　　　　　　");
  }
  t.save = Sjis(v.save_allowed != script::SavePermission::kDisabled ? "セーブ可能" : "セーブ禁止");
  t.scene = v.scene_name;
  if (v.current_line) t.script = ScriptExcerpt(v.scenario_text, *v.current_line);
  t.picture = std::string(script::FileNamePart(v.picture_path));
  t.chara = v.character_record;
  t.exist = "(" + std::to_string(v.character_count) + ") ";
  // A CD track's music name is its number, which has no separator to cut.
  t.bgm = std::string(script::FileNamePart(v.music_name));
  t.bgm_loop = v.music_loop != 0 ? "LOOP ON " : "LOOP OFF";
  t.wav = std::string(script::FileNamePart(v.effect_name));
  t.wav_loop = v.effect_loop != 0 ? "LOOP ON " : "LOOP OFF";
  t.script_file = std::string(script::FileNamePart(v.scenario_name));

  t.grid.push_back({Sjis("変数名"), Sjis("内容"), Sjis("変更")});
  if (v.variables) {
    for (int i = 0; i < script::kVariableCount; ++i) {
      const script::VariableEntry& e = v.variables->entry(i);
      if (e.name[0] == '\0') continue;
      t.grid.push_back({e.name, e.value, ""});
    }
  }
  // The grid has at least one row below its fixed header.
  if (t.grid.size() == 1) t.grid.push_back({"", "", ""});
  return t;
}

std::string EncodeTargetPath(std::string_view entered,
                             const std::function<std::string(std::string_view)>& resolve_path) {
  // An empty name resolves to the game directory itself; the old join made
  // that the file ".kvs" inside it, not a file beside the directory.
  if (entered.empty()) return resolve_path(".kvs");
  return resolve_path(entered) + ".kvs";
}

DebugMonitor::DebugMonitor(platform::Host& host, WindowState& window_state, ViewSource read_view,
                           PathResolver resolve_path)
    : host_(host),
      window_state_(window_state),
      read_view_(std::move(read_view)),
      resolve_path_(std::move(resolve_path)) {}

DebugMonitor::~DebugMonitor() { Close(); }

void DebugMonitor::Build() {
  platform::ToolWindow& w = window_;
  w = platform::ToolWindow();
  w.name = "Form_DEBUG";
  w.caption = "Form_DEBUG";
  // The outer size 328 x 509, less the frame and the caption bar.
  w.client_width = 328 - 2 * platform::kFrameBorderPx;
  w.client_height = 509 - platform::kCaptionBarPx - 2 * platform::kFrameBorderPx;
  w.placement = platform::Placement::kAt;
  w.modal = false;
  w.timer_interval_ms = 200;

  Control upper;
  upper.name = "Panel1";
  upper.kind = ControlKind::kPanel;
  upper.rect = {0, 0, 320, 329};
  w.controls.push_back(upper);

  w.controls.push_back(Caption(8, 6, "シナリオ"));
  w.controls.push_back(Value("Label_SCRIPTFILE", kValueX, 6, kValueWidth));
  w.controls.push_back(Caption(8, 27, "シーン"));
  w.controls.push_back(Value("Label_SENARIO", kValueX, 27, kValueWidth));
  w.controls.push_back(Caption(8, 48, "スクリプト"));
  // Several lines: the current line and those up to the next command.
  w.controls.push_back(Value("Label_SCRIPT", kValueX, 48, kValueWidth, 100));
  w.controls.push_back(Caption(8, 152, "背景"));
  w.controls.push_back(Value("Label_PICTURE", kValueX, 152, kValueWidth));
  w.controls.push_back(Caption(8, 173, "キャラ"));
  Control exist = Caption(44, 173, "");
  exist.name = "Label_EXIST";
  w.controls.push_back(exist);
  w.controls.push_back(Value("Label_CHARA", kValueX, 173, kValueWidth));
  w.controls.push_back(Caption(8, 194, "ＢＧＭ"));
  w.controls.push_back(Value("Label_BGM", kValueX, 194, kNameWidth));
  w.controls.push_back(Value("Label_BGMLOOP", kLoopX, 194, kValueX + kValueWidth - kLoopX));
  w.controls.push_back(Caption(8, 215, "WAV"));
  w.controls.push_back(Value("Label_WAV", kValueX, 215, kNameWidth));
  w.controls.push_back(Value("Label_WAVLOOP", kLoopX, 215, kValueX + kValueWidth - kLoopX));

  Control encode;
  encode.name = "Button_ENCODE";
  encode.kind = ControlKind::kButton;
  encode.rect = {8, 242, 60, 22};
  encode.text = "暗号化";
  encode.parent = "Panel1";
  encode.on_click = [this] { EncodeClick(); };
  w.controls.push_back(std::move(encode));
  Control edit;
  edit.name = "Edit_ENCODE";
  edit.kind = ControlKind::kEdit;
  edit.rect = {kValueX, 243, kValueWidth, 20};
  edit.text = "暗号化スクリプトファイル名";
  edit.parent = "Panel1";
  // The name goes through a 512-byte path buffer.
  edit.max_cp932_bytes = 511;
  w.controls.push_back(std::move(edit));
  Control note = Caption(8, 266, kNoteText);
  note.name = "Label_NOTE";
  w.controls.push_back(std::move(note));

  w.controls.push_back(Value("Label_SAVE", 8, 296, 88));
  Control until = Value("Label_UNTIL", 100, 296, 148);
  until.fixed_pitch = true;
  w.controls.push_back(std::move(until));
  Control time = Value("Label_TIME", 252, 296, 61);
  time.fixed_pitch = true;
  w.controls.push_back(std::move(time));

  Control lower;
  lower.name = "Panel2";
  lower.kind = ControlKind::kPanel;
  lower.rect = {0, 329, w.client_width, w.client_height - 329};
  w.controls.push_back(lower);
  Control grid;
  grid.name = "StringGrid1";
  grid.kind = ControlKind::kGrid;
  grid.rect = {1, 1, lower.rect.width - 2, lower.rect.height - 2};
  grid.parent = "Panel2";
  grid.column_widths = {64, 104, 156};
  w.controls.push_back(std::move(grid));

  w.on_timer = [this] { Refresh(); };
  // The monitor goes with the game: its close box does nothing.
  w.on_close_request = [] {};
}

void DebugMonitor::Open(int left, int top) {
  if (open_) return;
  Build();
  Refresh();
  window_.left = left;
  window_.top = top;
  OpenModeless(host_, window_, window_state_);
  open_ = true;
}

void DebugMonitor::Close() {
  if (!open_) return;
  CloseModeless(host_, window_, window_state_);
  open_ = false;
}

bool DebugMonitor::SetLabel(std::string_view name, std::string_view cp932) {
  Control* c = window_.Find(name);
  if (!c) return false;
  std::string text = ToWindowText(cp932);
  if (c->text == text) return false;
  c->text = std::move(text);
  return true;
}

void DebugMonitor::Refresh() {
  const DebugTexts t = RefreshTexts(read_view_());
  bool changed = false;
  changed |= SetLabel("Label_TIME", t.time);
  changed |= SetLabel("Label_UNTIL", t.until);
  changed |= SetLabel("Label_SAVE", t.save);
  changed |= SetLabel("Label_SENARIO", t.scene);
  if (t.script) changed |= SetLabel("Label_SCRIPT", *t.script);
  changed |= SetLabel("Label_PICTURE", t.picture);
  changed |= SetLabel("Label_CHARA", t.chara);
  changed |= SetLabel("Label_EXIST", t.exist);
  changed |= SetLabel("Label_BGM", t.bgm);
  changed |= SetLabel("Label_BGMLOOP", t.bgm_loop);
  changed |= SetLabel("Label_WAV", t.wav);
  changed |= SetLabel("Label_WAVLOOP", t.wav_loop);
  changed |= SetLabel("Label_SCRIPTFILE", t.script_file);
  if (Control* grid = window_.Find("StringGrid1")) {
    std::vector<std::vector<std::string>> cells;
    for (const auto& row : t.grid)
      cells.push_back({ToWindowText(row[0]), ToWindowText(row[1]), ToWindowText(row[2])});
    if (cells != grid->cells) {
      grid->cells = std::move(cells);
      changed = true;
    }
  }
  // Repainted at once when something changed; an unchanged window (the
  // game timer stopped under a save window) costs no drawing.
  if (changed) window_.Touch();
}

void DebugMonitor::SetNote(bool failed) {
  Control* note = window_.Find("Label_NOTE");
  if (!note) return;
  note->text = failed ? kNoteFailed : kNoteText;
  note->text_color = failed ? std::optional<platform::Color>(kNoteFailedColor) : std::nullopt;
  window_.Touch();
}

void DebugMonitor::EncodeClick() {
  const Control* edit = window_.Find("Edit_ENCODE");
  std::string entered;
  if (edit && !ToGameText(edit->text, &entered)) {
    // A name the game's code page cannot hold names no file it could open.
    SetNote(true);
    return;
  }
  const std::string path = platform::NewFileSpelling(EncodeTargetPath(entered, resolve_path_));
  const std::string encoded = script::EncodeScenarioFile(read_view_().scenario_text);
  // Replaced whole: a FIFO or device there is refused rather than waited on,
  // and a reader never sees half a scenario.
  SetNote(!platform::ReplaceFileContents(path, encoded).written());
}

nlohmann::ordered_json DebugMonitor::Describe() const {
  nlohmann::ordered_json j;
  j["position"] = {window_.left, window_.top};
  nlohmann::ordered_json labels = nlohmann::ordered_json::object();
  for (const Control& c : window_.controls) {
    if (c.kind != ControlKind::kLabel || c.name.empty()) continue;
    labels[c.name] = c.text;
  }
  j["labels"] = std::move(labels);
  if (const Control* edit = window_.Find("Edit_ENCODE")) j["encode_name"] = edit->text;
  if (const Control* note = window_.Find("Label_NOTE"))
    j["note_failed"] = note->text_color.has_value();
  nlohmann::ordered_json rows = nlohmann::ordered_json::array();
  if (const Control* grid = window_.Find("StringGrid1"))
    for (const auto& row : grid->cells) rows.push_back(row);
  j["grid"] = std::move(rows);
  return j;
}

}  // namespace zepa::windows
