#pragma once
// The record behind a row of the failure list: every field with its name, type, width and stored
// text, the fields that failed highlighted with each failure's sentence and what the rule
// requires, the first of them selected and in sight. A record that cannot be shown (the
// file changed since the run, or the row names no record) shows why instead.

#include <QDialog>

#include "frontend/record_view.h"

class QLabel;
class QTableWidget;

namespace ui {

class RecordDialog : public QDialog {
  Q_OBJECT

 public:
  // `file`: the input's path as the run used it, for the title line (UTF-8).
  RecordDialog(const frontend::RecordView& view, const QString& file, QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* lbRegistro = nullptr;
  QTableWidget* tbCampos = nullptr;
  int first_failing_ = -1;  // the row selected and brought into sight
};

}  // namespace ui
