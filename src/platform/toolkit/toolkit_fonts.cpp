#include "platform/toolkit/toolkit_fonts.h"

#include <imgui_freetype.h>
#include <imgui_internal.h>  // ImTextCharFromUtf8

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <span>

#include "platform/toolkit/font_lookup.h"

namespace zepa::platform {
namespace {

// The first face of `preferred` that fontconfig has (a Japanese, scalable
// one), else the closest Japanese face it knows.
std::string FindJapaneseFontFile(std::span<const char* const> preferred) {
  std::string best_path;
  size_t best_rank = SIZE_MAX;
  const std::vector<FoundFace> faces = FindJapaneseFaces(preferred, SIZE_MAX);
  for (size_t i = 0; i < faces.size(); ++i) {
    // Rank: the first preferred family the face names, else after them all
    // in the configuration's order.
    size_t rank = preferred.size() + i;
    for (const std::string& family : faces[i].families)
      for (size_t k = 0; k < preferred.size(); ++k)
        if (family == preferred[k]) rank = std::min(rank, k);
    if (rank < best_rank) {
      best_rank = rank;
      best_path = faces[i].path;
    }
  }
  return best_path;
}

int ClampSize(int px) { return std::clamp(px, 6, 72); }

// A face's bytes, read once for the whole run: every window and size
// shares them, so a window opens without reading and copying a face of
// several megabytes again for each size. Null when the file cannot be read.
struct FaceBytes {
  void* data = nullptr;
  size_t size = 0;
  ~FaceBytes() { IM_FREE(data); }
};
const FaceBytes* ReadFace(const std::string& path) {
  static std::mutex guard;
  static std::map<std::string, std::unique_ptr<FaceBytes>> faces;
  const std::lock_guard<std::mutex> lock(guard);
  std::unique_ptr<FaceBytes>& face = faces[path];
  if (!face) {
    face = std::make_unique<FaceBytes>();
    face->data = ImFileLoadToMemory(path.c_str(), "rb", &face->size);
  }
  return face->data && face->size > 0 ? face.get() : nullptr;
}

ImFont* AddFace(ImFontAtlas* atlas, const std::string& path, float px, ImFontConfig config,
                const ImWchar* ranges) {
  const FaceBytes* face = ReadFace(path);
  if (!face || face->size > static_cast<size_t>(INT32_MAX)) return nullptr;
  // Handed over as the atlas's own, which it takes without a copy (one it
  // does not own it copies whole, for every size); then marked as not its
  // own, so that clearing the atlas leaves the shared bytes alone.
  config.FontDataOwnedByAtlas = true;
  ImFont* font =
      atlas->AddFontFromMemoryTTF(face->data, static_cast<int>(face->size), px, &config, ranges);
  for (ImFontConfig& added : atlas->ConfigData)
    if (added.FontData == face->data) added.FontDataOwnedByAtlas = false;
  return font;
}

bool InRanges(const std::vector<ImWchar>& ranges, ImWchar c) {
  for (size_t i = 0; i + 1 < ranges.size(); i += 2)
    if (c >= ranges[i] && c <= ranges[i + 1]) return true;
  return false;
}

}  // namespace

std::string FindToolkitFontFile() {
  // Looked up once: sorting every face the configuration knows costs more
  // than drawing a window, and the fonts do not change during a game.
  static const std::string found = [] {
    // The face the windows were designed with, then its usual stand-ins: the
    // proportional gothic first. Font configurations often alias the old
    // face's name to a fixed-pitch gothic, so the family names themselves
    // decide, and the configuration's order only breaks ties.
    static const char* const kPreferred[] = {"MS PGothic", "ＭＳ Ｐゴシック",
                                             "IPAPGothic", "IPA Pゴシック",
                                             "VL PGothic", "Noto Sans CJK JP"};
    return FindJapaneseFontFile(kPreferred);
  }();
  return found;
}

std::string FindFixedPitchToolkitFontFile() {
  static const std::string found = [] {
    static const char* const kPreferred[] = {"MS Gothic", "ＭＳ ゴシック",
                                             "IPAGothic", "IPAゴシック",
                                             "VL Gothic", "Noto Sans Mono CJK JP"};
    return FindJapaneseFontFile(kPreferred);
  }();
  return found;
}

void ForEachCodePoint(std::string_view utf8, const std::function<void(char32_t)>& f) {
  const char* p = utf8.data();
  const char* end = p + utf8.size();
  while (p < end) {
    unsigned int c = 0;
    const int n = ImTextCharFromUtf8(&c, p, end);
    if (n <= 0) return;
    p += n;
    f(static_cast<char32_t>(c));
  }
}

void ToolkitFonts::Want(std::string_view utf8) {
  ForEachCodePoint(utf8, [this](char32_t c) {
    // The atlas holds the basic plane only; CP932 has nothing beyond it.
    if (c == 0 || c > 0xFFFF) return;
    const auto w = static_cast<ImWchar>(c);
    if (!InRanges(ranges_, w)) grown_ |= wanted_.insert(w).second;
  });
}

void ToolkitFonts::WantSizes(const ToolWindow& window) {
  for (const Control& c : window.controls) {
    grown_ |= sizes_.insert(ClampSize(c.font_px)).second;
    if (c.fixed_pitch) grown_ |= fixed_sizes_.insert(ClampSize(c.font_px)).second;
  }
}

Status ToolkitFonts::Load(ImFontAtlas* atlas, const ToolWindow& window) {
  atlas_ = atlas;
  file_ = FindToolkitFontFile();
  if (file_.empty()) {
    return Status(StatusCode::kMissing,
                  "no Japanese font for the windows: install fonts-ipafont-gothic");
  }
  // FreeType's hinting keeps 12-pixel kanji legible; stb_truetype's
  // unhinted glyphs smear at that size.
  atlas_->FontBuilderIO = ImGuiFreeType::GetBuilderForFreeType();
  atlas_->FontBuilderFlags = ImGuiFreeTypeBuilderFlags_LightHinting;
  // Windows with an edit field start with the common kanji a player may
  // type; the rest arrive as they appear. Rendering the few thousand kanji
  // takes a good part of a second, so windows that only show text start
  // with their own characters.
  editable_ = std::any_of(window.controls.begin(), window.controls.end(),
                          [](const Control& c) { return c.kind == ControlKind::kEdit; });
  sizes_ = {12};
  WantSizes(window);
  if (!fixed_sizes_.empty()) fixed_file_ = FindFixedPitchToolkitFontFile();
  grown_ = true;
  Cover(window, {});
  if (fonts_.size() != sizes_.size()) {
    return Status::Failed("cannot load the window font " + file_);
  }
  return {};
}

bool ToolkitFonts::Cover(const ToolWindow& window, const std::vector<std::string_view>& extra) {
  if (!atlas_) return false;
  Want(window.caption);
  for (const Control& c : window.controls) {
    Want(c.text);
    for (const std::string& item : c.items) Want(item);
    for (const auto& row : c.cells)
      for (const std::string& cell : row) Want(cell);
  }
  for (std::string_view text : extra) Want(text);
  const bool fixed_before = !fixed_sizes_.empty();
  WantSizes(window);
  if (!fixed_before && !fixed_sizes_.empty()) fixed_file_ = FindFixedPitchToolkitFontFile();
  if (!grown_) return false;
  grown_ = false;
  return Build();
}

bool ToolkitFonts::Build() {
  ImFontGlyphRangesBuilder builder;
  builder.AddRanges(editable_ ? atlas_->GetGlyphRangesJapanese() : atlas_->GetGlyphRangesDefault());
  static const ImWchar kExtra[] = {0x2000, 0x206F, 0x2190, 0x22FF, 0x2500, 0x25FF,
                                   0x3000, 0x30FF, 0xFF00, 0xFFEF, 0};
  builder.AddRanges(kExtra);
  for (ImWchar c : wanted_) builder.AddChar(c);
  ImVector<ImWchar> built;
  builder.BuildRanges(&built);
  // The ranges must outlive the build, which happens here rather than at
  // the first frame.
  ranges_.assign(built.begin(), built.end());

  atlas_->Clear();
  fonts_.clear();
  fixed_fonts_.clear();
  ImFontConfig config;
  config.OversampleH = 1;
  config.OversampleV = 1;
  config.PixelSnapH = true;
  for (int size : sizes_) {
    ImFont* font =
        AddFace(atlas_, file_, static_cast<float>(size * scale_), config, ranges_.data());
    if (!font) break;
    fonts_[size] = font;
  }
  // Fixed-pitch controls get the fixed gothic where there is one, and the
  // proportional face otherwise.
  if (!fixed_file_.empty() && fixed_file_ != file_) {
    for (int size : fixed_sizes_) {
      if (ImFont* font = AddFace(atlas_, fixed_file_, static_cast<float>(size * scale_), config,
                                 ranges_.data()))
        fixed_fonts_[size] = font;
    }
  }
  if (fonts_.size() != sizes_.size() || !atlas_->Build()) {
    fonts_.clear();
    fixed_fonts_.clear();
    return false;
  }
  return true;
}

ImFont* ToolkitFonts::Get(int px, bool fixed_pitch) const {
  if (fixed_pitch)
    if (auto found = fixed_fonts_.find(px); found != fixed_fonts_.end()) return found->second;
  if (auto found = fonts_.find(px); found != fonts_.end()) return found->second;
  auto fallback = fonts_.find(12);
  return fallback == fonts_.end() ? nullptr : fallback->second;
}

}  // namespace zepa::platform
