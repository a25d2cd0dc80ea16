#include "check/new_game.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>

#include "display/picture.h"
#include "platform/files.h"
#include "platform/path_names.h"
#include "platform/surface.h"
#include "platform/system.h"
#include "script/source_text.h"

namespace zepa::engine {
namespace {

using platform::Color;
using platform::MakeColor;
using platform::Surface;

constexpr double kPi = 3.14159265358979323846;

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

Color Mix(Color a, Color b, double t) {
  auto ch = [&](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
  return MakeColor(ch(platform::RedOf(a), platform::RedOf(b)),
                   ch(platform::GreenOf(a), platform::GreenOf(b)),
                   ch(platform::BlueOf(a), platform::BlueOf(b)));
}

void Sky(Surface& s, Color top, Color bottom) {
  for (int y = 0; y < s.height; ++y) {
    const Color c = Mix(top, bottom, static_cast<double>(y) / (s.height - 1));
    for (int x = 0; x < s.width; ++x) s.Set(x, y, c);
  }
}

void Disc(Surface& s, double cx, double cy, double rx, double ry, Color c) {
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) s.Set(x, y, c);
    }
}

// A hill under a morning sky, with the sun.
Surface HillPicture() {
  Surface s(640, 480);
  Sky(s, MakeColor(0x6f, 0xa8, 0xdc), MakeColor(0xfc, 0xe5, 0xcd));
  Disc(s, 500, 90, 36, 36, MakeColor(0xff, 0xf2, 0xcc));
  Disc(s, 120, 540, 300, 190, MakeColor(0x38, 0x76, 0x1d));
  Disc(s, 380, 580, 420, 230, MakeColor(0x6a, 0xa8, 0x4f));
  return s;
}

// The sea at dusk: a sky, the water below the horizon and rows of waves.
Surface SeaPicture() {
  Surface s(640, 480);
  Sky(s, MakeColor(0x20, 0x12, 0x4d), MakeColor(0xe6, 0x91, 0x38));
  Disc(s, 320, 250, 50, 50, MakeColor(0xff, 0xd9, 0x66));
  for (int y = 250; y < 480; ++y) {
    const double depth = (y - 250) / 230.0;
    for (int x = 0; x < 640; ++x) {
      const bool crest = std::sin(x / (6.0 + 20 * depth) + y) > 0.93;
      s.Set(x, y,
            crest ? MakeColor(0xcf, 0xe2, 0xf3)
                  : Mix(MakeColor(0x3d, 0x85, 0xc6), MakeColor(0x07, 0x37, 0x63), depth));
    }
  }
  return s;
}

// The message strip is 140 pixels high: the text's six lines of 21 pixels
// start at y 348, inside the strip from 340 to the bottom of the screen.
constexpr int kStripHeight = 140;

// The mask darkens the strip so that white text reads over any picture.
Surface FrameMask() {
  Surface s(640, kStripHeight, MakeColor(0x90, 0x90, 0x90));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 640; ++x) s.Set(x, y, MakeColor(0xd0, 0xd0, 0xd0));
  return s;
}

// The frame picture is white, the colour its top-left pixel makes
// transparent, except for a border around the text.
Surface FramePicture() {
  Surface s(640, kStripHeight);
  const Color border = MakeColor(0xcf, 0xe2, 0xf3);
  for (int y = 5; y < kStripHeight - 4; ++y)
    for (int x = 5; x < 635; ++x) {
      const bool edge = x < 7 || x >= 633 || y < 7 || y >= kStripHeight - 6;
      if (edge) s.Set(x, y, border);
    }
  return s;
}

enum class IconShape { kArrowDown, kSquare, kDiamond, kCross };

// The wait icons are 32 x 32 on white, which they leave transparent; the
// message window draws them at POS/MESSAGEPX, MESSAGEPY (604, 442).
Surface WaitIcon(IconShape shape, Color c) {
  Surface s(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int dx = std::abs(2 * x - 31), dy = std::abs(2 * y - 31);
      bool in = false;
      switch (shape) {
        case IconShape::kArrowDown:
          in = y >= 8 && y < 24 && dx <= 2 * (24 - y);
          break;
        case IconShape::kSquare:
          in = dx <= 17 && dy <= 17;
          break;
        case IconShape::kDiamond:
          in = dx + dy <= 26;
          break;
        case IconShape::kCross:
          in = (dx <= 5 && dy <= 25) || (dy <= 5 && dx <= 25);
          break;
      }
      if (in) s.Set(x, y, c);
    }
  return s;
}

