#include "app/input_lock.h"

#include <QCoreApplication>
#include <QEvent>

namespace mv4700 {

namespace {

bool isOperatorInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

}  // namespace

void InputLock::engage() {
  if (depth_++ == 0) QCoreApplication::instance()->installEventFilter(this);
}

void InputLock::release() {
  if (depth_ == 0) return;
  if (depth_ == 1) {
    // What the operator did meanwhile is still queued: deliver it to the filter, which drops it.
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(this);
  }
  --depth_;
}

bool InputLock::eventFilter(QObject* watched, QEvent* event) {
  if (depth_ > 0 && isOperatorInput(event->type())) return true;
  return QObject::eventFilter(watched, event);
}

}  // namespace mv4700
