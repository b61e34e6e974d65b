#pragma once
// A RunHost for tests: the report as a vector of lines, every progress position and notice
// recorded, a fixed clock and fixed regional settings.
#include <string>
#include <vector>

#include "engine/regional.h"
#include "engine/run_host.h"

namespace testing_support {

class RecordingHost : public engine::RunHost {
 public:
  RecordingHost() : regional_(engine::Regional::PtBr()) {}

  void ClearLog() override { lines.clear(); }
  void AppendLine(std::string_view line) override { lines.emplace_back(line); }
  void ReplaceLine(std::size_t index, std::string_view line) override {
    if (index < lines.size()) lines[index] = std::string(line);
  }
  void SetProgress(int position) override { progress.push_back(position); }
  void ShowInvalidDate(std::string_view message) override { notices.emplace_back(message); }
  const engine::Regional& regional() const override { return regional_; }
  platform::LocalDateTime Now() override { return now; }
  std::string CatalogueFolder() override { return catalogue_folder; }
  std::string RiskPath() override { return risk_path; }
  std::string ClaimsPath() override { return claims_path; }

  void set_regional(const engine::Regional& r) { regional_ = r; }

  std::vector<std::string> lines;  // Windows-1252 bytes
  std::vector<int> progress;
  std::vector<std::string> notices;
  platform::LocalDateTime now{2024, 3, 15, 10, 20, 30};
  std::string catalogue_folder;  // with trailing separator
  std::string risk_path;
  std::string claims_path;

 private:
  engine::Regional regional_;
};

}  // namespace testing_support
