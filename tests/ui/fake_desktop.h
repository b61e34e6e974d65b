#pragma once
// A desktop for the window's tests: dialogs answer from prepared values, opening a file answers
// a prepared result code, and every box is recorded instead of shown.
#include <QString>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "frontend/shell_messages.h"
#include "ui/desktop_services.h"

namespace testing_support {

class FakeDesktop : public ui::DesktopServices {
 public:
  bool GetOpenFileName(QWidget*, QString* path) override {
    ++open_dialogs;
    if (!open_answer) return false;
    *path = *open_answer;
    return true;
  }
  bool GetSaveFileName(QWidget*, const ui::SaveDialogSettings& settings, QString* path,
                       int* filter) override {
    ++save_dialogs;
    last_save_settings = settings;
    if (!save_answer) return false;
    *path = *save_answer;
    *filter = save_filter;
    return true;
  }
  bool GetFolder(QWidget*, const QString&, QString* path) override {
    ++folder_dialogs;
    if (!folder_answer) return false;
    *path = *folder_answer;
    return true;
  }
  int OpenFile(QWidget*, const QString& path) override {
    opened.push_back(path);
    if (!open_results.empty()) {
      const int result = open_results.front();
      open_results.erase(open_results.begin());
      return result;
    }
    return open_result;
  }
  void ShowError(QWidget*, const QString& text) override { errors.push_back(text); }
  void ShowMessage(QWidget*, const QString& text) override { messages.push_back(text); }
  bool AskYesNo(QWidget*, const QString& text) override {
    questions.push_back(text);
    return yes;
  }
  void ShowSaveProgress(QWidget*, frontend::SaveJob& job) override {
    ++progress_shown;
    while (!job.Finished()) std::this_thread::yield();
  }
  bool ShowInvalidDate(QWidget*, const QString& text, const QString& place) override {
    notices.push_back(text);
    notice_places.push_back(place);
    if (on_notice) on_notice();
    return silence_notices;
  }

  std::optional<QString> open_answer;  // nullopt: the user cancels
  std::optional<QString> save_answer;
  int save_filter = -1;  // the type chosen in the save dialog
  bool yes = true;       // the answer to every question
  std::optional<QString> folder_answer;
  int open_result = frontend::kShellOpened;
  std::vector<int> open_results;  // answered first, one per opening, before open_result
  bool silence_notices = false;
  std::function<void()> on_notice;  // runs while the notice is "on screen"

  int open_dialogs = 0;
  int save_dialogs = 0;
  int folder_dialogs = 0;
  ui::SaveDialogSettings last_save_settings;
  std::vector<QString> opened;
  std::vector<QString> errors;
  std::vector<QString> messages;
  std::vector<QString> questions;
  int progress_shown = 0;
  std::vector<QString> notices;
  std::vector<QString> notice_places;
};

}  // namespace testing_support
