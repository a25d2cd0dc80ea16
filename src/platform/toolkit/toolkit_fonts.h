#pragma once
// The small windows' fonts: the faces found through the font lookup, and
// one ImGui atlas per window that grows with the characters it shows.
#include <imgui.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "platform/tool_window.h"

namespace zepa::platform {

/// Calls `f` with each code point of `utf8`, stopping at a broken sequence.
void ForEachCodePoint(std::string_view utf8, const std::function<void(char32_t)>& f);

/// The toolkit's face: the proportional gothic the windows were designed
/// with, or the closest Japanese face fontconfig knows. Empty when none.
std::string FindToolkitFontFile();
/// The fixed-pitch gothic of the same family, for texts laid out in
/// columns. Empty when none.
std::string FindFixedPitchToolkitFontFile();

class ToolkitFonts {
 public:
  /// Builds `atlas` for the sizes and characters `window` has now. False,
  /// with `error` set, when there is no face or it cannot be loaded.
  Status Load(ImFontAtlas* atlas, const ToolWindow& window);
  /// Glyphs are rasterised `scale` times larger than their size, for a
  /// window drawn enlarged (ImGui then lays them out at 1 / scale). Set
  /// before Load.
  void SetScale(int scale) { scale_ = scale < 1 ? 1 : scale; }

  /// Adds to the atlas every character and size that `window` and `extra`
  /// (texts being typed) hold beyond it. True when the atlas was rebuilt:
  /// its texture must then be uploaded again.
  bool Cover(const ToolWindow& window, const std::vector<std::string_view>& extra);

  /// The font for a control of `px` pixels (the 12-pixel one for sizes the
  /// window did not have), fixed-pitch where asked and available.
  ImFont* Get(int px, bool fixed_pitch) const;
  ImFont* Default() const { return Get(12, false); }

 private:
  bool Build();
  void Want(std::string_view utf8);
  void WantSizes(const ToolWindow& window);

  ImFontAtlas* atlas_ = nullptr;
  int scale_ = 1;
  std::string file_;
  std::string fixed_file_;
  bool editable_ = false;
  std::set<int> sizes_;
  std::set<int> fixed_sizes_;
  std::set<ImWchar> wanted_;  // beyond the base ranges, all asked for so far
  bool grown_ = false;        // Want() added something since the last build
  std::vector<ImWchar> ranges_;
  std::map<int, ImFont*> fonts_;
  std::map<int, ImFont*> fixed_fonts_;
};

}  // namespace zepa::platform
