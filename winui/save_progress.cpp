#include "winui/save_progress.h"

#include <commctrl.h>

#include <string>

#include "frontend/window_texts.h"
#include "winui/desktop.h"
#include "winui/wide_text.h"

namespace winui {
namespace {

HRESULT CALLBACK ProgressCallback(HWND dialog, UINT notification, WPARAM wparam, LPARAM /*lparam*/,
                                  LONG_PTR data) {
  auto* job = reinterpret_cast<frontend::SaveJob*>(data);
  switch (notification) {
    case TDN_CREATED:
      SendMessageW(dialog, TDM_SET_PROGRESS_BAR_RANGE, 0, MAKELPARAM(0, 100));
      break;
    case TDN_TIMER:
      if (job->Finished()) {
        // The one button closes the dialog once the job has ended (cancelling nothing then).
        SendMessageW(dialog, TDM_CLICK_BUTTON, IDCANCEL, 0);
      } else {
        SendMessageW(dialog, TDM_SET_PROGRESS_BAR_POS, static_cast<WPARAM>(job->Percent()), 0);
      }
      break;
    case TDN_BUTTON_CLICKED:
      // Cancel (or Esc, or the close box) stops the job; the dialog stays until it has stopped,
      // which takes a piece of the save at most.
      if (job->Finished()) return S_OK;
      if (wparam == IDCANCEL) job->Cancel();
      return S_FALSE;
    default:
      break;
  }
  return S_OK;
}

}  // namespace

void ShowSaveProgress(HWND owner, frontend::SaveJob& job) {
  const std::wstring title = Widen(frontend::kApplicationTitle);
  const std::wstring text = Widen(frontend::kSaving);
  const std::wstring cancel = Widen(frontend::kCancelSave);
  const TASKDIALOG_BUTTON buttons[] = {{IDCANCEL, cancel.c_str()}};
  TASKDIALOGCONFIG config = {};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_SHOW_PROGRESS_BAR | TDF_CALLBACK_TIMER | TDF_ALLOW_DIALOG_CANCELLATION |
                   TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = title.c_str();
  config.pszContent = text.c_str();
  config.pButtons = buttons;
  config.cButtons = 1;
  config.pfCallback = &ProgressCallback;
  config.lpCallbackData = reinterpret_cast<LONG_PTR>(&job);
  if (job.Finished()) return;
  if (FAILED(TaskDialogIndirect(&config, nullptr, nullptr, nullptr))) {
    // Without the task dialog (no common controls 6) the save is waited for, as before.
    while (!job.Finished()) Sleep(20);
  }
}

void BoxSaveView::ShowSaveProgress(frontend::SaveJob& job) { winui::ShowSaveProgress(owner_, job); }
void BoxSaveView::ShowError(const std::string& text) { winui::ShowError(owner_, Widen(text)); }
void BoxSaveView::ShowMessage(const std::string& text) { winui::ShowMessage(owner_, Widen(text)); }
bool BoxSaveView::AskYesNo(const std::string& text) { return winui::AskYesNo(owner_, Widen(text)); }

}  // namespace winui
