#include <cstdio>

#include "check/checker.h"
#include "display/packfile.h"
#include "display/picture.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/wave_header.h"
#include "script/arguments.h"

namespace zepa::engine::check_detail {

void Checker::CheckPicture(const std::string& file, size_t line, std::string_view name) {
  if (name.empty()) return;
  Once("picture:" + std::string(name), [&] { CheckPictureOnce(file, line, name); });
}

void Checker::CheckPictureOnce(const std::string& file, size_t line, std::string_view name) {
  if (display::PictureKindOf(name) == display::PictureKind::kNone) {
    Error(file, line,
          "picture " + Quoted(platform::Cp932ToUtf8(name)) +
              " is not drawn: only .bmp, .jpg and .jpe pictures are read");
    return;
  }
  const std::string path = paths_.Resolve(name);
  if (InPack(std::string(display::BareName(path)))) return;
  bool empty = false;
  if (FileOnDisk(path, &empty)) {
    if (empty) Error(file, line, "picture " + Quoted(Shown(path)) + " is an empty file");
    return;
  }
  Error(file, line, MissingMessage("picture", name, path, true));
}

void Checker::CheckMediaFile(const std::string& file, size_t line, std::string_view what,
                             std::string_view name) {
  if (name.empty()) return;
  const std::string path = paths_.Resolve(name);
  Once("media:" + path, [&] {
    if (!FileOnDisk(path)) {
      Error(file, line, MissingMessage(what, name, path, false));
    } else if (const std::optional<std::string> problem = platform::WaveFileProblem(path)) {
      Error(file, line, std::string(what) + " " + Quoted(Shown(path)) + " is refused: " + *problem);
    }
  });
}

void Checker::CheckMusic(const std::string& file, size_t line, std::string_view command,
                         std::string name, bool digit_first) {
  auto skip = [](std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
  };
  if (name.empty()) return;
  if (digit_first) {
    const std::string_view s = skip(name);
    if (!s.empty() && s.front() >= '0' && s.front() <= '9') {
      CheckCdTrack(file, line, script::DecimalArgument(s));
      return;
    }
  }
  const size_t c1 = name.find(',');
  if (c1 != std::string::npos) {
    const size_t c2 = name.find(',', c1 + 1);
    if (c2 == std::string::npos) {
      Error(file, line,
            "[" + std::string(command) + "] " + Quoted(platform::Cp932ToUtf8(name)) +
                " has one comma: a position needs x,y,name, so nothing plays");
      return;
    }
    name = name.substr(c2 + 1);
  }
  const std::string_view s = skip(name);
  if (!s.empty() && s.front() >= '0' && s.front() <= '9') {
    CheckCdTrack(file, line, script::DecimalArgument(s));
    return;
  }
  const size_t dot = name.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : Lower(name.substr(dot));
  bool movie = false;
  for (std::string_view m : {".avi", ".mpg", ".qt", ".mov", ".mpe"})
    if (ext.compare(0, m.size(), m) == 0) movie = true;
  CheckMediaFile(file, line, movie ? "movie" : "music", std::string(s));
}

void Checker::CheckCdTrack(const std::string& file, size_t line, int32_t track) {
  if (track == 0) return;
  if (track < 0) {
    Error(file, line, "CD track " + std::to_string(track) + " cannot exist: tracks count from 1");
    return;
  }
  Once("track:" + std::to_string(track), [&] { CheckCdTrackOnce(file, line, track); });
}

void Checker::CheckCdTrackOnce(const std::string& file, size_t line, int32_t track) {
  std::vector<std::string> dirs;
  std::string where;
  if (config_.cd_drive.empty()) {
    dirs = {paths_.Resolve("cd"), paths_.game_dir()};
    where = "cd/ or the game directory";
  } else {
    const std::string dir = paths_.Resolve(config_.cd_drive);
    if (platform::ProbePath(dir) != platform::PathKind::kDirectory) {
      Error(file, line,
            "CD track " + std::to_string(track) + " not found: BGM/CDDRIVE names " +
                Quoted(platform::Cp932ToUtf8(config_.cd_drive)) +
                ", which is not a folder (tried " + Shown(dir) + ")");
      return;
    }
    dirs = {dir};
    where = Shown(dir) + "/";
  }
  char n1[16], n2[16];
  std::snprintf(n1, sizeof n1, "%d", track);
  std::snprintf(n2, sizeof n2, "%02d", track);
  std::set<std::string> wanted;
  for (std::string_view stem : {"track", "track_"})
    for (const char* num : {n1, n2})
      for (std::string_view ext : {".ogg", ".flac", ".wav", ".mp3"})
        wanted.insert(std::string(stem) + num + std::string(ext));
  for (const std::string& dir : dirs)
    for (const std::string& entry : Listing(dir))
      if (wanted.count(Lower(entry)) && FileOnDisk(dir + "/" + entry)) return;
  Error(file, line,
        "CD track " + std::to_string(track) + " not found: no track" + n2 + " or track_" + n2 +
            " (.ogg, .flac, .wav, .mp3) in " + where);
}

platform::Font* Checker::MessageFont() {
  if (font_tried_) return font_.get();
  font_tried_ = true;
  std::string error = "no font service";
  if (options_.open_font) {
    platform::FontRequest request;
    if (!config_.font_file.empty()) request.file_path = paths_.Resolve(config_.font_file);
    if (auto opened = options_.open_font(request); opened.ok())
      font_ = std::move(*opened);
    else
      error = opened.message();
  }
  if (!font_)
    Note(kIniName, 0, "no message font could be opened (" + error + "): glyphs are not checked");
  if (font_) {
    const std::string& path = font_->FilePath();
    font_name_ = path.substr(path.find_last_of('/') + 1);
  }
  return font_.get();
}

void Checker::CheckMessageGlyphs(const Scenario& sc, size_t arg, size_t line) {
  platform::Font* font = MessageFont();
  if (!font) return;
  const std::string_view text = sc.text;
  size_t at_line = line;
  for (size_t i = arg; i < text.size();) {
    const char c = text[i];
    if (c == '\n') {
      if (i + 1 >= text.size() || text[i + 1] == '#' || text[i + 1] == '[' || text[i + 1] == '/')
        return;
      ++at_line;
      ++i;
      continue;
    }
    if ((c == '\\' && i + 1 < text.size() && text[i + 1] == 'n') ||
        (c == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'v'))) {
      i += 2;
      continue;
    }
    if (c == '$') {
      const size_t close = text.substr(i + 1, 66).find('$');
      i += close == std::string_view::npos ? 1 : close + 2;
      continue;
    }
    const auto b = static_cast<uint8_t>(c);
    size_t len = 1;
    if (IsPairLead(b)) {
      if (i + 1 >= text.size() || !IsTrailByte(static_cast<uint8_t>(text[i + 1]))) {
        ++i;  // reported as invalid Shift-JIS
        continue;
      }
      len = 2;
    }
    if (b < 0x20) {
      ++i;
      continue;
    }
    const char32_t cp = platform::Cp932CharToUtf32(text.substr(i, len));
    i += len;
    if (cp == platform::kReplacementChar) continue;  // reported as invalid Shift-JIS
    auto known = glyphs_.find(cp);
    if (known == glyphs_.end()) {
      const bool has = font->HasGlyph(cp);
      known = glyphs_.emplace(cp, GlyphUse{has, report_.findings.size(), 0}).first;
      if (!has) {
        std::string shown;
        platform::AppendUtf8(cp, &shown);
        Error(sc.file, at_line,
              "the message font " + font_name_ + " has no glyph for \"" + shown + "\" (" +
                  CodePoint(cp) + ")");
      }
    } else if (!known->second.has) {
      ++known->second.more;
    }
  }
}

}  // namespace zepa::engine::check_detail
