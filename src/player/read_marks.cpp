#include "player/read_marks.h"

#include <bit>

namespace zepa::player {
namespace {

constexpr std::string_view kMagic = "zepa read marks 1\n";

void PutLe(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

std::optional<uint32_t> TakeLe(std::string_view& in, int bytes) {
  if (in.size() < static_cast<size_t>(bytes)) return std::nullopt;
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint32_t{static_cast<uint8_t>(in[i])} << (8 * i);
  in.remove_prefix(static_cast<size_t>(bytes));
  return v;
}

}  // namespace

bool ReadMarks::Mark(std::string_view file, size_t line) {
  if (line >= kMaxLine || file.size() > kMaxNameBytes) return false;
  auto it = files_.find(file);
  if (it == files_.end()) {
    if (files_.size() >= kMaxFiles) return false;
    it = files_.emplace(std::string(file), std::vector<uint8_t>{}).first;
  }
  std::vector<uint8_t>& bits = it->second;
  if (bits.size() <= line / 8) bits.resize(line / 8 + 1, 0);
  const uint8_t bit = static_cast<uint8_t>(1u << (line % 8));
  if (bits[line / 8] & bit) return false;
  bits[line / 8] |= bit;
  ++count_;
  changed_ = true;
  return true;
}

bool ReadMarks::IsRead(std::string_view file, size_t line) const {
  const auto it = files_.find(file);
  if (it == files_.end() || line / 8 >= it->second.size()) return false;
  return (it->second[line / 8] >> (line % 8)) & 1;
}

std::string ReadMarks::Serialize() {
  std::string out(kMagic);
  for (const auto& [name, bits] : files_) {
    PutLe(out, static_cast<uint32_t>(name.size()), 2);
    out += name;
    PutLe(out, static_cast<uint32_t>(bits.size()), 4);
    out.append(reinterpret_cast<const char*>(bits.data()), bits.size());
  }
  changed_ = false;
  return out;
}

std::optional<ReadMarks> ReadMarks::Parse(std::string_view bytes) {
  if (bytes.size() > kMaxBytes || !bytes.starts_with(kMagic)) return std::nullopt;
  bytes.remove_prefix(kMagic.size());
  ReadMarks marks;
  while (!bytes.empty()) {
    const std::optional<uint32_t> name_size = TakeLe(bytes, 2);
    if (!name_size || *name_size > kMaxNameBytes || bytes.size() < *name_size) return std::nullopt;
    std::string name(bytes.substr(0, *name_size));
    bytes.remove_prefix(*name_size);
    const std::optional<uint32_t> map_size = TakeLe(bytes, 4);
    if (!map_size || *map_size > kMaxLine / 8 || bytes.size() < *map_size) return std::nullopt;
    if (marks.files_.size() >= kMaxFiles || marks.files_.count(name)) return std::nullopt;
    std::vector<uint8_t> bits(bytes.begin(), bytes.begin() + *map_size);
    bytes.remove_prefix(*map_size);
    for (uint8_t b : bits) marks.count_ += static_cast<size_t>(std::popcount(b));
    marks.files_.emplace(std::move(name), std::move(bits));
  }
  return marks;
}

}  // namespace zepa::player
