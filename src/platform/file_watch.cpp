#include "platform/file_watch.h"

#include <map>

namespace zepa::platform {
namespace {

class PollingFileWatch final : public FileWatch {
 public:
  explicit PollingFileWatch(StampReader stamp_of) : stamp_of_(stamp_of) {}

  void SetPaths(const std::vector<std::string>& paths) override {
    std::map<std::string, std::optional<FileStamp>> next;
    for (const std::string& p : paths) {
      auto it = stamps_.find(p);
      next[p] = it != stamps_.end() ? it->second : stamp_of_(p);
    }
    stamps_ = std::move(next);
  }
  bool Changed() override {
    bool changed = false;
    for (auto& [path, stamp] : stamps_) {
      const std::optional<FileStamp> now = stamp_of_(path);
      if (now == stamp) continue;
      stamp = now;
      changed = true;
    }
    return changed;
  }

 private:
  StampReader stamp_of_;
  std::map<std::string, std::optional<FileStamp>> stamps_;
};

}  // namespace

std::unique_ptr<FileWatch> CreatePollingFileWatch(StampReader stamp_of) {
  return std::make_unique<PollingFileWatch>(stamp_of);
}

}  // namespace zepa::platform
