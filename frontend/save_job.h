#pragma once
// A save on a thread of its own, so that writing a list of millions of rows never freezes the
// window: the window shows how far it got while it goes and may cancel it. A cancelled or failed
// save leaves no file behind and an earlier file of the name as it was, since every save writes
// a temporary file and puts it in place only when whole (report_export.h).

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace frontend {

// What a save asks while it writes (whether to stop) and tells (how far it got), shared by the
// save's thread and the window's.
class SaveProgress {
 public:
  bool cancelled() const { return cancelled_.load(); }
  void Cancel() { cancelled_ = true; }
  // The units (rows, bytes) the whole save will Advance by, once the save knows them.
  void SetTotal(std::uint64_t units) { total_ = units; }
  void Advance(std::uint64_t units) { done_ += units; }
  // 0..100; 0 while the total is unknown.
  int Percent() const;

 private:
  std::atomic<std::uint64_t> total_{0};
  std::atomic<std::uint64_t> done_{0};
  std::atomic<bool> cancelled_{false};
};

class SaveJob {
 public:
  // `work` returns an empty text when saved, else the message for the error box.
  using Work = std::function<std::string(SaveProgress& progress)>;
  // Starts `work` at once.
  explicit SaveJob(Work work);
  // Cancels a save still going and waits for it.
  ~SaveJob();
  SaveJob(const SaveJob&) = delete;
  SaveJob& operator=(const SaveJob&) = delete;

  void Cancel() { progress_.Cancel(); }
  bool cancelled() const { return progress_.cancelled(); }
  int Percent() const { return progress_.Percent(); }
  bool Finished() const { return finished_.load(); }
  // Waits for the end; the work's message (empty: saved).
  std::string Wait();

 private:
  SaveProgress progress_;
  std::string message_;
  std::atomic<bool> finished_{false};
  std::thread thread_;  // last: it starts once the rest is in place
};

// How a window takes part in a save: it shows the job's progress, with a way to cancel it that
// calls job.Cancel(), and returns once job.Finished(); the boxes.
class SaveView {
 public:
  virtual ~SaveView() = default;
  virtual void ShowSaveProgress(SaveJob& job) = 0;
  virtual void ShowError(const std::string& text) = 0;    // the error box
  virtual void ShowMessage(const std::string& text) = 0;  // a box without icon
  // A question with Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
};

// Runs `work` as a job while `view` shows its progress, then tells the end: the error box when it
// failed, a short confirmation naming `shown_path` (UTF-8) when it saved, nothing when the user
// cancelled it first. True when saved.
bool SaveWithProgress(SaveView& view, const std::string& shown_path, SaveJob::Work work);

}  // namespace frontend
