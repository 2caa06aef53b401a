#include <QApplication>

#include "app/application.h"
#include "app/clock.h"
#include "app/form1.h"
#include "app/tool.h"
#include "link/hid_hidapi.h"
#include "link/serial_qt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  mv4700::configureApplication();
  // Declared first, so they close the device and the port last, at program end.
  mv4700::HidapiLibrary hid;
  mv4700::QtSerialService serial;
  mv4700::SteadyClock clock;
  mv4700::Form1 window;
  mv4700::Tool tool(window, hid, serial, clock);
  window.show();
  return app.exec();
}
