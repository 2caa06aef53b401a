#include "app/application.h"

#include <QApplication>

namespace mv4700 {

void configureApplication() {
  // No display name: Qt would append it to every window caption.
  QApplication::setApplicationName(QStringLiteral("Mirevantis 4700B Programming tool"));
  QApplication::setApplicationVersion(QStringLiteral("2.0"));
  // Lets the desktop match the window to its launcher entry and icon.
  QApplication::setDesktopFileName(QStringLiteral("com.mirevantis.Mv4700Tool"));
  QApplication::setQuitOnLastWindowClosed(true);
}

}  // namespace mv4700
