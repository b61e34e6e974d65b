#pragma once
// A save's boxes and progress (frontend::SaveView) on the desktop, for a window that is not the
// main one (the findings panel).

#include <QString>
#include <QWidget>
#include <string>

#include "frontend/save_job.h"
#include "ui/desktop_services.h"

namespace ui {

class DesktopSaveView : public frontend::SaveView {
 public:
  DesktopSaveView(DesktopServices& desktop, QWidget* owner) : desktop_(desktop), owner_(owner) {}
  void ShowSaveProgress(frontend::SaveJob& job) override { desktop_.ShowSaveProgress(owner_, job); }
  void ShowError(const std::string& text) override {
    desktop_.ShowError(owner_, QString::fromStdString(text));
  }
  void ShowMessage(const std::string& text) override {
    desktop_.ShowMessage(owner_, QString::fromStdString(text));
  }
  bool AskYesNo(const std::string& text) override {
    return desktop_.AskYesNo(owner_, QString::fromStdString(text));
  }

 private:
  DesktopServices& desktop_;
  QWidget* owner_;
};

}  // namespace ui
