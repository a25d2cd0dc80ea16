#include "save/save_file.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "script/codec.h"
#include "script/fixed_text.h"
#include "script/variables.h"
#include "script/wait_state.h"

namespace zepa::save {
namespace {

constexpr std::string_view kEndMarker = "SETTING_END";
// The "wait_bmp:" code of the choice icon (engine::WaitBmpCode), kept here so
// that the format needs none of the rooms' code.
constexpr int kSelectIconCode = 4;
constexpr std::string_view kSelectTextKey = "select_text:";

// The fields that receive the texts, NUL included.
constexpr size_t kNameField = 256;
constexpr size_t kPathField = 512;
constexpr size_t kSelectTextField = 1024;

// Values are C strings in the game's own buffers: a NUL ends them.
std::string_view AsCString(std::string_view s) { return s.substr(0, s.find('\0')); }

void AddLine(std::string* out, std::string_view key, std::string_view value) {
  out->append(key);
  out->append(AsCString(value));
  out->push_back('\n');
}

void AddLine(std::string* out, std::string_view key, int64_t value) {
  AddLine(out, key, std::to_string(static_cast<int32_t>(value)));
}

void Append(std::vector<uint8_t>* out, std::string_view s) {
  out->insert(out->end(), s.begin(), s.end());
}

// The numeric settings, in file order, with the state field each one fills.
struct NumberKey {
  std::string_view key;
  int SavedValues::*field;
};

// The text settings stored as they come, cut to their field.
struct TextKey {
  std::string_view key;
  std::string SavedValues::*field;
  size_t field_bytes;
};

constexpr TextKey kTextKeys[] = {
    {"scene:", &SavedValues::scene, kNameField}, {"picture:", &SavedValues::picture, kPathField},
    {"bgm:", &SavedValues::bgm, kPathField},     {"wav:", &SavedValues::wav, kPathField},
    {"chara:", &SavedValues::chara, kPathField},
};

constexpr NumberKey kIntKeys[] = {
    {"FRAME:", &SavedValues::frame},
    {"BGMLOOP:", &SavedValues::bgm_loop},
    {"WAVLOOP:", &SavedValues::wav_loop},
    {"soundfadetime:", &SavedValues::sound_fade_time_ms},
    {"adv_mode:", &SavedValues::adv_mode},
    {"wait_mode:", &SavedValues::wait_mode},
    {"skip_mode:", &SavedValues::skip_mode},
    {"message_exist:", &SavedValues::message_exist},
    {"select_x:", &SavedValues::select_x},
    {"select_y:", &SavedValues::select_y},
    {"wait_bmp:", &SavedValues::wait_bmp},
    {"select_now:", &SavedValues::select_now},
    {"select_number:", &SavedValues::select_number},
};

struct ColorKey {
  std::string_view key;
  platform::Color SavedValues::*field;
};

constexpr ColorKey kColorKeys[] = {
    {"textcolor:", &SavedValues::text_color},
    {"bgtextcolor:", &SavedValues::bg_text_color},
    {"selectcolor:", &SavedValues::select_color},
    {"selectbackcolor:", &SavedValues::select_back_color},
    {"selecttextcolor:", &SavedValues::select_text_color},
    {"graphicpencolor:", &SavedValues::pen_color},
    {"graphicbrushcolor:", &SavedValues::brush_color},
};

constexpr PictureSlot kSlots[] = {PictureSlot::kDisplay, PictureSlot::kBuffer,
                                  PictureSlot::kMessageBackup};

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// The first CR, LF or NUL at or after `from` (npos without one), or only
// the first CR or LF. A plain loop: find_first_of calls memchr for every
// byte, which a save of tens of megabytes feels.
size_t FindLineEnd(std::string_view s, size_t from, bool nul_ends = true) {
  for (size_t i = from; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\r' || c == '\n' || (c == '\0' && nul_ends)) return i;
  }
  return std::string_view::npos;
}

// The line as the game's string functions see it: up to the first CR, LF
// or NUL.
std::string_view CutLine(std::string_view s) { return s.substr(0, FindLineEnd(s, 0)); }

class Reader {
 public:
  // `header_only` stops the reading after the first picture block.
  Reader(std::span<const uint8_t> bytes, const SavedValues& defaults, bool header_only = false)
      : data_(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
        header_only_(header_only) {
    out_.state = defaults;
    // These are held back by the game and are 0 unless the file says more.
    out_.state.frame = 0;
    out_.state.bgm_loop = 0;
    out_.state.wav_loop = 0;
    out_.state.adv_mode = 0;
    out_.state.wait_mode = 0;
    out_.now = 0;
  }

  SaveContents Read(ReadReport* report) {
    if (!data_.empty() && data_[0] == 'X') {
      report_.encoded = true;
      ReadEncoded(1);
    } else {
      ReadPlain();
    }
    if (report) *report = report_;
    return std::move(out_);
  }

 private:
  // The physical line at `pos`: its content ends at the first CR, LF or NUL;
  // the next line starts after its LF.
  size_t ContentEnd(size_t pos) const {
    const size_t end = FindLineEnd(data_, pos);
    return end == std::string_view::npos ? data_.size() : end;
  }
  size_t NextLine(size_t pos) const {
    const size_t lf = data_.find('\n', pos);
    return lf == std::string_view::npos ? data_.size() : lf + 1;
  }

  void ReadPlain() {
    size_t pos = 0;
    while (pos < data_.size() && !stop_) {
      const std::string_view line = data_.substr(pos, ContentEnd(pos) - pos);
      pos = NextLine(pos);
      if (auto n = Process(line)) pos = ReadPicture(pos, *n);
    }
  }

  void ReadEncoded(size_t pos) {
    size_t end = ContentEnd(pos);
    std::string logical;
    while (!stop_) {
      if (end - pos < 2) {
        const size_t next = NextLine(pos);
        if (next >= data_.size()) break;
        pos = next;
        end = ContentEnd(pos);
        continue;
      }
      std::string_view letters = data_.substr(pos, end - pos);
      size_t used = 0;
      const size_t before = logical.size();
      script::DecodePair(letters, &used, &logical);
      pos += used;
      if (FindLineEnd(logical, before, false) == std::string::npos) continue;
      const std::optional<int32_t> n = Process(CutLine(logical));
      logical.clear();
      if (n) {
        pos = ReadPicture(NextLine(pos), *n);
        end = ContentEnd(pos);
      }
    }
    if (!stop_ && !logical.empty()) Process(CutLine(logical));
  }

  // Reads a block of `n` bytes at `pos`; returns where the file goes on.
  size_t ReadPicture(size_t pos, int32_t n) {
    if (n < 0 || static_cast<size_t>(n) > data_.size() - pos) {
      // The block's end cannot be found, so nothing after it can be read.
      report_.pictures_cut = true;
      stop_ = true;
      return data_.size();
    }
    SavePicture picture;
    picture.slot = pending_slot_;
    picture.offset = pos;
    picture.jpeg.assign(data_.begin() + static_cast<std::ptrdiff_t>(pos),
                        data_.begin() + static_cast<std::ptrdiff_t>(pos + n));
    out_.pictures.push_back(std::move(picture));
    if (header_only_) stop_ = true;
    return pos + static_cast<size_t>(n);
  }

  // Handles one logical line; returns the byte count of a picture header.
  std::optional<int32_t> Process(std::string_view line) {
    line = CutLine(line);
    if (report_.end_marker) {
      const size_t eq = line.find('=');
      if (eq == std::string_view::npos || eq == 0) return std::nullopt;
      out_.variables.emplace_back(
          std::string(script::FitToBytes(line.substr(0, eq), script::kVariableNameBytes - 1)),
          std::string(script::FitToBytes(line.substr(eq + 1), script::kValueBytes - 1)));
      return std::nullopt;
    }
    if (line == kEndMarker) {
      report_.end_marker = true;
      if (header_only_) stop_ = true;
      return std::nullopt;
    }
    for (PictureSlot slot : kSlots) {
      if (StartsWith(line, PictureKey(slot))) {
        pending_slot_ = slot;
        return ParseSavedInt(line.substr(PictureKey(slot).size()));
      }
    }
    SavedValues& s = out_.state;
    if (StartsWith(line, "script:")) {
      s.script = script::Bounded(line.substr(7), kNameField);
    } else if (StartsWith(line, "now:")) {
      out_.now = ParseSavedInt(line.substr(4));
    } else if (StartsWith(line, kSelectTextKey)) {
      s.select_text = script::Bounded(
          AsCString(script::DecodeText(line.substr(kSelectTextKey.size()))), kSelectTextField);
    } else {
      for (const TextKey& k : kTextKeys) {
        if (StartsWith(line, k.key)) {
          s.*k.field = script::Bounded(line.substr(k.key.size()), k.field_bytes);
          return std::nullopt;
        }
      }
      for (const NumberKey& k : kIntKeys) {
        if (StartsWith(line, k.key)) {
          s.*k.field = ParseSavedInt(line.substr(k.key.size()));
          return std::nullopt;
        }
      }
      for (const ColorKey& k : kColorKeys) {
        if (StartsWith(line, k.key)) {
          s.*k.field = static_cast<platform::Color>(ParseSavedInt(line.substr(k.key.size())));
          return std::nullopt;
        }
      }
    }
    return std::nullopt;
  }

  std::string_view data_;
  SaveContents out_;
  ReadReport report_;
  PictureSlot pending_slot_ = PictureSlot::kDisplay;
  bool header_only_ = false;
  bool stop_ = false;
};

}  // namespace

std::string_view PictureKey(PictureSlot slot) {
  switch (slot) {
    case PictureSlot::kDisplay:
      return "bDISPLAY_IMAGE:";
    case PictureSlot::kBuffer:
      return "bBUFFER_IMAGE:";
    case PictureSlot::kMessageBackup:
      return "bMESSAAGE_BAK:";
  }
  return "";
}

int32_t ParseSavedInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), kLimit);
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(std::min<int64_t>(value, kLimit - 1));
}

