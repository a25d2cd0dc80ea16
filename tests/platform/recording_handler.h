#pragma once
// An input handler that writes down what the pump hands it, with the time.
#include <functional>
#include <string>
#include <vector>

#include "platform/host.h"

namespace zepa::platform::testing {

class RecordingHandler : public InputHandler {
 public:
  explicit RecordingHandler(Host* host) : host_(host) {}

  void OnKeyDown(int vk_code, bool shift, bool ctrl) override {
    Log("key " + std::to_string(vk_code) + (shift ? " shift" : "") + (ctrl ? " ctrl" : ""));
  }
  void OnMouseDown(MouseButton button, int x, int y) override {
    const char* name = button == MouseButton::kLeft ? "left" : button == MouseButton::kRight ? "right" : "middle";
    Log(std::string("down ") + name + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void OnMouseMove(int x, int y) override { Log("move " + std::to_string(x) + "," + std::to_string(y)); }
  void OnMouseWheel(int steps) override { Log("wheel " + std::to_string(steps)); }
  void OnTimer() override {
    ++timer_calls;
    Log("timer");
    if (on_timer) on_timer();
  }
  void OnCloseRequest() override {
    Log("close");
    host_->Close();
  }
  // A dump whose name holds "unwritable" fails, as a full disk would.
  platform::Status OnDumpRequest(const std::string& path) override {
    Log("dump " + path);
    if (path.find("unwritable") == std::string::npos) return {};
    return platform::Status::Failed(path + ": refused");
  }

  /// Entries "TIME what", in dispatch order.
  std::vector<std::string> log;
  int timer_calls = 0;
  std::function<void()> on_timer;

 private:
  void Log(const std::string& what) { log.push_back(std::to_string(host_->NowMs()) + " " + what); }
  Host* host_;
};

}  // namespace zepa::platform::testing
