#include "script/variables.h"

#include <cassert>
#include <charconv>
#include <cstring>

#include "script/expression.h"
#include "script/sjis.h"

namespace zepa::script {
namespace {

// Over-long names are cut to the field, so the cut name is what is stored
// and what every later lookup of the same long name finds.
std::string_view StoredName(std::string_view name) {
  return FitToBytes(name, kVariableNameBytes - 1);
}

}  // namespace

std::string_view FitToBytes(std::string_view text, size_t max_bytes) {
  if (const size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  if (text.size() <= max_bytes) return text;
  size_t i = 0;
  while (i < text.size()) {
    const size_t len = (IsLeadByte(text[i]) && i + 1 < text.size()) ? 2 : 1;
    if (i + len > max_bytes) break;
    i += len;
  }
  return text.substr(0, i);
}

void CopyToField(char* field, size_t field_bytes, std::string_view text) {
  if (field_bytes == 0) return;
  const std::string_view fit = FitToBytes(text, field_bytes - 1);
  std::memcpy(field, fit.data(), fit.size());
  field[fit.size()] = '\0';
}

VariableTable::VariableTable() { Reset(0); }

void VariableTable::Reset(uint32_t seed) {
  std::memset(entries_.data(), 0, sizeof(VariableEntry) * entries_.size());
  random_state_ = seed;
}

int VariableTable::FindVariable(std::string_view name) const {
  const std::string_view key = StoredName(name);
  // Names compare whole, byte for byte. The empty name is no exception: it
  // matches the first free entry, which old scenarios can write a value into
  // with [set]="7" and a later new name then inherits.
  // The last byte is looked at first: a shorter stored name has its NUL
  // padding there, so most entries are passed without a call to memcmp.
  const size_t last = key.empty() ? 0 : key.size() - 1;
  const char last_byte = key.empty() ? '\0' : key[last];
  for (int i = 0; i < kVariableCount; ++i) {
    const char* stored = entries_[i].name;
    if (stored[key.size()] == '\0' && stored[last] == last_byte &&
        std::memcmp(stored, key.data(), key.size()) == 0)
      return i;
  }
  return -1;
}

int VariableTable::FindOrAddVariable(std::string_view name) {
  const std::string_view key = StoredName(name);
  if (const int found = FindVariable(key); found >= 0) return found;
  for (int i = 0; i < kVariableCount; ++i) {
    if (entries_[i].name[0] == '\0') {
      // Only the name is written: the value keeps what the entry held.
      CopyToField(entries_[i].name, kVariableNameBytes, key);
      return i;
    }
  }
  return -1;
}

char* VariableTable::VariableText(std::string_view name) {
  const int i = FindOrAddVariable(name);
  return i < 0 ? nullptr : entries_[i].value;
}

int32_t VariableTable::VariableNumber(std::string_view name) const {
  const int i = FindVariable(name);
  if (i < 0) return 0;
  const char* value = entries_[i].value;
  return ParseNumber(std::string_view(value, strnlen(value, kValueBytes)));
}

void VariableTable::SetVariableNumber(std::string_view name, int32_t value) {
  char* text = VariableText(name);
  if (text == nullptr) return;
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  CopyToField(text, kValueBytes, std::string_view(digits, result.ptr - digits));
}

void VariableTable::SetVariableText(std::string_view name, std::string_view value) {
  if (char* text = VariableText(name)) CopyToField(text, kValueBytes, value);
}

void VariableTable::RefreshSystemVariables() {
  SetVariableNumber("MUSIC", music_playing && music_playing() ? 1 : 0);
  SetVariableNumber("TIME", static_cast<int32_t>(tick_count ? tick_count() : 0));
}

uint32_t VariableTable::NextRandom() {
  random_state_ = random_state_ * 22695477u + 1u;
  return (random_state_ >> 16) & 0x7fffu;
}

const VariableEntry& VariableTable::entry(int i) const {
  assert(i >= 0 && i < kVariableCount);
  return entries_[static_cast<size_t>(i) % entries_.size()];
}

VariableEntry& VariableTable::entry(int i) {
  assert(i >= 0 && i < kVariableCount);
  return entries_[static_cast<size_t>(i) % entries_.size()];
}

}  // namespace zepa::script
