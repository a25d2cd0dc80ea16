#include <sys/stat.h>

#include <map>

#include "platform/file_watch.h"

namespace zepa::platform {
namespace {

struct Stamp {
  bool exists = false;
  long long seconds = 0;
  long nanoseconds = 0;
  long long size = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  return {true, static_cast<long long>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec,
          static_cast<long long>(st.st_size)};
}

class PollingFileWatch final : public FileWatch {
 public:
  void SetPaths(const std::vector<std::string>& paths) override {
    std::map<std::string, Stamp> next;
    for (const std::string& p : paths) {
      auto it = stamps_.find(p);
      next[p] = it != stamps_.end() ? it->second : StampOf(p);
    }
    stamps_ = std::move(next);
  }
  bool Changed() override {
    bool changed = false;
    for (auto& [path, stamp] : stamps_) {
      const Stamp now = StampOf(path);
      if (now == stamp) continue;
      stamp = now;
      changed = true;
    }
    return changed;
  }

 private:
  std::map<std::string, Stamp> stamps_;
};

}  // namespace

std::unique_ptr<FileWatch> CreatePollingFileWatch() { return std::make_unique<PollingFileWatch>(); }

}  // namespace zepa::platform
