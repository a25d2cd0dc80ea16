#include "save/save_tool.h"

#include "display/picture.h"
#include "platform/cp932.h"
#include "save/save_file.h"
#include "save/save_folder.h"

namespace zepa::save {
namespace {

constexpr const char* kUsage =
    "usage: zepa-save dump FILE\n"
    "       zepa-save extract FILE DIR\n";

// Texts in the file are Shift-JIS; line breaks inside them are shown escaped
// so that every setting stays on one output line.
std::string Shown(std::string_view sjis) {
  std::string out;
  for (char c : platform::Cp932ToUtf8(sjis)) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

// The state a save file starts from when it lacks a setting: the game's
// defaults after a reset.
SavedValues ResetDefaults() {
  SavedValues s;
  s.text_color = 0xffffff;
  s.select_color = 0xffff00;
  s.select_back_color = 0xff0000;
  s.select_text_color = 0x00ffff;
  s.pen_color = 0x00ff00;
  s.brush_color = 0xff0000;
  s.sound_fade_time_ms = 2000;
  s.select_x = 32;
  s.select_y = 348;
  return s;
}

void Dump(const std::string& file, const std::vector<uint8_t>& bytes, std::ostream& out) {
  ReadReport report;
  const SaveContents c = ReadSaveBytes(bytes, ResetDefaults(), &report);
  const SavedValues& s = c.state;
  out << "file: " << file << " (" << bytes.size() << " bytes, "
      << (report.encoded ? "encoded" : "plain") << ")\n";
  out << "script: " << Shown(s.script) << "\n"
      << "scene: " << Shown(s.scene) << "\n"
      << "now: " << c.now << "\n"
      << "picture: " << Shown(s.picture) << "\n"
      << "bgm: " << Shown(s.bgm) << "\n"
      << "wav: " << Shown(s.wav) << "\n"
      << "chara: " << Shown(s.chara) << "\n"
      << "FRAME: " << s.frame << "\n"
      << "BGMLOOP: " << s.bgm_loop << "\n"
      << "WAVLOOP: " << s.wav_loop << "\n"
      << "textcolor: " << s.text_color << "\n"
      << "bgtextcolor: " << s.bg_text_color << "\n"
      << "selectcolor: " << s.select_color << "\n"
      << "selectbackcolor: " << s.select_back_color << "\n"
      << "selecttextcolor: " << s.select_text_color << "\n"
      << "graphicpencolor: " << s.pen_color << "\n"
      << "graphicbrushcolor: " << s.brush_color << "\n"
      << "soundfadetime: " << s.sound_fade_time_ms << "\n"
      << "adv_mode: " << s.adv_mode << "\n"
      << "wait_mode: " << s.wait_mode << "\n"
      << "skip_mode: " << s.skip_mode << "\n"
      << "message_exist: " << s.message_exist << "\n"
      << "select_x: " << s.select_x << "\n"
      << "select_y: " << s.select_y << "\n"
      << "wait_bmp: " << s.wait_bmp << "\n"
      << "select_now: " << s.select_now << "\n"
      << "select_number: " << s.select_number << "\n"
      << "select_text: " << Shown(s.select_text) << "\n";
  for (const SavePicture& p : c.pictures) {
    const auto picture = display::DecodeJpeg(p.jpeg);
    out << "block " << PictureKey(p.slot) << " " << p.jpeg.size() << " bytes at " << p.offset
        << ": ";
    if (picture) {
      out << "decodes, " << picture->width << " x " << picture->height << "\n";
    } else {
      out << "does not decode\n";
    }
  }
  if (report.pictures_cut) out << "a picture block runs past the end of the file\n";
  out << "SETTING_END: " << (report.end_marker ? "present" : "missing") << "\n";
  out << "variables: " << c.variables.size() << "\n";
  for (const auto& [name, value] : c.variables)
    out << "  " << Shown(name) << "=" << Shown(value) << "\n";
}

int Extract(const std::vector<uint8_t>& bytes, const std::string& dir, std::ostream& out,
            std::ostream& err, const PictureWriter& write_png, platform::Files& files) {
  const SaveContents c = ReadSaveBytes(bytes, ResetDefaults());
  // A folder that cannot be made shows as each picture failing to be written.
  (void)files.CreateDirectories(dir);
  int status = 0;
  static constexpr const char* kNames[] = {"display", "buffer", "message"};
  for (const SavePicture& p : c.pictures) {
    const std::string path = dir + "/" + kNames[static_cast<int>(p.slot)] + ".png";
    const auto picture = display::DecodeJpeg(p.jpeg);
    if (!picture) {
      err << "zepa-save: the " << PictureKey(p.slot) << " block does not decode\n";
      status = 1;
    } else if (!write_png(*picture, path)) {
      err << "zepa-save: cannot write " << path << "\n";
      status = 1;
    } else {
      out << path << "\n";
    }
  }
  return status;
}

}  // namespace

int RunSaveTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const PictureWriter& write_png, platform::Files& files) {
  const bool dump = args.size() == 2 && args[0] == "dump";
  const bool extract = args.size() == 3 && args[0] == "extract";
  if (!dump && !extract) {
    err << kUsage;
    return 2;
  }
  const platform::ReadResult read = platform::ReadRegularFile(args[1], kMaxSaveFileBytes);
  if (read.status != platform::ReadStatus::kOk) {
    err << "zepa-save: cannot read " << args[1] << "\n";
    return 1;
  }
  const std::vector<uint8_t> bytes(read.bytes.begin(), read.bytes.end());
  if (dump) {
    Dump(args[1], bytes, out);
    return 0;
  }
  return Extract(bytes, args[2], out, err, write_png, files);
}

}  // namespace zepa::save
