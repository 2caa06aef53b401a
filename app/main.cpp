#include <QApplication>

#include "app/application.h"
#include "app/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  mv4700::configureApplication();
  mv4700::Form1 window;
  window.show();
  return app.exec();
}
