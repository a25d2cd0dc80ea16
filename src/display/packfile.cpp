#include "display/packfile.h"

#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "script/expression.h"

namespace zepa::display {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view CutAtLineEnd(std::string_view s) {
  size_t end = s.find_first_of("\r\n");
  return end == std::string_view::npos ? s : s.substr(0, end);
}

// Nothing larger is read into memory, from the pack or from disk. The
// largest picture we decode, 4096 x 4096 at 32 bits, is 64 MiB and headers.
constexpr uint64_t kMaxFileBytes = 65ull << 20;

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

class PackReader {
 public:
  bool Open(const std::string& path) {
    if (!IsRegularFile(path)) return false;
    std::error_code ec;
    uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) return false;
    size_bytes_ = size;
    // Each entry costs two short lines and a seek; a small buffer keeps the
    // seek from refilling kilobytes that are skipped at once. Large content
    // reads bypass the buffer.
    buf_.pubsetbuf(buffer_, sizeof buffer_);
    return buf_.open(path, std::ios::in | std::ios::binary) != nullptr;
  }

  // Like fgets into a 511-byte buffer: up to 510 bytes, ending after a line
  // feed; false at the end of the file with nothing read. The line stops at
  // a NUL byte, as the C string it was read into would.
  bool ReadLine(std::string& line) {
    line.clear();
    bool any = false;
    while (line.size() < kPackLineBytes) {
      int c = buf_.sbumpc();
      if (c == std::char_traits<char>::eof()) break;
      any = true;
      ++position_;
      line.push_back(static_cast<char>(c));
      if (c == '\n') break;
    }
    size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    return any;
  }

  // Reads the next entry's name and size lines. False at the end of the file.
  bool ReadHeader(std::string& name, int32_t& size) {
    std::string line;
    if (!ReadLine(line)) return false;
    // The directory cut is made on the stored bytes, before unscrambling.
    std::string_view view = line;
    size_t cut = view.find_last_of("\\:");
    if (cut != std::string_view::npos) view.remove_prefix(cut + 1);
    name.assign(CutAtLineEnd(view));
    ScrambleLine(name);
    if (!ReadLine(line)) return false;
    std::string size_text(CutAtLineEnd(line));
    ScrambleLine(size_text);
    size = script::ParseNumber(size_text);
    return true;
  }

  uint64_t Position() const { return position_; }
  uint64_t Remaining() const { return position_ < size_bytes_ ? size_bytes_ - position_ : 0; }

  bool Skip(int32_t size) {
    if (size < 0 || static_cast<uint64_t>(size) > Remaining()) return false;
    position_ += static_cast<uint64_t>(size);
    return buf_.pubseekpos(static_cast<std::streamoff>(position_), std::ios::in) !=
           std::streampos(std::streamoff(-1));
  }

  bool Read(uint64_t size, std::vector<uint8_t>& out) {
    if (size > Remaining() || size > kMaxFileBytes) return false;
    out.resize(static_cast<size_t>(size));
    std::streamsize got =
        size == 0 ? 0 : buf_.sgetn(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
    position_ += static_cast<uint64_t>(got);
    return static_cast<uint64_t>(got) == size;
  }

  bool SeekTo(uint64_t offset) {
    if (offset > size_bytes_) return false;
    position_ = offset;
    return buf_.pubseekpos(static_cast<std::streamoff>(offset), std::ios::in) !=
           std::streampos(std::streamoff(-1));
  }

 private:
  char buffer_[256];
  std::filebuf buf_;
  uint64_t size_bytes_ = 0;
  uint64_t position_ = 0;
};

}  // namespace

void ScrambleLine(std::string& line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const unsigned b = static_cast<uint8_t>(line[i]);
    if (b == 0 || b == '\r' || b == '\n') continue;
    const unsigned n = (511u - b - static_cast<unsigned>(i % 256)) & 0xffu;
    if (n == 0 || n == '\r' || n == '\n') continue;
    line[i] = static_cast<char>(n);
  }
}

