#pragma once
// The window's side of a validation run. The run executes on a worker thread; everything it
// hands to the window (log lines, the replaced line, progress) is queued and applied in order on
// the window's thread, in batches, so the worker never waits for the window except for the
// invalid-date notice, which is modal: the worker waits until the user has closed the box.

#include <QObject>
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/regional.h"
#include "engine/run_host.h"
#include "platform/clock.h"

namespace ui {

// One thing the run asked of the window.
struct RunOutput {
  enum class Kind { kClear, kAppend, kReplace, kProgress };
  Kind kind = Kind::kAppend;
  std::string line;       // kAppend, kReplace: Windows-1252 bytes
  std::size_t index = 0;  // kReplace
  int position = 0;       // kProgress
};

// What the window does with the run's requests, on its own thread.
class RunOutputSink {
 public:
  virtual ~RunOutputSink() = default;
  virtual void ApplyRunOutput(const std::vector<RunOutput>& batch) = 0;
  // Shows the notice; true when the user asked not to see it again in this run.
  virtual bool AskInvalidDate(const std::string& message) = 0;
};

// The inputs of one run, read on the window's thread when the run starts.
struct RunInputs {
  std::string risk_path;  // as typed, in the file system's encoding
  std::string claims_path;
  std::string program_folder;
  engine::Regional regional;
  std::function<platform::LocalDateTime()> clock;
};

// Created on the window's thread for one run and destroyed there after the worker has ended.
class WindowRunHost : public engine::RunHost {
 public:
  WindowRunHost(RunOutputSink& sink, RunInputs inputs);
  ~WindowRunHost() override;
  WindowRunHost(const WindowRunHost&) = delete;
  WindowRunHost& operator=(const WindowRunHost&) = delete;

  // Worker side.
  void ClearLog() override;
  void AppendLine(std::string_view line) override;
  void ReplaceLine(std::size_t index, std::string_view line) override;
  void SetProgress(int position) override;
  void ShowInvalidDate(std::string_view message) override;
  const engine::Regional& regional() const override { return inputs_.regional; }
  platform::LocalDateTime Now() override { return inputs_.clock(); }
  std::string ProgramFolder() override { return inputs_.program_folder; }
  std::string RiskPath() override { return inputs_.risk_path; }
  std::string ClaimsPath() override { return inputs_.claims_path; }

  // Window side: applies everything queued so far.
  void Flush();
  // No invalid-date box for the rest of the run.
  void SilenceNotices() { notices_silenced_.store(true); }

 private:
  void Post(RunOutput output);

  RunOutputSink& sink_;
  const RunInputs inputs_;
  QObject relay_;  // lives on the window's thread; queued calls die with it
  std::mutex mutex_;
  std::vector<RunOutput> pending_;
  bool flush_queued_ = false;
  std::atomic<bool> notices_silenced_{false};
};

}  // namespace ui
