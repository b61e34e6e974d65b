#pragma once
// The log menu's "Histórico de críticas...": the runs the history keeps of a company, newest
// first, and the button that asks for their deletion (accepting the dialog).

#include <QDialog>

#include "frontend/run_history_table.h"

namespace ui {

class RunHistoryDialog : public QDialog {
  Q_OBJECT

 public:
  explicit RunHistoryDialog(const frontend::RunHistoryTable& table, QWidget* parent = nullptr);
};

}  // namespace ui
