#pragma once
// A window's side of a validation run. The run executes on a worker thread; everything it hands
// to the window (log lines, the replaced line, progress, the invalid-date notice, its end) is
// queued, and the window's thread applies it in order, in batches, when it calls Flush(). The
// worker never waits for the window except for the invalid-date notice, which is modal: the
// worker waits until the user has closed the box.
//
// Each window supplies `wake`, called on the worker thread when something waits: it must make
// the window's thread call Flush() soon (a queued call in Qt, a posted message in Win32).

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/regional.h"
#include "engine/run_host.h"
#include "engine/validation_run.h"
#include "platform/clock.h"

namespace frontend {

// "Arquivo: X, registro N, campo C": the secondary text of the invalid-date box.
std::string DatePlaceText(const engine::DatePlace& place);

// What the window shows of a run while it goes, always on its own thread.
class RunLogView {
 public:
  virtual ~RunLogView() = default;
  virtual void LogCleared() = 0;
  // Lines [first, report.size()) of the report are new.
  virtual void LinesAppended(std::size_t first) = 0;
  virtual void LineReplaced(std::size_t index) = 0;
  virtual void ProgressChanged(int position) = 0;  // 0..100
  // Shows the notice (Windows-1252); true when the user asked not to see it again in this run.
  virtual bool AskInvalidDate(const std::string& message) = 0;
  // The same with where the date stands, "Arquivo: X, registro N, campo C" (bytes as the engine
  // and the file system give them: decode with DecodeMessage). A window without a place for it
  // shows the notice alone.
  virtual bool AskInvalidDateAt(const std::string& message, const std::string& /*place*/) {
    return AskInvalidDate(message);
  }
};

// What the window does with the run's requests: the log's and the run's end.
class RunView : public RunLogView {
 public:
  // The run has ended: `error` is the message of the error that ended it (Windows-1252).
  virtual void RunFinished(const std::optional<std::string>& error) = 0;
};

// The inputs of one run, read on the window's thread when the run starts.
struct RunInputs {
  std::string risk_path;  // as typed, in the encoding the engine's file functions take
  std::string claims_path;
  std::string catalogue_folder;  // where the catalogue and DadosKov.DBF are read, with separator
  engine::Regional regional;
  std::function<platform::LocalDateTime()> clock;
  bool invalid_date_notices = true;  // false: no notice is shown during the run
};

// Created on the window's thread for one run and destroyed there after RunFinished.
class WindowRunHost : public engine::RunHost {
 public:
  // `report`: the window's lines (Windows-1252), updated on the window's thread in Flush().
  WindowRunHost(RunView& view, std::vector<std::string>& report, RunInputs inputs,
                std::function<void()> wake);
  // Waits for the worker; call it once the run has finished (Finished()).
  ~WindowRunHost() override;
  WindowRunHost(const WindowRunHost&) = delete;
  WindowRunHost& operator=(const WindowRunHost&) = delete;

  // What the worker does once the walk is over, before the run's end is told: `error` is the
  // message of the error that ended it. Anything it throws is lost.
  using AfterRun = std::function<void(const std::optional<std::string>& error)>;

  // Window side. Starts `run` on the worker thread, then `after` there (if any).
  void Start(engine::ValidationRun& run, AfterRun after = {});
  // Applies everything queued so far, answers a waiting notice, and once the worker has ended,
  // tells RunFinished (once). Safe to call again from inside a box it shows.
  void Flush();
  // True once RunFinished has been told.
  bool Finished() const { return finish_told_; }
  // True once the worker has ended (the window may not have flushed its end yet).
  bool WorkerEnded() const { return worker_ended_.load(); }

  // Worker side (engine::RunHost).
  void ClearLog() override;
  void AppendLine(std::string_view line) override;
  void ReplaceLine(std::size_t index, std::string_view line) override;
  void SetProgress(int position) override;
  void ShowInvalidDate(std::string_view message) override;
  void ShowInvalidDateAt(std::string_view message, const engine::DatePlace& place) override;
  const engine::Regional& regional() const override { return inputs_.regional; }
  platform::LocalDateTime Now() override { return inputs_.clock(); }
  std::string CatalogueFolder() override { return inputs_.catalogue_folder; }
  std::string RiskPath() override { return inputs_.risk_path; }
  std::string ClaimsPath() override { return inputs_.claims_path; }

 private:
  struct Output {
    enum class Kind { kClear, kAppend, kReplace, kProgress };
    Kind kind = Kind::kAppend;
    std::string line;       // kAppend, kReplace
    std::size_t index = 0;  // kReplace
    int position = 0;       // kProgress
  };

  // Hands the notice to the window and waits for its answer.
  void Notice(std::string_view message, std::optional<std::string> place);
  // Queues under the lock; wakes the window when no flush is due yet.
  void Post(Output output);
  void WakeLocked();
  void Apply(std::vector<Output>& batch);

  RunView& view_;
  std::vector<std::string>& report_;
  const RunInputs inputs_;
  const std::function<void()> wake_;
  std::thread worker_;

  std::mutex mutex_;
  std::condition_variable answered_;
  std::vector<Output> pending_;
  bool flush_due_ = false;
  std::optional<std::string> notice_;  // waiting for the window
  std::optional<std::string> notice_place_;
  bool notice_answered_ = false;
  bool ended_ = false;  // the worker's last words are queued
  std::optional<std::string> error_;

  std::atomic<bool> worker_ended_{false};
  std::atomic<bool> notices_silenced_{false};
  bool finish_told_ = false;  // window thread only
};

}  // namespace frontend
