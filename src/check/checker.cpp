#include "check/checker.h"

namespace zepa::engine::check_detail {

CheckReport Checker::Run() {
  ini_ = IniFile::Load(paths_.Resolve(kIniName));
  config_ = ReadConfig(ini_, kScreenWidth * 2, kScreenHeight * 2);
  if (!options_.font_file.empty()) config_.font_file = options_.font_file;
  pack_path_ = paths_.Resolve(config_.data_file);
  ReadPack();
  CheckConfig();

  const std::string start = options_.scenario.empty() ? config_.scenario : options_.scenario;
  const size_t scenario_line = options_.scenario.empty() ? IniLine("MAIN", "SCENARIO") : 0;
  queue_.push_back({start, options_.scenario.empty() ? kIniName : std::string(), scenario_line});
  while (!queue_.empty()) {
    const Pending next = queue_.front();
    queue_.pop_front();
    CheckScenario(next);
  }
  CheckMessageWindowFiles();
  FinishCounts();

  std::stable_sort(report_.findings.begin(), report_.findings.end(),
                   [&](const Finding& a, const Finding& b) {
                     const size_t fa = FileRank(a.file), fb = FileRank(b.file);
                     if (fa != fb) return fa < fb;
                     return a.line < b.line;
                   });
  for (const Finding& f : report_.findings)
    (f.severity == Severity::kError ? report_.errors : report_.notes)++;
  return std::move(report_);
}

void Checker::FinishCounts() {
  auto more = [](size_t n) {
    return "; used " + std::to_string(n) + (n == 1 ? " more time" : " more times");
  };
  for (const auto& [cp, use] : glyphs_)
    if (!use.has && use.more) report_.findings[use.finding].message += more(use.more);
  for (const auto& [key, use] : seen_)
    if (use.faulted && use.more) report_.findings[use.finding].message += more(use.more);
}

}  // namespace zepa::engine::check_detail
