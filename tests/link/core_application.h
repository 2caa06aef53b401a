#pragma once

#include <QCoreApplication>

namespace mv4700::testing {

// QSerialPort's notifiers need an application object, as they have in the tool.
inline void ensureCoreApplication() {
  static int argc = 1;
  static char name[] = "link_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

}  // namespace mv4700::testing
