#pragma once
// The scenario's variable table: 512 fixed entries of name and value text,
// looked up by a linear scan, plus the random source of RND.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace zepa::script {

constexpr int kVariableCount = 512;
// Named apart from the interpreter's 256-byte label buffers (kNameBytes).
constexpr int kVariableNameBytes = 64;  // 63 + NUL
constexpr int kValueBytes = 256;        // 255 + NUL

struct VariableEntry {
  char name[kVariableNameBytes];  // empty: a free entry
  char value[kValueBytes];
};

class VariableTable {
 public:
  // Live system values, read by RefreshSystemVariables.
  std::function<bool()> music_playing = [] { return false; };
  std::function<uint32_t()> tick_count = [] { return uint32_t{0}; };

  VariableTable();

  // Empties all entries (names and values) and seeds the random source.
  void Reset(uint32_t seed);

  // Index of the entry holding `name`, adding it in the first free entry
  // when absent; -1 when absent and the table is full.
  int FindOrAddVariable(std::string_view name);
  // The 256-byte value buffer of FindOrAddVariable(name); nullptr when full.
  char* VariableText(std::string_view name);
  // ParseNumber of the value; 0 when absent. Never adds a name.
  int32_t VariableNumber(std::string_view name) const;
  // Signed decimal into the entry, adding the name; nothing when full.
  void SetVariableNumber(std::string_view name, int32_t value);
  // Copies `value` (cut to 255 bytes) into VariableText(name); nothing when full.
  void SetVariableText(std::string_view name, std::string_view value);
  // "MUSIC" (1 while the music plays, else 0), then "TIME" (tick count).
  void RefreshSystemVariables();

  // One draw of the 32-bit linear congruential source: 0..32767.
  uint32_t NextRandom();
  uint32_t random_state() const { return random_state_; }
  void set_random_state(uint32_t state) { random_state_ = state; }

  // Entries in table order, for save files and the debug monitor.
  const VariableEntry& entry(int i) const;
  VariableEntry& entry(int i);

 private:
  int FindVariable(std::string_view name) const;

  std::array<VariableEntry, kVariableCount> entries_;
  uint32_t random_state_ = 0;
};

// The longest prefix of `text` (up to its first NUL) of at most `max_bytes`
// that does not split a double-byte character.
std::string_view FitToBytes(std::string_view text, size_t max_bytes);

// Copies FitToBytes(text, field_bytes - 1) into a field and terminates it.
void CopyToField(char* field, size_t field_bytes, std::string_view text);

}  // namespace zepa::script
