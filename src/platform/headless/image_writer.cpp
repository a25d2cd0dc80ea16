#include "platform/headless/image_writer.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>

#include "platform/files.h"
#include "platform/png_encode.h"

namespace zepa::platform {
namespace {

// A bound on pictures read back, so a hostile header cannot ask for gigabytes.
constexpr uint64_t kMaxReadPixels = uint64_t{1} << 26;
// A PNG of that many pixels compresses far below this.
constexpr size_t kMaxReadFileBytes = size_t{256} << 20;

std::string LowerExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool SizeIsConsistent(const Surface& s) {
  return !s.Empty() && s.pixels.size() == static_cast<size_t>(s.width) * s.height * 3;
}

bool WritePng(const Surface& s, const std::string& path) {
  const std::optional<std::string> png = EncodePng(s);
  if (!png) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(png->data(), static_cast<std::streamsize>(png->size()));
  return static_cast<bool>(out.flush());
}

void PutLe(std::vector<uint8_t>* out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool WriteBmp(const Surface& s, const std::string& path) {
  const uint32_t row_bytes = (static_cast<uint32_t>(s.width) * 3 + 3) & ~3u;
  const uint64_t image_bytes = uint64_t{row_bytes} * static_cast<uint32_t>(s.height);
  if (image_bytes > 0x7fffffffu - 54) return false;
  std::vector<uint8_t> header;
  header.reserve(54);
  header.push_back('B');
  header.push_back('M');
  PutLe(&header, static_cast<uint32_t>(54 + image_bytes), 4);
  PutLe(&header, 0, 4);
  PutLe(&header, 54, 4);
  PutLe(&header, 40, 4);
  PutLe(&header, static_cast<uint32_t>(s.width), 4);
  PutLe(&header, static_cast<uint32_t>(s.height), 4);  // positive: rows bottom-up
  PutLe(&header, 1, 2);
  PutLe(&header, 24, 2);
  PutLe(&header, 0, 4);  // no compression
  PutLe(&header, static_cast<uint32_t>(image_bytes), 4);
  PutLe(&header, 2835, 4);  // 72 dpi
  PutLe(&header, 2835, 4);
  PutLe(&header, 0, 4);
  PutLe(&header, 0, 4);

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(header.data()),
            static_cast<std::streamsize>(header.size()));
  std::vector<char> row(row_bytes, 0);
  for (int y = s.height - 1; y >= 0; --y) {
    std::memcpy(row.data(), s.Row(y), static_cast<size_t>(s.Stride()));
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(out.flush());
}

}  // namespace

bool WriteImage(const Surface& surface, const std::string& path) {
  if (!SizeIsConsistent(surface)) return false;
  const std::string ext = LowerExtension(path);
  if (ext == ".png") return WritePng(surface, path);
  if (ext == ".bmp") return WriteBmp(surface, path);
  return false;
}

Status WriteImageFile(const Surface& surface, const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext != ".png" && ext != ".bmp")
    return {StatusCode::kInvalid, path + ": the name must end in .png or .bmp"};
  if (!SizeIsConsistent(surface)) return {StatusCode::kInvalid, path + ": the display is empty"};
  if (WriteImage(surface, path)) return {};
  // The image libraries do not say why; the usual reasons are found here.
  struct stat st;
  const size_t slash = path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return {StatusCode::kRefused, path + ": is a directory"};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return {StatusCode::kMissing, path + ": no such directory"};
  if (access(folder.c_str(), W_OK) != 0 ||
      (access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0))
    return {StatusCode::kRefused, path + ": permission denied"};
  return Status::Failed(path + ": write error");
}

std::optional<Surface> ReadPng(const std::string& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  // Read through the bounded reader: a FIFO or an endless device is refused.
  const ReadResult read = ReadRegularFile(path, kMaxReadFileBytes);
  if (read.status != ReadStatus::kOk) return std::nullopt;
  if (!png_image_begin_read_from_memory(&image, read.bytes.data(), read.bytes.size()))
    return std::nullopt;
  if (image.width == 0 || image.height == 0 ||
      uint64_t{image.width} * image.height > kMaxReadPixels) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_BGR;
  Surface s(static_cast<int>(image.width), static_cast<int>(image.height), 0);
  png_color black{0, 0, 0};
  const int ok = png_image_finish_read(&image, &black, s.pixels.data(), s.Stride(), nullptr);
  png_image_free(&image);
  if (!ok) return std::nullopt;
  return s;
}

}  // namespace zepa::platform