std::string_view BareName(std::string_view path) {
  size_t cut = path.find_last_of("/\\:");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::optional<std::vector<uint8_t>> FindInPackFile(const std::string& pack_path,
                                                   std::string_view bare_name) {
  PackReader reader;
  if (!reader.Open(pack_path)) return std::nullopt;
  std::string name;
  int32_t size = 0;
  while (reader.ReadHeader(name, size)) {
    if (EqualNoCase(name, bare_name)) {
      // A size that is negative or runs past the end cannot be had; the
      // lookup fails rather than return bytes the entry does not hold.
      std::vector<uint8_t> bytes;
      if (size < 0 || !reader.Read(static_cast<uint64_t>(size), bytes)) return std::nullopt;
      return bytes;
    }
    // A negative skip would seek backwards and could loop for ever.
    if (!reader.Skip(size)) return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> OpenPicture(const std::string& pack_path,
                                                const std::string& path) {
  if (auto packed = FindInPackFile(pack_path, BareName(path))) return packed;
  PackReader reader;
  if (!reader.Open(path)) return std::nullopt;
  std::vector<uint8_t> bytes;
  const uint64_t size = reader.Remaining();
  if (size == 0 || !reader.Read(size, bytes)) return std::nullopt;
  return bytes;
}

std::string BuildPackEntry(std::string_view bare_name, std::span<const uint8_t> content,
                           std::string* error) {
  auto fail = [&](std::string message) {
    if (error) *error = std::move(message);
    return std::string();
  };
  std::string quoted(1, '"');
  quoted.append(bare_name);
  quoted += '"';
  if (bare_name.empty()) return fail("empty entry name");
  if (bare_name.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos)
    return fail("entry name " + quoted + " holds a line break or NUL byte");
  if (bare_name.size() + 1 > kPackLineBytes)
    return fail("entry name " + quoted + " is longer than " + std::to_string(kPackLineBytes - 1) +
                " bytes");
  if (content.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    return fail("content of " + quoted + " is larger than 2147483647 bytes");
  std::string name(bare_name);
  ScrambleLine(name);
  size_t bad = name.find_first_of("\\:");
  if (bad != std::string::npos)
    return fail("entry name " + quoted + " cannot be stored: byte " + std::to_string(bad) +
                " scrambles to a backslash or colon; rename the file");
  std::string size_line = std::to_string(content.size());
  ScrambleLine(size_line);
  std::string entry;
  entry.reserve(name.size() + size_line.size() + 2 + content.size());
  entry += name;
  entry += '\n';
  entry += size_line;
  entry += '\n';
  entry.append(reinterpret_cast<const char*>(content.data()), content.size());
  return entry;
}

std::optional<std::vector<PackEntry>> ListPackFile(const std::string& pack_path,
                                                   std::string* error) {
  auto fail = [&](std::string message) -> std::optional<std::vector<PackEntry>> {
    if (error) *error = std::move(message);
    return std::nullopt;
  };
  PackReader reader;
  if (!reader.Open(pack_path)) return fail("cannot read " + pack_path);
  std::vector<PackEntry> entries;
  std::string name;
  int32_t size = 0;
  while (true) {
    const uint64_t start = reader.Position();
    if (!reader.ReadHeader(name, size)) {
      if (reader.Position() == start) break;  // a clean end after the last entry
      return fail("entry at offset " + std::to_string(start) + " has no size line");
    }
    if (size < 0 || static_cast<uint64_t>(size) > reader.Remaining())
      return fail("entry \"" + name + "\" at offset " + std::to_string(start) +
                  " claims " + std::to_string(size) + " bytes; the file is damaged");
    entries.push_back({name, static_cast<uint64_t>(size), reader.Position()});
    reader.Skip(size);
  }
  return entries;
}

std::optional<std::vector<uint8_t>> ReadPackEntry(const std::string& pack_path,
                                                  const PackEntry& entry) {
  PackReader reader;
  std::vector<uint8_t> bytes;
  if (!reader.Open(pack_path) || !reader.SeekTo(entry.offset) || !reader.Read(entry.size_bytes, bytes))
    return std::nullopt;
  return bytes;
}

}  // namespace zepa::display
