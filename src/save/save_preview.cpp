#include "save/save_preview.h"

#include <algorithm>

#include "display/picture.h"
#include "platform/cp932.h"
#include "save/save_file.h"
#include "save/save_folder.h"

namespace zepa::save {
namespace {

// The load list holds at most 100 files besides the slots and the quick
// save; past this the cache starts again rather than grow for good.
constexpr size_t kMaxCachedPreviews = 256;

}  // namespace

platform::Surface ResizeByArea(const platform::Surface& source, int width, int height) {
  platform::Surface out;
  if (source.Empty() || width <= 0 || height <= 0) return out;
  out.Reset(width, height, 0);
  for (int y = 0; y < height; ++y) {
    const int y0 = static_cast<int>(int64_t{y} * source.height / height);
    const int y1 = std::max(y0 + 1, static_cast<int>(int64_t{y + 1} * source.height / height));
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < width; ++x) {
      const int x0 = static_cast<int>(int64_t{x} * source.width / width);
      const int x1 = std::max(x0 + 1, static_cast<int>(int64_t{x + 1} * source.width / width));
      uint32_t sum[3] = {0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        const uint8_t* p = source.Row(sy) + x0 * 3;
        for (int sx = x0; sx < x1; ++sx, p += 3) {
          sum[0] += p[0];
          sum[1] += p[1];
          sum[2] += p[2];
        }
      }
      const uint32_t n = static_cast<uint32_t>((y1 - y0) * (x1 - x0));
      for (int c = 0; c < 3; ++c) dst[3 * x + c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
    }
  }
  return out;
}

platform::Surface PreviewPicture(std::span<const uint8_t> jpeg) {
  // Most games are 640 x 480, which a quarter-size decode gives exactly.
  // An eighth-size decode reads little more than the header, so trying the
  // reductions from the smallest costs next to nothing.
  for (int reduce : {8, 4, 2, 1}) {
    std::optional<platform::Surface> picture = display::DecodeJpeg(jpeg, reduce);
    if (!picture) return {};
    if (reduce > 1 && (picture->width < kPreviewWidth || picture->height < kPreviewHeight))
      continue;
    if (picture->width == kPreviewWidth && picture->height == kPreviewHeight) return *picture;
    return ResizeByArea(*picture, kPreviewWidth, kPreviewHeight);
  }
  return {};
}

SavePreview MakePreview(std::span<const uint8_t> bytes, int64_t modified_s) {
  SavePreview preview;
  const SaveHeader header = ReadSaveHeader(bytes);
  // A file that is no save at all shows nothing rather than a bare date.
  if (header.display_jpeg.empty() && header.scene.empty()) return preview;
  if (!header.display_jpeg.empty()) preview.picture = PreviewPicture(header.display_jpeg);
  preview.scene = platform::Cp932ToUtf8(header.scene);
  preview.date_text = platform::LocalDateTimeText(modified_s);
  return preview;
}

const SavePreview& SavePreviews::For(const std::string& path) {
  const std::optional<platform::FileStamp> stamp = platform::StampOf(path);
  auto found = entries_.find(path);
  if (found != entries_.end() && found->second.stamp == stamp) return found->second.preview;
  if (found == entries_.end() && entries_.size() >= kMaxCachedPreviews) entries_.clear();
  Entry& entry = entries_[path];
  entry.stamp = stamp;
  entry.preview = SavePreview{};
  if (!stamp) return entry.preview;
  ++reads_;
  platform::ReadResult read = platform::ReadRegularFile(path, kMaxSaveFileBytes);
  if (read.status != platform::ReadStatus::kOk) return entry.preview;
  const auto* data = reinterpret_cast<const uint8_t*>(read.bytes.data());
  entry.preview = MakePreview({data, read.bytes.size()}, stamp->modified_ns / 1000000000);
  return entry.preview;
}

}  // namespace zepa::save