void PutLe(std::string* out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

struct Note {
  double hz;
  double seconds;
};

// 16-bit mono PCM: each note a sine with a quick attack and a soft decay.
std::string Wave(const std::vector<Note>& notes, double level) {
  constexpr uint32_t kRate = 22050;
  std::string samples;
  for (const Note& n : notes) {
    const auto count = static_cast<uint32_t>(n.seconds * kRate);
    for (uint32_t i = 0; i < count; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double envelope = std::min(1.0, t * 200) * std::exp(-3.0 * t / n.seconds);
      const double v = std::sin(2 * kPi * n.hz * t) + 0.3 * std::sin(4 * kPi * n.hz * t);
      PutLe(&samples, static_cast<uint16_t>(static_cast<int16_t>(v * envelope * level * 25000)), 2);
    }
  }
  std::string out = "RIFF";
  PutLe(&out, static_cast<uint32_t>(36 + samples.size()), 4);
  out += "WAVEfmt ";
  PutLe(&out, 16, 4);
  PutLe(&out, 1, 2);  // PCM
  PutLe(&out, 1, 2);  // one channel
  PutLe(&out, kRate, 4);
  PutLe(&out, kRate * 2, 4);
  PutLe(&out, 2, 2);
  PutLe(&out, 16, 2);
  out += "data";
  PutLe(&out, static_cast<uint32_t>(samples.size()), 4);
  return out + samples;
}

std::string Theme() {
  // Two bars in C major, eighth notes at 120 beats a minute.
  const double c = 261.63, d = 293.66, e = 329.63, g = 392.0, a = 440.0, c2 = 523.25;
  std::vector<Note> notes;
  for (double hz : {c, e, g, c2, a, g, e, d, e, g, a, g, e, d, c, c}) notes.push_back({hz, 0.25});
  return Wave(notes, 0.6);
}

std::string EndSound() { return Wave({{783.99, 0.3}, {523.25, 0.5}}, 0.5); }

std::string Story(const std::string& title) {
  return "// " + title +
         ": the story. Edit it in UTF-8, then make the game's story.kvs with\n"
         "//   zepa-codec from-utf8 story.txt story.kvs\n"
         "// 日本語もそのまま書けます (Japanese text works as it is).\n"
         "#start\n"
         "[bgm]bgm\\theme.wav\n"
         "[p]bg_hill.jpg\n"
         "[text]" +
         title +
         "\\nA short game made by zepa new.\n"
         "[text]The road splits in two.\n"
         "[sel]Climb the hill\\nWalk down to the sea\n"
         "[if]SELECT=2[go]#sea\n"
         "#hill\n"
         "[text]From the top of the hill you can see the whole town.\n"
         "[go]#ending\n"
         "#sea\n"
         "[p]bg_sea.jpg\n"
         "[text]The waves are cold, and the sun goes down behind them.\n"
         "#ending\n"
         "[bgmfadeout]\n"
         "[text]The end. Thank you for playing.\n"
         "[end]\n";
}

constexpr const char* kConfig =
    "[SCREEN]\r\nFULL=0\r\n[MAIN]\r\nSCENARIO=story.kvs\r\n[TEXT]\r\nTELOWAIT=30\r\n";

}  // namespace