size_t ResumePosition(std::string_view text, size_t current_line) {
  current_line = std::min(current_line, text.size());
  for (size_t p = current_line; p-- > 0;) {
    if (text[p] != '\n' || p + 1 >= text.size() || text[p + 1] != '[') continue;
    const size_t start = p + 1;
    return text.compare(start, 6, "[text]") == 0 ? start : current_line;
  }
  return 0;
}

std::vector<uint8_t> WriteSaveBytes(const SaveContents& contents) {
  const SavedValues& s = contents.state;
  const bool icon_active = s.wait_mode != 0;
  std::string settings;
  AddLine(&settings, "script:", s.script);
  AddLine(&settings, "scene:", s.scene);
  AddLine(&settings, "now:", contents.now);
  AddLine(&settings, "picture:", s.picture);
  AddLine(&settings, "bgm:", s.bgm);
  AddLine(&settings, "wav:", s.wav);
  AddLine(&settings, "chara:", s.chara);
  AddLine(&settings, "FRAME:", s.frame);
  AddLine(&settings, "BGMLOOP:", s.bgm_loop);
  AddLine(&settings, "WAVLOOP:", s.wav_loop);
  for (const ColorKey& k : kColorKeys) AddLine(&settings, k.key, s.*k.field);
  AddLine(&settings, "soundfadetime:", s.sound_fade_time_ms);
  AddLine(&settings, "adv_mode:", s.adv_mode);
  if (icon_active) AddLine(&settings, "wait_mode:", 1);
  AddLine(&settings, "skip_mode:", s.skip_mode);
  AddLine(&settings, "message_exist:", s.message_exist);
  AddLine(&settings, "select_x:", s.select_x);
  AddLine(&settings, "select_y:", s.select_y);
  if (icon_active) {
    AddLine(&settings, "wait_bmp:", s.wait_bmp);
    if (s.wait_bmp == kSelectIconCode) {
      AddLine(&settings, "select_now:", s.select_now);
      AddLine(&settings, "select_number:", s.select_number);
    }
  }

  std::vector<uint8_t> out;
  out.push_back('X');
  Append(&out, script::EncodeText(settings));
  for (const SavePicture& picture : contents.pictures) {
    char header[64];
    std::snprintf(header, sizeof header, "%s%d\n", std::string(PictureKey(picture.slot)).c_str(),
                  static_cast<int>(picture.jpeg.size()));
    Append(&out, script::EncodeText(header));
    out.push_back('\n');
    out.insert(out.end(), picture.jpeg.begin(), picture.jpeg.end());
  }
  if (s.adv_mode == script::adv::kChoice) {
    std::string line(kSelectTextKey);
    line += script::EncodeText(AsCString(s.select_text));
    line += '\n';
    Append(&out, script::EncodeText(line));
    out.push_back('\n');
  }
  Append(&out, script::EncodeText(std::string(kEndMarker) + "\n"));
  std::string variables;
  for (const auto& [name, value] : contents.variables) {
    if (AsCString(name).empty()) continue;
    variables += AsCString(name);
    variables += '=';
    variables += AsCString(value);
    variables += '\n';
  }
  Append(&out, script::EncodeText(variables));
  out.push_back('\0');
  return out;
}

SaveContents ReadSaveBytes(std::span<const uint8_t> bytes, const SavedValues& defaults,
                           ReadReport* report) {
  return Reader(bytes, defaults).Read(report);
}

SaveHeader ReadSaveHeader(std::span<const uint8_t> bytes) {
  SaveContents contents = Reader(bytes, SavedValues{}, true).Read(nullptr);
  SaveHeader header;
  header.scene = std::move(contents.state.scene);
  if (!contents.pictures.empty() && contents.pictures[0].slot == PictureSlot::kDisplay)
    header.display_jpeg = std::move(contents.pictures[0].jpeg);
  return header;
}

}  // namespace zepa::save
