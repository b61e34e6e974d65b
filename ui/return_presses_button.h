#pragma once
// Return (and Enter) on a focused push button presses it, as the desktop convention has it; Qt
// widgets outside dialogs take only Space. Install on a window: it serves every push button in
// it, present and future.

#include <QObject>

namespace ui {

class ReturnPressesButton : public QObject {
 public:
  explicit ReturnPressesButton(QObject* parent) : QObject(parent) {}
  // Serves `window` and its children (the filter lives as long as the window).
  static void Install(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ui
