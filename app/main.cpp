#include <QApplication>

#include "app/application.h"
#include "app/operator_tool.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  mv4700::configureApplication();
  mv4700::OperatorTool tool;
  tool.window.show();
  return app.exec();
}