platform::Result<std::vector<NewGameFile>> MakeNewGameFiles(const std::string& title) {
  for (char ch : title)
    if (static_cast<unsigned char>(ch) < 0x20) {
      return platform::Status(platform::StatusCode::kInvalid, "the title must be one line of text");
    }
  if (title.find('[') != std::string::npos || title.find('$') != std::string::npos) {
    // The title heads a message, where "[" ends it and "$" names a variable.
    return platform::Status(platform::StatusCode::kInvalid, "the title cannot hold [ or $");
  }
  const std::string story = Story(title);
  const script::SourceConversion kvs = script::Utf8ToGameSource(story);
  if (kvs.fault) {
    return platform::Status(platform::StatusCode::kInvalid,
                            "the title cannot be written in Shift-JIS: " + kvs.fault->message);
  }
  auto bmp = [](const Surface& s) { return Bytes(display::EncodeBmp24(s)); };
  auto jpeg = [](const Surface& s) {
    return Bytes(display::EncodeJpeg(s, 90).value_or(std::vector<uint8_t>{}));
  };
  std::vector<NewGameFile> files = {
      {"rurirora.ini", kConfig},
      {"story.txt", story},
      {"story.kvs", kvs.text},
      {"bg_hill.jpg", jpeg(HillPicture())},
      {"bg_sea.jpg", jpeg(SeaPicture())},
      {"frame/frame2.bmp", bmp(FrameMask())},
      {"frame/frame.bmp", bmp(FramePicture())},
      {"wait_next.bmp", bmp(WaitIcon(IconShape::kArrowDown, MakeColor(0x3d, 0x85, 0xc6)))},
      {"wait_ent.bmp", bmp(WaitIcon(IconShape::kSquare, MakeColor(0xe0, 0x66, 0x66)))},
      {"wait_q.bmp", bmp(WaitIcon(IconShape::kDiamond, MakeColor(0xf1, 0xc2, 0x32)))},
      {"wait_mouse.bmp", bmp(WaitIcon(IconShape::kCross, MakeColor(0x6a, 0xa8, 0x4f)))},
      {"bgm/theme.wav", Theme()},
      {"se/sleep.wav", EndSound()},
      {"README", title + ": a game for zepa.\n"
                         "Play it with zepa --game . and check it with zepa --check --game .\n"
                         "After editing story.txt run zepa-codec from-utf8 story.txt story.kvs\n"},
  };
  for (const NewGameFile& f : files)
    if (f.bytes.empty()) {
      return platform::Status::Failed("cannot make " + f.name);
    }
  return files;
}

platform::Status WriteNewGame(const std::string& dir, const std::string& title) {
  switch (platform::ProbePath(dir)) {
    case platform::PathKind::kMissing:
      break;
    case platform::PathKind::kDirectory:
      if (const auto entries = platform::ListFolder(dir); !entries || !entries->empty()) {
        return platform::Status(platform::StatusCode::kRefused,
                                dir + " exists and is not empty: nothing is written");
      }
      break;
    default:
      return platform::Status(platform::StatusCode::kRefused, dir + " exists and is not a folder");
  }
  const platform::Result<std::vector<NewGameFile>> files = MakeNewGameFiles(title);
  if (!files.ok()) return files.status();
  // Through the platform layer, which spells a Japanese folder name as the
  // system does (std::filesystem on Windows would read it in the code page).
  const std::unique_ptr<platform::Files> disk = platform::CreateSystemFiles();
  for (const NewGameFile& f : *files) {
    const std::string path = dir + "/" + f.name;
    const std::string folder = platform::ParentPath(path);
    if (platform::Status made = disk->CreateDirectories(folder); !made.ok())
      return platform::Status::Failed("cannot make the folder " + folder + ": " + made.message());
    if (platform::Status w = platform::WriteNewFile(path, f.bytes); !w.ok()) return w;
  }
  return {};
}

int RunNewGameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string dir, title = "A new game";
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--title") {
      if (i + 1 >= args.size()) {
        err << "zepa: --title needs a text (see zepa --help)\n";
        return 2;
      }
      title = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      err << "zepa: unknown option " << args[i] << " for new (see zepa --help)\n";
      return 2;
    } else if (dir.empty()) {
      dir = args[i];
    } else {
      err << "zepa: new takes one folder (see zepa --help)\n";
      return 2;
    }
  }
  if (dir.empty()) {
    err << "zepa: new needs a folder: zepa new DIR [--title TEXT]\n";
    return 2;
  }
  if (const platform::Status written = WriteNewGame(dir, title); !written.ok()) {
    err << "zepa: " << written.message() << "\n";
    return 1;
  }
  out << "made the game " << title << " in " << dir << "; play it with zepa --game " << dir << "\n";
  return 0;
}

}  // namespace zepa::engine
