#pragma once
// The desktop around the window: the file dialogs, opening a file with its default program and
// the message boxes. The window reaches the desktop only through this interface, so tests can
// put a fake in its place (no dialog or box ever blocks a test).

#include <QString>

#include "frontend/save_dialogs.h"
#include "frontend/save_job.h"

class QWidget;

namespace ui {

using frontend::SaveDialogSettings;

class DesktopServices {
 public:
  virtual ~DesktopServices() = default;

  // The open dialog. True and the chosen full path when the user confirms; false on cancel.
  // A typed name is returned whether or not the file exists.
  virtual bool GetOpenFileName(QWidget* owner, QString* path) = 0;
  // The save dialog: asks before replacing a file. True, the full path and the index of the
  // chosen filter in settings.filters (-1: none) on confirm.
  virtual bool GetSaveFileName(QWidget* owner, const SaveDialogSettings& settings, QString* path,
                               int* filter) = 0;
  // A folder dialog titled `title`. True and the chosen folder's full path on confirm.
  virtual bool GetFolder(QWidget* owner, const QString& title, QString* path) = 0;
  // Opens the file with the default program for its type. Returns a result code of
  // frontend/shell_messages.h: above 32 when opened, else the error code.
  virtual int OpenFile(QWidget* owner, const QString& path) = 0;

  // Modal boxes with the application title as caption and one OK button.
  virtual void ShowError(QWidget* owner, const QString& text) = 0;    // error icon
  virtual void ShowMessage(QWidget* owner, const QString& text) = 0;  // no icon
  // A question with Yes and No; true for Yes.
  virtual bool AskYesNo(QWidget* owner, const QString& text) = 0;
  // A save's progress, modal, with a button that cancels the job; returns once it has finished.
  virtual void ShowSaveProgress(QWidget* owner, frontend::SaveJob& job) = 0;
  // The invalid-date notice of a run, with where the date stands as the box's secondary text
  // (empty: none). Returns true when the user asked not to see the notice again during this run.
  virtual bool ShowInvalidDate(QWidget* owner, const QString& text, const QString& place) = 0;
};

// The real desktop: Qt's file dialogs, QDesktopServices and QMessageBox.
class QtDesktopServices : public DesktopServices {
 public:
  bool GetOpenFileName(QWidget* owner, QString* path) override;
  bool GetSaveFileName(QWidget* owner, const SaveDialogSettings& settings, QString* path,
                       int* filter) override;
  bool GetFolder(QWidget* owner, const QString& title, QString* path) override;
  int OpenFile(QWidget* owner, const QString& path) override;
  void ShowError(QWidget* owner, const QString& text) override;
  void ShowMessage(QWidget* owner, const QString& text) override;
  bool AskYesNo(QWidget* owner, const QString& text) override;
  void ShowSaveProgress(QWidget* owner, frontend::SaveJob& job) override;
  bool ShowInvalidDate(QWidget* owner, const QString& text, const QString& place) override;

 private:
  QString last_open_folder_;  // empty: the current folder
};

}  // namespace ui
