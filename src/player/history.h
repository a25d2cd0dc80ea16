#pragma once
// The player's history: the message pages as they were shown (variables
// already expanded) and the choice taken at each choice, oldest first.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace zepa::player {

struct HistoryEntry {
  enum class Kind { kPage, kChoice };
  Kind kind = Kind::kPage;
  std::string text;  // game text (CP932)
};

class History {
 public:
  /// The most pages kept; the choices taken before the oldest page kept go
  /// with it.
  static constexpr size_t kMaxPages = 200;

  void AddPage(std::string_view text);
  void AddChoice(std::string_view text);
  void Clear() {
    entries_.clear();
    pages_ = 0;
  }

  const std::deque<HistoryEntry>& entries() const { return entries_; }
  size_t page_count() const { return pages_; }
  /// The page texts alone, oldest first.
  std::vector<std::string> PageTexts() const;
  /// The whole history as lines for a window: each page's lines, a choice
  /// as one line marked with an arrow, a blank line between entries.
  std::vector<std::string> Lines() const;

 private:
  std::deque<HistoryEntry> entries_;
  size_t pages_ = 0;
};

}  // namespace zepa::player
