#include "ui/return_presses_button.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace ui {

void ReturnPressesButton::Install(QWidget* window) {
  auto* filter = new ReturnPressesButton(window);
  // Key events go to the focused widget first: watching the application catches them there,
  // and the filter keeps to buttons inside `window`.
  qApp->installEventFilter(filter);
}

bool ReturnPressesButton::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* button = qobject_cast<QPushButton*>(watched);
  // Key events reach only the focused widget.
  if (button == nullptr || !button->isEnabled()) return false;
  auto* window = qobject_cast<QWidget*>(parent());
  if (window == nullptr || button->window() != window) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
      (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    return false;
  }
  button->click();
  return true;
}

}  // namespace ui
