#include <windows.h>

#include <map>

#include "platform/file_watch.h"
#include "platform/win32/win32_text.h"

namespace zepa::platform {
namespace {

struct Stamp {
  bool exists = false;
  unsigned long long written = 0;  // 100 ns units
  unsigned long long size = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp WatchStampOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(win32::WidePath(path).c_str(), GetFileExInfoStandard, &data)) return {};
  return {true,
          (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
              data.ftLastWriteTime.dwLowDateTime,
          (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
}

class PollingFileWatch final : public FileWatch {
 public:
  void SetPaths(const std::vector<std::string>& paths) override {
    std::map<std::string, Stamp> next;
    for (const std::string& p : paths) {
      auto it = stamps_.find(p);
      next[p] = it != stamps_.end() ? it->second : WatchStampOf(p);
    }
    stamps_ = std::move(next);
  }
  bool Changed() override {
    bool changed = false;
    for (auto& [path, stamp] : stamps_) {
      const Stamp now = WatchStampOf(path);
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
