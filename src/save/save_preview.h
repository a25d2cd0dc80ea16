#pragma once
// The previews beside the save and load windows' slots: what a save file
// shows of itself (the display it was saved on, when it was written, its
// scene) read without loading it, and kept per file until the file changes.
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "platform/files.h"
#include "platform/surface.h"

namespace zepa::save {

constexpr int kPreviewWidth = 160;
constexpr int kPreviewHeight = 120;

struct SavePreview {
  platform::Surface picture;  // kPreviewWidth x kPreviewHeight, or empty
  std::string date_text;      // when the file was last written, local time
  std::string scene;          // UTF-8
  // Nothing could be read: the frame is shown empty, without texts.
  bool empty() const { return picture.Empty() && date_text.empty() && scene.empty(); }
};

/// `source` averaged down (or repeated up) to `width` x `height`.
platform::Surface ResizeByArea(const platform::Surface& source, int width, int height);

/// A save's display picture at the preview's size: decoded at the largest
/// reduction that still covers the preview, then averaged. Empty when the
/// bytes do not decode.
platform::Surface PreviewPicture(std::span<const uint8_t> jpeg);

/// The preview of a save file's bytes, dated `modified_s` (seconds since
/// the epoch). Damaged bytes give what could be read; bytes with neither a
/// scene nor a display picture give an empty preview.
SavePreview MakePreview(std::span<const uint8_t> bytes, int64_t modified_s);

class SavePreviews {
 public:
  /// The preview of the file at `path`, read again only when the file's
  /// modification time or size changed; a missing, unreadable or damaged
  /// file gives an empty preview.
  const SavePreview& For(const std::string& path);
  /// How many files were read and decoded so far (the cache's misses).
  int reads() const { return reads_; }

 private:
  struct Entry {
    std::optional<platform::FileStamp> stamp;
    SavePreview preview;
  };
  std::map<std::string, Entry> entries_;
  int reads_ = 0;
};

}  // namespace zepa::save
