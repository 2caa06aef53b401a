#include "app/activation_watch.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace mv4700 {

ActivationWatch::ActivationWatch(QWidget* window) : QObject(window), window_(window) {
  window->installEventFilter(this);
  connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &ActivationWatch::noteActiveWindow);
}

void ActivationWatch::noteActiveWindow(QWindow* window) {
  if (!window || window == window_->windowHandle()) return;
  const bool ownWindow = window->type() == Qt::Window || window->type() == Qt::Dialog;
  if (ownWindow && window->modality() == Qt::NonModal) announceNext_ = true;
}

bool ActivationWatch::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::WindowActivate) {
    const bool announce = announceNext_;
    announceNext_ = false;
    if (announce) emit activated();
  }
  return false;
}

}  // namespace mv4700
