#include "ui/input_blocker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace ui {
namespace {

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

InputBlocker::InputBlocker(QWidget* window) : window_(window) {
  QApplication::instance()->installEventFilter(this);
}

InputBlocker::~InputBlocker() { QApplication::instance()->removeEventFilter(this); }

bool InputBlocker::eventFilter(QObject* watched, QEvent* event) {
  if (!IsInput(event->type())) return false;
  if (watched == window_->windowHandle()) return true;
  auto* widget = qobject_cast<QWidget*>(watched);
  return widget != nullptr && widget->window() == window_;
}

}  // namespace ui
