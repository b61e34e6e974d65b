#pragma once
// A save's progress on Windows: a task dialog with a progress bar and a Cancel button that
// cancels the job, closing itself once the job has finished.

#include <windows.h>

#include <string>

#include "frontend/save_job.h"

namespace winui {

// Modal over `owner`; returns once `job` has finished.
void ShowSaveProgress(HWND owner, frontend::SaveJob& job);

}  // namespace winui

namespace winui {

// A save's boxes and progress (frontend::SaveView) over `owner`, for a window that is not the
// main one (the findings panel).
class BoxSaveView : public frontend::SaveView {
 public:
  explicit BoxSaveView(HWND owner) : owner_(owner) {}
  void ShowSaveProgress(frontend::SaveJob& job) override;
  void ShowError(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;

 private:
  HWND owner_;
};

}  // namespace winui
