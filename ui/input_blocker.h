#pragma once
// Keeps a window from taking input while it goes on painting: an application-wide filter that
// swallows mouse, keyboard, wheel and shortcut events aimed at the window or its children.
// Other top-level windows (a message box shown meanwhile) are not affected.

#include <QObject>

class QWidget;

namespace ui {

class InputBlocker : public QObject {
 public:
  explicit InputBlocker(QWidget* window);
  ~InputBlocker() override;
  InputBlocker(const InputBlocker&) = delete;
  InputBlocker& operator=(const InputBlocker&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
};

}  // namespace ui
