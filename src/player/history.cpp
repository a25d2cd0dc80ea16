#include "player/history.h"

namespace zepa::player {

void History::AddPage(std::string_view text) {
  entries_.push_back({HistoryEntry::Kind::kPage, std::string(text)});
  ++pages_;
  while (pages_ > kMaxPages) {
    if (entries_.front().kind == HistoryEntry::Kind::kPage) --pages_;
    entries_.pop_front();
  }
  // A choice can no longer lead the list once its page is gone.
  while (!entries_.empty() && entries_.front().kind == HistoryEntry::Kind::kChoice)
    entries_.pop_front();
}

void History::AddChoice(std::string_view text) {
  entries_.push_back({HistoryEntry::Kind::kChoice, std::string(text)});
}

std::vector<std::string> History::PageTexts() const {
  std::vector<std::string> out;
  for (const HistoryEntry& e : entries_)
    if (e.kind == HistoryEntry::Kind::kPage) out.push_back(e.text);
  return out;
}

std::vector<std::string> History::Lines() const {
  std::vector<std::string> out;
  for (const HistoryEntry& e : entries_) {
    if (!out.empty()) out.emplace_back();
    if (e.kind == HistoryEntry::Kind::kChoice) {
      out.push_back("\x81\xa8 " + e.text);  // the arrow in the game's code page
      continue;
    }
    // Pages break their lines at CR LF or LF; a lone CR is no break.
    std::string_view rest = e.text;
    for (;;) {
      const size_t lf = rest.find('\n');
      std::string_view line = rest.substr(0, lf);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      out.emplace_back(line);
      if (lf == std::string_view::npos) break;
      rest.remove_prefix(lf + 1);
    }
  }
  return out;
}

}  // namespace zepa::player
