// libFuzzer target for the headless event script parser.
// Run by bench/fuzz.sh event_script.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/event_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zepa::platform;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<ScriptedEvent> events(1);  // a sentinel the parser must keep
  if (const Status parsed = ParseEventScript(text, &events); !parsed.ok()) {
    if (events.size() != 1 || parsed.message().rfind("line ", 0) != 0) std::abort();
    return 0;
  }
  uint32_t last_ms = 0;
  int last_line = 0;
  for (size_t i = 1; i < events.size(); ++i) {
    const ScriptedEvent& e = events[i];
    if (e.at_ms < last_ms || e.at_ms > 0x7fffffffu || e.line <= last_line) std::abort();
    last_ms = e.at_ms;
    last_line = e.line;
    switch (e.action) {
      case EventAction::kClick:
      case EventAction::kRightClick:
      case EventAction::kMiddleClick:
      case EventAction::kMove:
        if (e.x < 0 || e.x >= 640 || e.y < 0 || e.y >= 480) std::abort();
        break;
      case EventAction::kWheel:
        if (e.wheel_steps < -1000 || e.wheel_steps > 1000) std::abort();
        break;
      case EventAction::kKey:
        if (e.vk_code <= 0 || e.vk_code > 0xff || e.vk_code == kVkMiddleButton) std::abort();
        break;
      case EventAction::kHold:
        if (e.vk_code <= 0 || e.vk_code > 0xff || e.hold_ms > 0x7fffffffu) std::abort();
        break;
      case EventAction::kShot:
      case EventAction::kDump:
        if (e.path.empty()) std::abort();
        break;
      default:  // the actions with no bounds of their own to hold
        break;
    }
  }
  return 0;
}
