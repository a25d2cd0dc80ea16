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
    // A message breaks its lines at a written "\n" or a line feed; a
    // double-byte character whose second byte is a backslash is no break.
    std::string line;
    const std::string& t = e.text;
    for (size_t i = 0; i < t.size(); ++i) {
      const auto b = static_cast<uint8_t>(t[i]);
      if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < t.size()) {
        line += t.substr(i, 2);
        ++i;
      } else if (b == '\n' || (b == '\\' && i + 1 < t.size() && t[i + 1] == 'n')) {
        out.push_back(std::move(line));
        line.clear();
        if (b == '\\') ++i;
      } else if (b != '\r') {
        line += static_cast<char>(b);
      }
    }
    out.push_back(std::move(line));
  }
  return out;
}

}  // namespace zepa::player
