// --watch: the author saves a scenario or a picture and the running game
// shows it, going on at the label it was in.
#include "engine/main_window.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/log.h"
#include "script/scenario.h"

namespace zepa::engine {

void MainWindow::WatchStep() {
  std::vector<std::string> paths;
  if (!interp_.scenario_name.empty() && !platform::StartsWithNoCase(interp_.scenario_name, "http:"))
    paths.push_back(paths_.Resolve(interp_.scenario_name));
  if (!stage_.picture_path().empty()) paths.push_back(paths_.Resolve(stage_.picture_path()));
  options_.watch->SetPaths(paths);
  const uint32_t now = host_.NowMs();
  // An editor writes a file in several steps: the reload waits until none
  // has come for a while, so a burst of changes is one reload.
  if (options_.watch->Changed()) change_seen_ms_ = now;
  if (!change_seen_ms_ || now - *change_seen_ms_ < kWatchSettleMs) return;
  change_seen_ms_.reset();
  ReloadFromDisk();
}

void MainWindow::ReloadFromDisk() {
  if (ending_ || interp_.scenario_name.empty()) return;
  const std::string scene = interp_.scene_name;
  const std::string name = interp_.scenario_name;
  // The wait the old text left is gone with it.
  choices_.Reset();
  message_.HideWaitIcon();
  interp_.go_target.clear();
  if (LoadScenario(name) != script::LoadOutcome::kLoaded) {
    platform::LogWarning("zepa: %s changed but cannot be read again\n",
                         platform::Cp932ToUtf8(name).c_str());
    return;
  }
  const std::optional<size_t> label =
      scene.empty() ? std::nullopt : script::FindLabel(interp_.scenario_text, scene);
  if (label) {
    interp_.current_line = *label;
    platform::LogInfo("zepa: reloaded %s at %s\n", platform::Cp932ToUtf8(name).c_str(),
                      platform::Cp932ToUtf8(scene).c_str());
    PlayerNotice("Reloaded");
  } else {
    ResetState();
    platform::LogInfo("zepa: reloaded %s from the top%s\n", platform::Cp932ToUtf8(name).c_str(),
                      scene.empty() ? "" : " (its label is gone)");
    PlayerNotice("Reloaded from the top");
  }
  interp_.adv_mode = script::adv::kRun;
}

}  // namespace zepa::engine
